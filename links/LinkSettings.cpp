#include "links/LinkSettings.h"

#include <QFileInfo>
#include <QSettings>

namespace links {

namespace {

constexpr qint64 MaxFileSize = 64 * qint64(1024);

// QSettings reads a value with a comma as a list; the file's text is what counts.
QString rawText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString().trimmed();
}

auto boolInto(bool &out)
{
    return [&out](const QString &text) -> std::optional<QString> {
        const QString lower = text.toLower();
        if (lower == QLatin1String("true") || lower == QLatin1String("1")
            || lower == QLatin1String("yes") || lower == QLatin1String("on")) {
            out = true;
            return std::nullopt;
        }
        if (lower == QLatin1String("false") || lower == QLatin1String("0")
            || lower == QLatin1String("no") || lower == QLatin1String("off")) {
            out = false;
            return std::nullopt;
        }
        return QStringLiteral("true or false");
    };
}

auto portInto(quint16 &out)
{
    return [&out](const QString &text) -> std::optional<QString> {
        bool ok = false;
        const int port = text.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return QStringLiteral("a port number from 1 to 65535");
        out = quint16(port);
        return std::nullopt;
    };
}

auto hostInto(QString &out)
{
    return [&out](const QString &text) -> std::optional<QString> {
        if (!isHostName(text))
            return QStringLiteral("a host name or address");
        out = text;
        return std::nullopt;
    };
}

auto addressInto(QString &out)
{
    return [&out](const QString &text) -> std::optional<QString> {
        if (QHostAddress(text).isNull())
            return QStringLiteral("an address of this machine");
        out = text;
        return std::nullopt;
    };
}

auto addressesInto(QList<QHostAddress> &out)
{
    return [&out](const QString &text) -> std::optional<QString> {
        QList<QHostAddress> addresses;
        for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QHostAddress address(part.trimmed());
            if (address.isNull())
                return QStringLiteral("a list of addresses");
            addresses << address;
        }
        out = addresses;
        return std::nullopt;
    };
}

} // namespace

bool SettingsReader::read(const char *group, const char *key,
                          const std::function<std::optional<QString>(const QString &text)> &check)
{
    const QString name = QLatin1String(group) + QLatin1Char('/') + QLatin1String(key);
    if (!m_settings.contains(name))
        return true;
    const QString text = rawText(m_settings.value(name));
    const std::optional<QString> wrong = check(text);
    if (!wrong)
        return true;
    m_problems << QStringLiteral("[%1] %2=%3 is not %4.")
                          .arg(QLatin1String(group), QLatin1String(key), text.left(40), *wrong);
    return false;
}

bool readBlock(SettingsReader &reader, const char *group, PeerSettings &peer)
{
    PeerSettings read = peer;
    bool good = reader.read(group, "enabled", boolInto(read.enabled));
    good = reader.read(group, "host", hostInto(read.host)) && good;
    good = reader.read(group, "port", portInto(read.port)) && good;
    if (!good)
        read.enabled = false;
    peer = read;
    return good;
}

void writeBlock(QSettings &file, const char *group, const PeerSettings &p)
{
    file.beginGroup(QLatin1String(group));
    file.setValue(QStringLiteral("enabled"), p.enabled);
    file.setValue(QStringLiteral("host"), p.host);
    file.setValue(QStringLiteral("port"), int(p.port));
    file.endGroup();
}

bool readBlock(SettingsReader &reader, const char *group, WsjtxSettings &out)
{
    WsjtxSettings wsjtx = out;
    bool good = reader.read(group, "enabled", boolInto(wsjtx.enabled));
    good = reader.read(group, "port", portInto(wsjtx.port)) && good;
    good = reader.read(group, "address", addressInto(wsjtx.address)) && good;
    good = reader.read(group, "accept", addressesInto(wsjtx.accept)) && good;
    if (!good)
        wsjtx.enabled = false;
    out = wsjtx;
    return good;
}

void writeBlock(QSettings &file, const char *group, const WsjtxSettings &wsjtx)
{
    file.beginGroup(QLatin1String(group));
    file.setValue(QStringLiteral("enabled"), wsjtx.enabled);
    file.setValue(QStringLiteral("port"), int(wsjtx.port));
    // The rarely changed values are written only where they differ from the default.
    if (wsjtx.address != WsjtxSettings().address)
        file.setValue(QStringLiteral("address"), wsjtx.address);
    else
        file.remove(QStringLiteral("address"));
    QStringList accept;
    for (const QHostAddress &address : wsjtx.accept)
        accept << address.toString();
    if (!accept.isEmpty())
        file.setValue(QStringLiteral("accept"), accept.join(QLatin1Char(',')));
    else
        file.remove(QStringLiteral("accept"));
    file.endGroup();
}

LinkSettings::LinkSettings(const LinkSettings &other)
{
    *this = other;
}

LinkSettings &LinkSettings::operator=(const LinkSettings &other)
{
    if (this == &other)
        return *this;
    std::vector<std::unique_ptr<Block>> blocks;
    for (const auto &block : other.m_blocks)
        blocks.push_back(block->clone());
    m_blocks = std::move(blocks);
    return *this;
}

LinkSettings::Block &LinkSettings::find(const char *group) const
{
    for (const auto &block : m_blocks) {
        if (qstrcmp(block->group, group) == 0)
            return *block;
    }
    qFatal("vantel.ini has no block [%s]", group);
}

void LinkSettings::read(QSettings &file, QStringList &problems)
{
    for (const auto &block : m_blocks) {
        SettingsReader reader(file, problems);
        if (!block->read(reader))
            problems << QStringLiteral("The %1 link stays off.").arg(QLatin1String(block->name));
    }
}

void LinkSettings::write(QSettings &file) const
{
    for (const auto &block : m_blocks)
        block->write(file);
}

bool isHostName(const QString &host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    if (!QHostAddress(host).isNull())
        return true;
    for (const QChar c : host) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.')
            && c != QLatin1Char('-'))
            return false;
    }
    return true;
}

LoadedLinkSettings loadLinkSettings(const QString &path, const LinkSettings &defaults)
{
    LoadedLinkSettings loaded { defaults, {} };
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return loaded;
    // QSettings would wait for a writer on a FIFO and read a device without end.
    if (!info.isFile() || info.size() > MaxFileSize) {
        loaded.problems << QStringLiteral("%1 is not a settings file of at most %2 KB.")
                                   .arg(info.fileName())
                                   .arg(MaxFileSize / 1024);
        return loaded;
    }
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        loaded.problems << QStringLiteral("%1 cannot be read as an INI file.").arg(info.fileName());
        return loaded;
    }
    loaded.settings.read(file, loaded.problems);
    return loaded;
}

std::optional<QString> saveLinkSettings(const QString &path, const LinkSettings &settings)
{
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(path);
    QSettings file(path, QSettings::IniFormat);
    settings.write(file);
    file.sync();
    if (file.status() != QSettings::NoError)
        return QStringLiteral("%1 could not be written").arg(path);
    return std::nullopt;
}

} // namespace links
