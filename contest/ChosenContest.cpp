#include "contest/ChosenContest.h"

#include <QFileInfo>
#include <QSettings>

namespace contest {

std::optional<QDateTime> readMoment(const QString &text)
{
    const QDateTime when = QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!when.isValid())
        return std::nullopt;
    return QDateTime(when.date(), when.time(), Qt::UTC);
}

QString momentText(const QDateTime &when)
{
    return when.isValid() ? when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

LoadedContest loadChosenContest(const QString &path)
{
    LoadedContest loaded;
    const QFileInfo info(path);
    // QSettings would wait for a writer on a FIFO and read a device without end.
    if (!info.isFile())
        return loaded;
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("contest"));
    // A value with a comma comes back as a list; the name and moments hold none.
    const auto text = [&](const char *key) { return file.value(QLatin1String(key)).toString().trimmed(); };
    const QString name = text("name");
    if (!name.isEmpty() && name.size() <= 40 && !name.contains(QLatin1Char(' ')))
        loaded.chosen.name = name.toUpper();
    else if (!name.isEmpty())
        loaded.problems << QStringLiteral("%1: [contest] name is no contest name; left out").arg(info.fileName());
    for (const auto &[key, into] : { std::pair { "from", &loaded.chosen.from }, std::pair { "to", &loaded.chosen.to } }) {
        const QString value = text(key);
        if (value.isEmpty())
            continue;
        if (const auto when = readMoment(value))
            *into = *when;
        else
            loaded.problems << QStringLiteral("%1: [contest] %2 is no \"YYYY-MM-DD HH:MM\"; left out")
                                       .arg(info.fileName(), QLatin1String(key));
    }
    return loaded;
}

std::optional<QString> saveChosenContest(const QString &path, const ChosenContest &chosen)
{
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(path);
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("contest"));
    const auto put = [&file](const char *key, const QString &value) {
        if (value.isEmpty())
            file.remove(QLatin1String(key));
        else
            file.setValue(QLatin1String(key), value);
    };
    put("name", chosen.name);
    put("from", momentText(chosen.from));
    put("to", momentText(chosen.to));
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError)
        return QStringLiteral("%1 could not be written").arg(path);
    return std::nullopt;
}

} // namespace contest
