#include "storage/LogbookShape.h"

#include "storage/QsoRecord.h"

#include <QByteArray>
#include <QDir>

#include <algorithm>

namespace storage {
namespace {

bool isControl(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

// ADIF ends its header with <EOH> and each record with <EOR>, in any letter case; a
// contact whose call is "<EOR>" alone makes no ADIF file, one with line breaks around
// tags does.
bool looksLikeAdif(QByteArrayView bytes)
{
    const QByteArray lower = bytes.toByteArray().toLower();
    const bool record = lower.contains("<eor>");
    const bool call = lower.contains("<call:");
    const bool lines = lower.contains('\n') || lower.contains('\r');
    return lower.contains("<eoh>") || (record && call) || (lines && (record || call));
}

StorageError notALogbook(const FileHandle &file, const QString &looks)
{
    return StorageError { StorageError::Kind::NotALogbook, QDir::toNativeSeparators(file.path()),
                          looks };
}

} // namespace

bool tornRecordOfOurs(QByteArrayView partial)
{
    return partial.size() < QsoRecord::Size && std::none_of(partial.begin(), partial.end(), isControl);
}

Status checkLogbookShape(const FileHandle &file, qint64 size, qint64 sampleRecords)
{
    const qint64 whole = size / QsoRecord::Size * QsoRecord::Size;
    const qint64 sample = sampleRecords * QsoRecord::Size;
    const qint64 headLength = std::min(whole, sample);
    const qint64 tailStart = std::max(headLength, whole - sample);
    QByteArray head(headLength, '\0');
    QByteArray tail(size - tailStart, '\0');
    for (auto [bytes, at] : { std::pair { &head, qint64(0) }, std::pair { &tail, tailStart } }) {
        auto got = file.readAt(bytes->data(), bytes->size(), at);
        if (!got)
            return got.error();
        bytes->truncate(got.value()); // shortened meanwhile: what is there is looked at
    }
    const QByteArrayView partial = QByteArrayView(tail).last(std::min<qsizetype>(tail.size(), size - whole));

    if (looksLikeAdif(head) || looksLikeAdif(tail))
        return notALogbook(file, QStringLiteral(
                "it looks like an ADIF file. Contacts in ADIF come into vantel by importing "
                "them into a logbook, not by using the ADIF file as one: import it"));
    for (const QByteArray *bytes : { &head, &tail }) {
        if (bytes->contains('\n') || bytes->contains('\r'))
            return notALogbook(file, QStringLiteral("it holds line breaks, as a text file does"));
    }
    for (const QByteArray *bytes : { &head, &tail }) {
        if (bytes->contains('\0'))
            return notALogbook(file, QStringLiteral("it holds NUL bytes, as a binary file does, "
                                                    "or one another program made longer"));
    }
    if (!tornRecordOfOurs(partial))
        return notALogbook(file, QStringLiteral("it ends in %1 bytes that are no part of a contact "
                                                "(they hold control characters)")
                                         .arg(partial.size()));
    return success();
}

} // namespace storage
