// Reading cty.dat and cty.csv into a CountryTable. Every byte is checked: a file that
// is not what it should be is refused with the line that shows it, never half taken in.
#include "country/CountryTable.h"

#include "country/Bytes.h"

#include <charconv>
#include <cmath>

namespace country {

namespace {

// Longest entry taken from the file; real ones stay under twenty characters.
constexpr qsizetype MaxEntryLength = 24;
// Longest entity line: name, zones, place, offset and primary prefix.
constexpr qsizetype MaxHeaderLength = 256;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\x1a';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isSpace(text.front()))
        text = bytes::mid(text, 1);
    while (!text.isEmpty() && isSpace(text.back()))
        text.chop(1);
    return text;
}

bool toInt(QByteArrayView text, int min, int max, int *out)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return false;
    *out = value;
    return true;
}

bool toDouble(QByteArrayView text, double min, double max, double *out)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                           std::chars_format::fixed);
    if (text.isEmpty() || ec != std::errc() || end != text.data() + text.size()
        || !std::isfinite(value) || value < min || value > max)
        return false;
    *out = value;
    return true;
}

int continentIndex(QByteArrayView text)
{
    static const char *const names[] = { "AF", "AN", "AS", "EU", "NA", "OC", "SA" };
    for (int i = 0; i < 7; ++i)
        if (text == names[i])
            return i;
    return -1;
}

bool isPrintable(QByteArrayView text)
{
    for (const char c : text)
        if (c < 0x20 || c > 0x7e)
            return false;
    return true;
}

struct Failure
{
    qsizetype offset;
    const char *what;
};

// One entry of an entity's list: "=KG4AC", "VE3(4)[4]", "=W1AW/KH6<21.3/157.9>{OC}~-10~".
bool parseEntry(QByteArrayView token, int entity, QByteArrayView *call, bool *exact,
                CountryTable::Entry *entry, const char **what)
{
    *exact = token.startsWith('=');
    qsizetype i = *exact ? 1 : 0;
    const qsizetype callStart = i;
    while (i < token.size()
           && ((token[i] >= 'A' && token[i] <= 'Z') || (token[i] >= '0' && token[i] <= '9')
               || token[i] == '/'))
        ++i;
    *call = bytes::mid(token, callStart, i - callStart);
    if (call->isEmpty() || call->size() > MaxEntryLength) {
        *what = "an entry is not a call or prefix";
        return false;
    }
    entry->entity = entity;
    while (i < token.size()) {
        const char open = token[i];
        static constexpr QByteArrayView opens = "([<{~";
        static constexpr QByteArrayView closes = ")]>}~";
        const qsizetype kind = opens.indexOf(open);
        const char close = kind < 0 ? '\0' : closes[kind];
        const qsizetype end = close ? token.indexOf(close, i + 1) : -1;
        if (end < 0) {
            *what = "an entry has an override that is not closed";
            return false;
        }
        const QByteArrayView inner = bytes::mid(token, i + 1, end - i - 1);
        int number = 0;
        double a = 0;
        double b = 0;
        bool good = true;
        switch (open) {
        case '(':
            good = toInt(inner, 1, 40, &number);
            entry->cqZone = quint8(number);
            break;
        case '[':
            good = toInt(inner, 1, 90, &number);
            entry->ituZone = quint8(number);
            break;
        case '{':
            entry->continent = qint8(continentIndex(inner));
            good = entry->continent >= 0;
            break;
        case '~':
            good = toDouble(inner, -24, 24, &a);
            entry->utcOffsetHours = float(-a);
            entry->hasUtcOffset = true;
            break;
        default: {
            const qsizetype slash = inner.indexOf('/');
            good = slash > 0 && toDouble(bytes::left(inner, slash), -90, 90, &a)
                    && toDouble(bytes::mid(inner, slash + 1), -180, 180, &b);
            entry->latitude = float(a);
            entry->longitude = float(-b);
            entry->hasLatLon = true;
        }
        }
        if (!good) {
            *what = "an override is out of range";
            return false;
        }
        i = end + 1;
    }
    return true;
}

int lineOf(const QByteArray &bytes, qsizetype offset)
{
    return int(bytes::left(bytes, offset).count('\n')) + 1;
}

} // namespace

Loaded<CountryTable> CountryTable::fromCtyDat(QByteArray bytes, const QString &source)
{
    CountryTable table;
    Data &data = *table.m_data;
    data.bytes = std::move(bytes);
    const QByteArrayView text(data.bytes);
    const auto fail = [&](Failure failure) -> Loaded<CountryTable> {
        return LoadError { source,
                           QStringLiteral("line %1: %2")
                                   .arg(lineOf(data.bytes, failure.offset))
                                   .arg(QLatin1String(failure.what)) };
    };

    std::vector<Map::Slot> exactList;
    std::vector<Map::Slot> prefixList;
    exactList.reserve(size_t(text.count(',')));
    qsizetype pos = 0;
    while (true) {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        if (pos >= text.size())
            break;
        // Name: CQ: ITU: Continent: Lat: Lon (west +): UTC offset (west +): Primary prefix:
        // Searches stay within the line and the entity: a hostile file costs one pass.
        QByteArrayView fields[8];
        const QByteArrayView line = bytes::mid(text, pos, MaxHeaderLength);
        const qsizetype newline = line.indexOf('\n');
        const qsizetype lineStart = pos;
        for (QByteArrayView &field : fields) {
            const qsizetype colon = line.indexOf(':', pos - lineStart);
            if (colon < 0 || (newline >= 0 && newline < colon))
                return fail({ pos, "an entity line does not have eight fields" });
            field = trimmed(bytes::mid(line, pos - lineStart, colon - (pos - lineStart)));
            pos = lineStart + colon + 1;
        }
        Entity entity;
        int cq = 0;
        int itu = 0;
        double lat = 0;
        double lon = 0;
        double utc = 0;
        const int continent = continentIndex(fields[3]);
        QByteArrayView prefix = fields[7];
        entity.isDxcc = !prefix.startsWith('*');
        if (!entity.isDxcc)
            prefix = bytes::mid(prefix, 1);
        if (fields[0].isEmpty() || fields[0].size() > 64 || !isPrintable(fields[0])
            || !toInt(fields[1], 1, 40, &cq) || !toInt(fields[2], 1, 90, &itu) || continent < 0
            || !toDouble(fields[4], -90, 90, &lat) || !toDouble(fields[5], -180, 180, &lon)
            || !toDouble(fields[6], -24, 24, &utc) || prefix.isEmpty()
            || prefix.size() > MaxEntryLength || !isPrintable(prefix))
            return fail({ pos - 1, "an entity line has a field out of range" });
        entity.name = QString::fromLatin1(fields[0]);
        entity.primaryPrefix = QString::fromLatin1(prefix);
        entity.dxccName = entity.isDxcc ? entity.name : QString();
        entity.continent = QString::fromLatin1(fields[3]);
        entity.cqZone = cq;
        entity.ituZone = itu;
        entity.latitude = lat;
        entity.longitude = -lon;
        entity.utcOffsetHours = -utc;
        if (data.entities.size() >= 4096)
            return fail({ pos, "more entities than any country file has" });
        const int index = int(data.entities.size());
        data.entities.append(entity);

        const qsizetype end = text.indexOf(';', pos);
        if (end < 0 || bytes::mid(text, pos, end - pos).contains(':'))
            return fail({ pos, "no ';' ends the entity's list" });
        const QByteArrayView list = bytes::mid(text, 0, end);
        while (pos < end) {
            qsizetype comma = list.indexOf(',', pos);
            if (comma < 0)
                comma = end;
            const QByteArrayView token = trimmed(bytes::mid(text, pos, comma - pos));
            const qsizetype tokenAt = token.data() - text.data();
            pos = comma + 1;
            if (token.isEmpty())
                continue;
            QByteArrayView call;
            bool exact = false;
            Entry entry;
            const char *what = nullptr;
            if (!parseEntry(token, index, &call, &exact, &entry, &what))
                return fail({ tokenAt, what });
            (exact ? exactList : prefixList)
                    .push_back({ std::string_view(call.data(), size_t(call.size())), entry });
            if (!exact)
                data.longestPrefix = std::max(data.longestPrefix, call.size());
            if (exact && call.size() == 11 && call.startsWith("VER")) {
                const QDate date = QDate::fromString(QString::fromLatin1(bytes::mid(call, 3)),
                                                     QStringLiteral("yyyyMMdd"));
                if (date.isValid())
                    data.release = date;
            }
        }
        pos = end + 1;
    }
    if (data.entities.isEmpty())
        return LoadError { source, QStringLiteral("no entities in the file") };
    for (const auto &[list, map] : { std::pair { &exactList, &data.exact }, { &prefixList, &data.prefixes } }) {
        map->reserve(list->size());
        for (const Map::Slot &item : *list) {
            bool inserted = false;
            Map::Slot &slot = map->insert(item.key, item.value, &inserted);
            // A call listed under both a '*' entity and its DXCC entity: the '*' one is
            // the more particular answer, and the DXCC entity is still named beside it.
            if (!inserted && !data.entities.at(item.value.entity).isDxcc
                && data.entities.at(slot.value.entity).isDxcc)
                slot.value = item.value;
        }
    }
    return table;
}

Loaded<int> CountryTable::applyCtyCsv(const QByteArray &bytes, const QString &source)
{
    QHash<QByteArrayView, int> numbers;
    int line = 0;
    for (const QByteArrayView row : bytes::split(bytes, '\n')) {
        ++line;
        if (trimmed(row).isEmpty())
            continue;
        const QList<QByteArrayView> columns = bytes::split(row, ',');
        int number = 0;
        if (columns.size() < 10 || !toInt(trimmed(columns[2]), 1, 999, &number))
            return LoadError { source,
                               QStringLiteral("line %1: not prefix, name, DXCC number, ...")
                                       .arg(line) };
        QByteArrayView prefix = trimmed(columns[0]);
        if (prefix.startsWith('*'))
            prefix = bytes::mid(prefix, 1);
        numbers.insert(prefix, number);
    }
    // Copy on write: tables handed out before keep what they had.
    if (m_data.use_count() > 1)
        m_data = std::make_shared<Data>(*m_data);
    Data *data = m_data.get();
    int matched = 0;
    QHash<int, QString> dxccNames;
    for (Entity &entity : data->entities) {
        entity.dxcc = numbers.value(entity.primaryPrefix.toLatin1(), 0);
        matched += entity.dxcc != 0;
        if (entity.isDxcc && entity.dxcc)
            dxccNames.insert(entity.dxcc, entity.name);
    }
    for (Entity &entity : data->entities)
        if (!entity.isDxcc)
            entity.dxccName = dxccNames.value(entity.dxcc);
    return matched;
}

} // namespace country
