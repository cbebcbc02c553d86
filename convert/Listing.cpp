#include "convert/Listing.h"

#include "storage/FileHandle.h"
#include "storage/Logbook.h"
#include "storage/QsoRecord.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

using storage::QsoRecord;

namespace listing {
namespace {

// Lines are gathered and written in pieces of about this size.
constexpr qsizetype kFlushBytes = 256 * 1024;

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

void appendRecordLine(QByteArray &out, const char *record)
{
    for (QsoRecord::Field field : kOrder)
        out.append(record + QsoRecord::Offsets[field], QsoRecord::Widths[field]);
    out.append("\r\r\n", 3);
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

storage::Status convert(const QString &source, const QString &destination, bool withTitle)
{
    auto opened = storage::FileHandle::open(destination, storage::FileHandle::Mode::Append);
    if (!opened)
        return opened.error();
    storage::FileHandle &out = opened.value();

    QByteArray pending;
    pending.reserve(kFlushBytes + 128);
    if (withTitle) {
        pending = titleLine() + ruleLine();
        // Written before the source is opened, as a listing with a bad source shows.
        if (auto written = out.write(pending.constData(), pending.size()); !written)
            return written;
        pending.clear();
    }

    auto reader = storage::LogbookReader::open(source);
    if (!reader)
        return reader.error();
    while (const char *record = reader.value().next()) {
        appendRecordLine(pending, record);
        if (pending.size() >= kFlushBytes) {
            if (auto written = out.write(pending.constData(), pending.size()); !written)
                return written;
            pending.clear();
        }
    }
    // Whatever was read before a read error is still listed.
    if (auto written = out.write(pending.constData(), pending.size()); !written)
        return written;
    if (reader.value().error())
        return *reader.value().error();
    return storage::success();
}

} // namespace listing
