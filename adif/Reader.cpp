#include "adif/Reader.h"

#include "adif/Utf8.h"
#include "storage/TextCodec.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace adif {

namespace {

// Big enough for a tag, or a value read as characters (up to three bytes each) and what
// follows it; small enough to stay out of the way.
constexpr qsizetype BufferBytes = 64 * qsizetype(1024);
// After a value, how far to look for the next tag across blanks.
constexpr qsizetype BlankLookahead = 32;
constexpr int MaxLengthDigits = 9;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool is(QByteArrayView text, QByteArrayView word)
{
    return text.compare(word, Qt::CaseInsensitive) == 0;
}

// The length of <NAME:LENGTH[:TYPE]>, or -1 when it is not a number.
qint64 lengthOf(QByteArrayView afterColon)
{
    const qsizetype colon = afterColon.indexOf(':');
    const QByteArrayView digits = trimmed(colon < 0 ? afterColon : afterColon.first(colon));
    if (digits.isEmpty() || digits.size() > MaxLengthDigits)
        return -1;
    qint64 length = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        length = length * 10 + (c - '0');
    }
    return length;
}

bool looksLikeTag(QByteArrayView content)
{
    const qsizetype colon = content.indexOf(':');
    if (colon < 0)
        return is(trimmed(content), "eor") || is(trimmed(content), "eoh");
    return !trimmed(content.first(colon)).isEmpty() && lengthOf(content.sliced(colon + 1)) >= 0;
}

// The bytes between '<' and '>' when `text` starts with a tag.
std::optional<QByteArrayView> tagAt(QByteArrayView text)
{
    const qsizetype limit = std::min(text.size(), MaxTagBytes + 2);
    for (qsizetype i = 1; i < limit; ++i) {
        if (text[i] == '>')
            return text.sliced(1, i - 1);
        if (text[i] == '<')
            break;
    }
    return std::nullopt;
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

Reader::Reader(QIODevice *device, Encoding encoding) : m_device(device), m_encoding(encoding) { }

Reader::Reader(const QString &path, Encoding encoding) : m_encoding(encoding)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QByteArray name = QFile::encodeName(path);
    // Look before opening: opening a FIFO or a device can wait for a peer.
    struct stat st {};
    int fd = -1;
    if (::stat(name.constData(), &st) != 0) {
        m_error = shown + QLatin1String(": ") + systemReason(errno);
    } else if (!S_ISREG(st.st_mode)) {
        m_error = shown + QLatin1String(": not a regular file");
    } else {
        do {
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            m_error = shown + QLatin1String(": ") + systemReason(errno);
        else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
            m_error = shown + QLatin1String(": not a regular file");
    }
    if (!m_error.isEmpty()) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_file = std::make_unique<QFile>();
    if (!m_file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_error = shown + QLatin1String(": ") + m_file->errorString();
        return;
    }
    m_device = m_file.get();
}

Reader::~Reader() = default;

void Reader::start()
{
    if (m_started)
        return;
    m_started = true;
    if (!m_device) {
        m_eof = true;
        return;
    }
    m_buffer.resize(BufferBytes);
    m_base = m_device->isSequential() ? 0 : m_device->pos();
    if (m_encoding == Encoding::Detect && !m_device->isSequential())
        decideEncoding();
    fill(ProbeBytes + 3);
    if (available() >= 3 && std::memcmp(data(), "\xEF\xBB\xBF", 3) == 0)
        m_pos += 3; // a byte-order mark
    if (m_encoding == Encoding::Detect) {
        // A device that cannot be read twice: what its first block shows.
        const qsizetype whole = utf8::wholeCharacters(QByteArrayView(data(), available()));
        const bool utf8 = whole >= 0 && (!m_eof || whole == available());
        m_encoding = utf8 ? Encoding::Utf8 : Encoding::Windows1252;
    }

    const QByteArrayView probe(data(), std::min(available(), ProbeBytes));
    if (probe.isEmpty()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("the file is empty");
        return;
    }
    for (qsizetype i = 0; i < probe.size(); ++i) {
        const auto c = uchar(probe[i]);
        if (c < 0x20 && !isBlank(char(c)) && c != 0x1A) { // 0x1A: DOS end of text
            m_error = QStringLiteral("binary data at byte %1: not an ADIF file").arg(position() + i);
            return;
        }
    }
    for (qsizetype lt = probe.indexOf('<'); lt >= 0; lt = probe.indexOf('<', lt + 1)) {
        const auto tag = tagAt(probe.sliced(lt));
        if (tag && looksLikeTag(*tag)) {
            m_adif = true;
            return;
        }
    }
    m_error = QStringLiteral("no ADIF field in the first %1 bytes: not an ADIF file").arg(ProbeBytes);
}

// A file is read twice: once to learn whether it is UTF-8 from end to end, so that
// every value is decoded the same way, then for the records.
void Reader::decideEncoding()
{
    const qint64 begin = m_device->pos();
    bool utf8 = true;
    qsizetype kept = 0; // the start of a character cut by the block end
    while (true) {
        const qint64 got = m_device->read(m_buffer.data() + kept, m_buffer.size() - kept);
        if (got <= 0) {
            utf8 = utf8 && kept == 0;
            break;
        }
        const qsizetype total = kept + qsizetype(got);
        const qsizetype whole = utf8::wholeCharacters(QByteArrayView(m_buffer.constData(), total));
        if (whole < 0) {
            utf8 = false;
            break;
        }
        kept = total - whole;
        std::memmove(m_buffer.data(), m_buffer.constData() + whole, size_t(kept));
    }
    m_device->seek(begin);
    m_encoding = utf8 ? Encoding::Utf8 : Encoding::Windows1252;
}

bool Reader::isAdif()
{
    start();
    return m_adif;
}

bool Reader::fill(qsizetype wanted)
{
    if (available() >= wanted || m_eof)
        return available() >= wanted;
    if (m_pos > 0) {
        std::memmove(m_buffer.data(), data(), size_t(available()));
        m_base += m_pos;
        m_end -= m_pos;
        m_pos = 0;
    }
    while (m_end < wanted && !m_eof) {
        const qint64 got = m_device->read(m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (got < 0) {
            m_error = QStringLiteral("cannot read: %1").arg(m_device->errorString());
            m_eof = true;
        } else if (got == 0) {
            // A pipe or socket may have more to come.
            if (!m_device->isSequential() || !m_device->waitForReadyRead(5000))
                m_eof = true;
        } else {
            m_end += qsizetype(got);
        }
    }
    return available() >= wanted;
}

// Whether the text at `at` (from the read position) is blanks then a tag or the end.
bool Reader::blankThenTag(qsizetype at)
{
    for (qsizetype i = at; i < at + BlankLookahead; ++i) {
        if (i >= available())
            return true; // filled far enough before: the end of the file
        if (data()[i] == '<')
            return true;
        if (!isBlank(data()[i]))
            return false;
    }
    return true;
}

// How many bytes the value of a field `length` long takes from the read position;
// -1 when the file ends first. See the class comment for characters.
qsizetype Reader::valueLength(qsizetype length)
{
    if (!fill(length))
        return -1;
    if (m_encoding != Encoding::Utf8 || isAscii(QByteArrayView(data(), length)))
        return length;
    fill(4 * length + BlankLookahead + 1);
    const qsizetype whole = utf8::wholeCharacters(QByteArrayView(data(), length));
    if (whole < 0 || (whole == length && blankThenTag(length)))
        return length;
    // Counted as Qt, Java and .NET count a string: UTF-16 units, two for a character
    // beyond U+FFFF.
    qsizetype pos = 0;
    qsizetype units = 0;
    while (units < length && pos <= MaxValueBytes) {
        const int size = utf8::sequence(QByteArrayView(data() + pos, available() - pos));
        if (size <= 0)
            break;
        pos += size;
        units += size == 4 ? 2 : 1;
    }
    if (units == length && pos <= MaxValueBytes && blankThenTag(pos))
        return pos;
    return length;
}

bool Reader::skip(qint64 length)
{
    while (length > 0) {
        if (!fill(1))
            return false;
        const qsizetype step = qsizetype(std::min<qint64>(available(), length));
        m_pos += step;
        length -= step;
    }
    return true;
}

QString Reader::decode(QByteArrayView bytes) const
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (m_encoding == Encoding::Utf8 && utf8::isValid(bytes))
        return QString::fromUtf8(bytes);
    return storage::fromDisk(bytes);
}

QString Reader::fieldName(QByteArrayView bytes)
{
    // Files repeat the same names in the same order: look where the last one was found.
    const qsizetype count = m_names.size();
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = (m_nameHint + i) % count;
        if (m_names[at].first == bytes) {
            m_nameHint = at + 1;
            return m_names[at].second;
        }
    }
    QString name = decode(bytes).toLower();
    if (count < MaxFields) {
        m_names.append({ bytes.toByteArray(), name });
        m_nameHint = count + 1;
    }
    return name;
}

void Reader::addProblem(Record &record, Problem::Kind kind, const QString &field, qint64 at)
{
    record.problems.append(Problem { kind, field, at });
}

std::optional<Record> Reader::next()
{
    start();
    Record record;
    record.offset = -1;
    while (fill(1)) {
        // Text outside fields, up to the next '<'.
        const auto *lt = static_cast<const char *>(std::memchr(data(), '<', size_t(available())));
        if (!lt) {
            m_pos = m_end;
            continue;
        }
        m_pos = lt - m_buffer.constData();
        const qint64 tagOffset = position();
        fill(MaxTagBytes + 2);
        const auto tag = tagAt(QByteArrayView(data(), available()));
        if (!tag) {
            ++m_pos; // a '<' that opens no tag is text
            continue;
        }
        const QByteArrayView content = *tag;
        const qsizetype colon = content.indexOf(':');
        if (colon < 0) {
            const QByteArrayView word = trimmed(content);
            m_pos += content.size() + 2;
            if (is(word, "eor")) {
                if (record.fields.isEmpty() && record.problems.isEmpty())
                    continue;
                record.index = m_index++;
                return record;
            }
            if (is(word, "eoh") && !m_headerDone && m_index == 0) {
                m_header = std::move(record.fields);
                record = Record();
                record.offset = -1;
                m_headerDone = true;
            }
            continue; // anything else in angle brackets is text
        }
        const QString name = fieldName(trimmed(content.first(colon)));
        const qint64 length = lengthOf(content.sliced(colon + 1));
        m_pos += content.size() + 2;
        if (record.offset < 0)
            record.offset = tagOffset;
        if (name.isEmpty() || length < 0) {
            addProblem(record, Problem::Kind::BadLength, name, tagOffset);
            continue;
        }
        if (length > MaxValueBytes) {
            if (!skip(length)) {
                addProblem(record, Problem::Kind::LengthPastEnd, name, tagOffset);
                break;
            }
            addProblem(record, Problem::Kind::ValueTooLong, name, tagOffset);
            continue;
        }
        const qsizetype taken = valueLength(qsizetype(length));
        if (taken < 0) {
            m_pos = m_end;
            addProblem(record, Problem::Kind::LengthPastEnd, name, tagOffset);
            break;
        }
        QByteArrayView bytes(data(), taken);
        if (m_encoding == Encoding::Utf8) {
            const qsizetype whole = utf8::wholeCharacters(bytes);
            if (whole >= 0 && whole < taken) {
                bytes = bytes.first(whole);
                addProblem(record, Problem::Kind::CutCharacter, name, tagOffset);
            }
        }
        if (!record.fields.contains(name)) {
            if (record.fields.size() < MaxFields)
                record.fields.insert(name, decode(bytes));
            else if (!record.hasProblem(Problem::Kind::TooManyFields))
                addProblem(record, Problem::Kind::TooManyFields, name, tagOffset);
        }
        m_pos += taken;
    }
    if (record.fields.isEmpty() && record.problems.isEmpty())
        return std::nullopt;
    addProblem(record, Problem::Kind::NoEndOfRecord, QString(), position());
    record.index = m_index++;
    return record;
}

} // namespace adif
