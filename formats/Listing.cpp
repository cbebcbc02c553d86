#include "formats/Listing.h"

#include "storage/FileHandle.h"
#include "storage/Logbook.h"
#include "storage/QsoRecord.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <iterator>
#include <optional>
#include <utility>
#include <sys/stat.h>

using storage::QsoRecord;

namespace listing {
namespace {

// Listing order: the sent report stands before the received one.
constexpr QsoRecord::Field kOrder[] = { QsoRecord::Number, QsoRecord::Call, QsoRecord::DateTime,
                                        QsoRecord::Band,   QsoRecord::Mode, QsoRecord::Sent,
                                        QsoRecord::Recv,   QsoRecord::Name, QsoRecord::Qth };

// The identity of an existing file, or of the place a missing one would take.
QString identity(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

QByteArray titleLine()
{
    return QByteArrayLiteral("Nr CallSign       Date/Time(UTC) Band Mode  Sent    Recv    Name      QTH"
                             "\r\r\n");
}

QByteArray ruleLine()
{
    return QByteArray(85, '=') + QByteArrayLiteral("\r\n");
}

namespace {

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

void appendRecordLine(QByteArray &out, const char *record)
{
    const qsizetype at = out.size();
    out.resize(at + kLineBytes);
    writeLine(out.data() + at, record);
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return identity(a) == identity(b);
}

storage::Result<qint64> convert(const QString &source, const QString &destination, bool withTitle)
{
    // The destination is opened (and so created) only once there is something to append.
    std::optional<storage::FileHandle> destFile;
    const auto append = [&](const QByteArray &bytes) -> storage::Status {
        if (!destFile) {
            auto opened = storage::FileHandle::open(destination, storage::FileHandle::Mode::Append);
            if (!opened)
                return opened.error();
            destFile.emplace(std::move(opened.value()));
        }
        return destFile->write(bytes.constData(), bytes.size());
    };

    // The title goes in before the source is opened, as a listing with a bad source shows.
    if (withTitle) {
        if (auto written = append(titleLine() + ruleLine()); !written)
            return written.error();
    }
    // A source named by mistake is not made: only an existing logbook is listed.
    auto reader = storage::LogbookReader::open(source, storage::IfMissing::Fail);
    if (!reader)
        return reader.error();
    // One block of records becomes one write of lines.
    qint64 lines = 0;
    QByteArray pending;
    for (auto block = reader.value().nextBlock(); block.records > 0;
         block = reader.value().nextBlock()) {
        pending.resize(block.records * kLineBytes);
        char *out = pending.data();
        for (qint64 i = 0; i < block.records; ++i, out += kLineBytes)
            writeLine(out, block.data + i * QsoRecord::Size);
        if (auto written = append(pending); !written)
            return written.error();
        lines += block.records;
    }
    // Whatever was read before a read error is listed; the error is still reported.
    if (reader.value().error())
        return *reader.value().error();
    return lines;
}

} // namespace listing
