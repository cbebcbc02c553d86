#include "formats/Listing.h"

#include "storage/QsoRecord.h"

#include <cstring>
#include <iterator>
#include <utility>

using storage::QsoRecord;

namespace formats {
namespace {

// Listing order: the sent report stands before the received one.
constexpr QsoRecord::Field kOrder[] = { QsoRecord::Number, QsoRecord::Call, QsoRecord::DateTime,
                                        QsoRecord::Band,   QsoRecord::Mode, QsoRecord::Sent,
                                        QsoRecord::Recv,   QsoRecord::Name, QsoRecord::Qth };

constexpr int kLineBytes = 88;

// One listing line straight into place: 85 field bytes reordered, then CR CR LF.
// Sizes known at compile time let each copy become a few plain moves.
template<std::size_t... I>
inline char *copyFields(char *out, const char *record, std::index_sequence<I...>)
{
    ((std::memcpy(out, record + QsoRecord::Offsets[kOrder[I]], QsoRecord::Widths[kOrder[I]]),
      out += QsoRecord::Widths[kOrder[I]]),
     ...);
    return out;
}

inline void writeLine(char *out, const char *record)
{
    out = copyFields(out, record, std::make_index_sequence<std::size(kOrder)>());
    out[0] = '\r';
    out[1] = '\r';
    out[2] = '\n';
}

} // namespace

namespace listing {

QByteArray titleLine()
{
    return QByteArrayLiteral("Nr CallSign       Date/Time(UTC) Band Mode  Sent    Recv    Name      QTH"
                             "\r\r\n");
}

QByteArray ruleLine()
{
    return QByteArray(85, '=') + QByteArrayLiteral("\r\n");
}

void appendRecordLine(QByteArray &out, const char *record)
{
    const qsizetype at = out.size();
    out.resize(at + kLineBytes);
    writeLine(out.data() + at, record);
}

} // namespace listing

QByteArray ListingFormat::header() const
{
    return m_title ? listing::titleLine() + listing::ruleLine() : QByteArray();
}

// One block of records becomes one run of lines, written in place.
void ListingFormat::write(QByteArray &out, const char *records, qint64 count, qint64,
                          Report &report)
{
    const qsizetype at = out.size();
    out.resize(at + count * kLineBytes);
    char *line = out.data() + at;
    for (qint64 i = 0; i < count; ++i, line += kLineBytes)
        writeLine(line, records + i * QsoRecord::Size);
    report.written += count;
}

} // namespace formats
