#include "radio/Mode.h"

#include "radio/ModeNames.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <array>
#include <utility>

namespace radio {
namespace {

struct ListMode
{
    const char *text;
    const char *mode;
    const char *submode;
};
// The list's modes as ADIF 3.1.4's mode table gives them: packet radio is PKT, PACTOR
// (I) is PAC without a submode (PAC2 to PAC4 are its later versions), AMTOR is TOR
// (its FEC broadcast form alone has a submode, AMTORFEC) and G-TOR is TOR's GTOR.
constexpr std::array<ListMode, 9> ListModes = { {
        { "PSK31", "PSK", "PSK31" },
        { "CW", "CW", "" },
        { "SSB", "SSB", "" },
        { "RTTY", "RTTY", "" },
        { "SSTV", "SSTV", "" },
        { "PAKET", "PKT", "" },
        { "AMTOR", "TOR", "" },
        { "PACT", "PAC", "" },
        { "GTOR", "TOR", "GTOR" },
} };

// Long fldigi names in seven characters: the family's prefix shortened.
constexpr std::array<std::pair<const char *, const char *>, 6> Compact = { {
        { "OLIVIA-", "OL" },
        { "CONT-", "CT" },
        { "8PSK", "8P" },
        { "PSK", "P" },
        { "MFSK", "MF" },
        { "THOR", "TH" },
} };

ModeReading pair(const QString &mode, const QString &submode)
{
    return { mode, submode, cabrilloMode(mode) };
}

// Each ADIF submode with its mode.
const QHash<QString, QString> &submodeOwners()
{
    static const QHash<QString, QString> owners = [] {
        QHash<QString, QString> out;
        for (const QStringList &entry : names::adifModes()) {
            for (qsizetype i = 1; i < entry.size(); ++i)
                out.insert(entry.at(i), entry.first());
        }
        return out;
    }();
    return owners;
}

const QSet<QString> &adifModeNames()
{
    static const QSet<QString> modes = [] {
        QSet<QString> out;
        for (const QStringList &entry : names::adifModes())
            out.insert(entry.first());
        return out;
    }();
    return modes;
}

QString compacted(const QString &upper)
{
    for (const auto &[full, shortened] : Compact) {
        if (upper.startsWith(QLatin1String(full)))
            return QLatin1String(shortened) + upper.mid(qsizetype(qstrlen(full)));
    }
    return {};
}

QString expanded(const QString &upper)
{
    for (const auto &[full, shortened] : Compact) {
        if (upper.startsWith(QLatin1String(shortened)))
            return QLatin1String(full) + upper.mid(qsizetype(qstrlen(shortened)));
    }
    return {};
}

// Every text that names a mode outright, upper case.
const QHash<QString, ModeReading> &exactNames()
{
    static const QHash<QString, ModeReading> table = [] {
        QHash<QString, ModeReading> out;
        const auto add = [&out](const QString &text, const ModeReading &reading) {
            if (!out.contains(text))
                out.insert(text, reading);
        };
        for (const ListMode &m : ListModes)
            add(QLatin1String(m.text), pair(QLatin1String(m.mode), QLatin1String(m.submode)));
        for (const QStringList &entry : names::adifModes()) {
            add(entry.first(), pair(entry.first(), {}));
            for (qsizetype i = 1; i < entry.size(); ++i)
                add(entry.at(i), pair(entry.first(), entry.at(i)));
        }
        // The list's own words written out, and CONTESTI in seven characters.
        add(QStringLiteral("PACKET"), pair(QStringLiteral("PKT"), {}));
        add(QStringLiteral("PACTOR"), pair(QStringLiteral("PAC"), {}));
        add(QStringLiteral("CONTEST"), pair(QStringLiteral("CONTESTI"), {}));
        for (const QString &modem : names::fldigiModems()) {
            if (const auto reading = pairForFldigi(modem))
                add(modem.toUpper(), *reading);
        }
        return out;
    }();
    return table;
}

// A text cut to the field's width (as stored before F3 chose short forms): the mode
// all the longer names it begins agree on.
std::optional<ModeReading> readCut(const QString &upper)
{
    std::optional<ModeReading> agreed;
    for (auto it = exactNames().cbegin(); it != exactNames().cend(); ++it) {
        if (it.key().size() <= upper.size() || !it.key().startsWith(upper))
            continue;
        if (!agreed)
            agreed = it.value();
        else if (agreed->mode != it.value().mode)
            return std::nullopt;
        else if (agreed->submode != it.value().submode)
            agreed = pair(agreed->mode, {});
    }
    return agreed;
}

// The first of the texts that reads back as the pair; else one that reads back as
// its mode; else the first cut to the field.
QString textFor(const ModeReading &reading, const QStringList &candidates)
{
    for (const ListMode &m : ListModes) {
        if (pair(QLatin1String(m.mode), QLatin1String(m.submode)) == reading)
            return QLatin1String(m.text);
    }
    for (const QString &text : candidates) {
        if (!text.isEmpty() && text.size() <= ModeTextWidth && readModeText(text) == reading)
            return text;
    }
    const ModeReading family = pair(reading.mode, {});
    for (const QString &text : { reading.mode, QStringLiteral("CONTEST") }) {
        if (text.size() <= ModeTextWidth && readModeText(text) == family)
            return text;
    }
    return candidates.value(0).left(ModeTextWidth);
}

} // namespace

bool ModeReading::phone() const
{
    return cabrillo == QLatin1String("PH") || cabrillo == QLatin1String("FM");
}

QStringList modeListTexts()
{
    QStringList texts;
    for (const ListMode &m : ListModes)
        texts << QLatin1String(m.text);
    return texts;
}

std::optional<ModeReading> readModeText(QStringView text)
{
    const QString upper = text.trimmed().toString().toUpper();
    if (upper.isEmpty())
        return std::nullopt;
    if (const auto it = exactNames().constFind(upper); it != exactNames().cend())
        return *it;
    if (const QString full = expanded(upper); !full.isEmpty()) {
        if (auto reading = pairForFldigi(full))
            return reading;
    }
    if (upper.size() == ModeTextWidth)
        return readCut(upper);
    return std::nullopt;
}

bool isAdifPair(QStringView mode, QStringView submode)
{
    const QString m = mode.toString().toUpper();
    if (!adifModeNames().contains(m))
        return false;
    return submode.isEmpty() || submodeOwners().value(submode.toString().toUpper()) == m;
}

QString cabrilloMode(QStringView adifMode)
{
    if (adifMode == u"CW")
        return QStringLiteral("CW");
    if (adifMode == u"FM")
        return QStringLiteral("FM");
    if (adifMode == u"RTTY")
        return QStringLiteral("RY");
    for (const char *phone : { "SSB", "AM", "DIGITALVOICE", "DSTAR", "C4FM" }) {
        if (adifMode == QLatin1String(phone))
            return QStringLiteral("PH");
    }
    return QStringLiteral("DG");
}

std::optional<ModeReading> pairForFldigi(QStringView modem)
{
    const QString upper = modem.trimmed().toString().toUpper();
    if (upper.isEmpty() || names::isFldigiTool(upper))
        return std::nullopt;
    if (upper.startsWith(QLatin1String("BPSK"))) {
        const QString psk = upper.mid(1);
        if (submodeOwners().value(psk) == QLatin1String("PSK"))
            return pair(QStringLiteral("PSK"), psk);
    }
    if (const auto owner = submodeOwners().constFind(upper); owner != submodeOwners().cend())
        return pair(*owner, upper);
    if (adifModeNames().contains(upper))
        return pair(upper, {});
    static const std::array<std::pair<const char *, const char *>, 4> Named = { {
            { "CONTESTIA", "CONTESTI|" },
            { "FELDHELL", "HELL|" },
            { "THOR MICRO", "THOR|THOR-M" },
            { "FSQ", "MFSK|FSQCALL" },
    } };
    for (const auto &[name, adif] : Named) {
        if (upper == QLatin1String(name)) {
            const QStringList parts = QString::fromLatin1(adif).split(QLatin1Char('|'));
            return pair(parts.at(0), parts.at(1));
        }
    }
    static const QRegularExpression olivia(QStringLiteral("^OLIVIA-(\\d+)/(\\d+)(K?)$"));
    if (const auto m = olivia.match(upper); m.hasMatch()) {
        const int width = m.captured(2).toInt() * (m.captured(3).isEmpty() ? 1 : 1000);
        const QString sub = QStringLiteral("OLIVIA %1/%2").arg(m.captured(1)).arg(width);
        return pair(QStringLiteral("OLIVIA"), submodeOwners().contains(sub) ? sub : QString());
    }
    // Families ADIF has one mode (or one submode) for, whatever the speed or width.
    static const std::array<std::pair<QRegularExpression, const char *>, 5> Families = { {
            { QRegularExpression(QStringLiteral("^CONT-\\d+/\\d+K?$")), "CONTESTI|" },
            { QRegularExpression(QStringLiteral("^DOM(EX|X)(\\d+| MICRO)$")), "DOMINO|DOMINOEX" },
            { QRegularExpression(QStringLiteral("^MT63-\\d+K?[SL]$")), "MT63|" },
            { QRegularExpression(QStringLiteral("^FSKH\\d+$")), "HELL|FSKHELL" },
            { QRegularExpression(QStringLiteral("^WEFAX\\d+$")), "FAX|" },
    } };
    for (const auto &[form, adif] : Families) {
        if (form.match(upper).hasMatch()) {
            const QStringList parts = QString::fromLatin1(adif).split(QLatin1Char('|'));
            return pair(parts.at(0), parts.at(1));
        }
    }
    return std::nullopt;
}

std::optional<QString> modeTextForFldigi(QStringView modem)
{
    const QString upper = modem.trimmed().toString().toUpper();
    if (upper.isEmpty() || names::isFldigiTool(upper))
        return std::nullopt;
    const std::optional<ModeReading> reading = pairForFldigi(upper);
    if (!reading)
        return upper.left(ModeTextWidth);
    return textFor(*reading, { upper, reading->submode, compacted(upper), upper.left(ModeTextWidth) });
}

std::optional<QString> modeTextForRig(QStringView rigMode)
{
    const QString name = rigMode.trimmed().toString().toUpper();
    if (name == QLatin1String("CW") || name == QLatin1String("CWR"))
        return QStringLiteral("CW");
    if (name == QLatin1String("USB") || name == QLatin1String("LSB"))
        return QStringLiteral("SSB");
    if (name == QLatin1String("RTTY") || name == QLatin1String("RTTYR"))
        return QStringLiteral("RTTY");
    return std::nullopt;
}

QString modeTextForAdif(QStringView mode, QStringView submode)
{
    QStringList candidates;
    for (const QStringView name : { submode, mode }) {
        if (!name.trimmed().isEmpty())
            candidates << name.trimmed().toString().toUpper();
    }
    if (candidates.isEmpty())
        return {};
    if (isAdifPair(mode.trimmed(), submode.trimmed()))
        return textFor(pair(mode.trimmed().toString().toUpper(), submode.trimmed().toString().toUpper()),
                       candidates);
    for (const QString &name : candidates) {
        if (const auto reading = readModeText(name))
            return textFor(*reading, { name });
    }
    return candidates.first().left(ModeTextWidth);
}

} // namespace radio
