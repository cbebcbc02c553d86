#pragma once

#include "adif/Record.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

class QFile;
class QIODevice;

namespace adif {

constexpr qsizetype MaxValueBytes = 4096; // longer values are dropped
constexpr int MaxFields = 256; // a record's further fields are dropped
constexpr qsizetype MaxTagBytes = 128; // a '<' without '>' within this is text
constexpr qsizetype ProbeBytes = 8192; // an ADIF file shows a tag within this

// Reads an ADIF .adi file record by record, through a fixed buffer: memory stays
// bounded however long the file. What comes before <EOH> (when there is one before the
// first <EOR>) is the header; text between fields is skipped; tags and <EOR>/<EOH> in
// any case; a type after the length (<NAME:LEN:TYPE>) is ignored.
//
// Lengths count bytes. In a UTF-8 file a length that ends inside a character, or
// leaves text before the next tag, is read again as a count of UTF-16 units (as
// WSJT-X, KLog and other Qt, Java or .NET programs count) when that ends at blanks and a
// tag; when that does not fit either, the whole characters within the bytes are kept
// and the record notes the cut (the rest of the cut character is skipped as text).
class Reader
{
public:
    enum class Encoding {
        Detect, // UTF-8 when the whole file is (a device that cannot seek: its first block)
        Utf8,
        Windows1252, // one byte a character, as older Windows programs write
    };

    // Reads from the device's current position; the device stays the caller's.
    explicit Reader(QIODevice *device, Encoding encoding = Encoding::Detect);
    // Opens a regular file without waiting on it; anything else is refused (error()).
    explicit Reader(const QString &path, Encoding encoding = Encoding::Detect);
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // False when the input cannot be read, is empty, holds binary bytes in its first
    // ProbeBytes or no ADIF tag there; error() says which.
    bool isAdif();
    // The next record, or nothing at the end. A record's problems say what was dropped
    // or missing. A read error ends the file where it struck (the record it cut notes
    // NoEndOfRecord): error() after the last record tells it from a whole file.
    std::optional<Record> next();

    // The header's fields by lower-case name, once the first record was read.
    const QHash<QString, QString> &header() const { return m_header; }
    // The encoding the values were read in (after isAdif() or the first next()).
    Encoding encoding() const { return m_encoding; }
    QString error() const { return m_error; }
    // The byte offset reached in the file, for progress.
    qint64 position() const { return m_base + m_pos; }

private:
    void start();
    void decideEncoding();
    bool fill(qsizetype wanted);
    qsizetype available() const { return m_end - m_pos; }
    const char *data() const { return m_buffer.constData() + m_pos; }
    bool blankThenTag(qsizetype at);
    qsizetype valueLength(qsizetype length);
    bool skip(qint64 length);
    QString decode(QByteArrayView bytes) const;
    QString fieldName(QByteArrayView bytes);
    void addProblem(Record &record, Problem::Kind kind, const QString &field, qint64 at);

    QIODevice *m_device = nullptr;
    std::unique_ptr<QFile> m_file;
    Encoding m_encoding;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    qint64 m_base = 0; // file offset of m_buffer[0]
    bool m_eof = false;
    bool m_started = false;
    bool m_adif = false;
    bool m_headerDone = false;
    qint64 m_index = 0;
    QHash<QString, QString> m_header;
    // The names met so far, as written and lower-cased: records share one string per name.
    QList<std::pair<QByteArray, QString>> m_names;
    qsizetype m_nameHint = 0;
    QString m_error;
};

} // namespace adif
