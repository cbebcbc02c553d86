#include "storage/LogbookShape.h"

#include "storage/QsoRecord.h"

#include <QByteArray>
#include <QDir>

#include <algorithm>

namespace storage {
namespace {

constexpr qsizetype kNumberWidth = 3;

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

bool tornRecordOfOurs(QByteArrayView partial, qint64 number)
{
    if (partial.size() >= QsoRecord::Size || std::any_of(partial.begin(), partial.end(), isControl))
        return false;
    // A save cut short leaves the start of its record, and every record starts with its
    // number, as far as the field's three characters hold it: text of anybody else's
    // ("my notes", "12 DL" where record 11 would go) is not ours to overwrite.
    const QByteArray field = QByteArray::number(number).leftJustified(kNumberWidth, ' ', true);
    const qsizetype shown = std::min<qsizetype>(partial.size(), kNumberWidth);
    return partial.first(shown) == QByteArrayView(field).first(shown);
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
    if (!tornRecordOfOurs(partial, whole / QsoRecord::Size + 1))
        return notALogbook(file, QStringLiteral("it ends in %1 bytes that are no part of a contact "
                                                "vantel saved (%2)")
                                         .arg(partial.size())
                                         .arg(std::any_of(partial.begin(), partial.end(), isControl)
                                                      ? QStringLiteral("they hold control characters")
                                                      : QStringLiteral("they do not start with the "
                                                                       "next contact's number")));
    return success();
}

} // namespace storage
