#include "logview/RecordFilter.h"

#include "storage/QsoRecord.h"
#include "storage/TextCodec.h"

using storage::QsoRecord;

RecordFilter::RecordFilter()
{
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString lower = storage::fromDisk(QByteArrayView(&byte, 1)).toLower();
        const int folded = lower.size() == 1 ? storage::diskByte(lower.front()) : -1;
        m_fold[size_t(b)] = static_cast<char>(folded >= 0 ? folded : b);
    }
}

QByteArray RecordFilter::foldedText(const QString &text, bool *impossible) const
{
    const QString trimmed = text.trimmed();
    QByteArray out;
    out.reserve(trimmed.size());
    *impossible = false;
    for (QChar c : trimmed) {
        const int b = storage::diskByte(c);
        if (b < 0)
            *impossible = true;
        else
            out += m_fold[size_t(b)];
    }
    return out;
}

bool RecordFilter::setCall(const QString &text)
{
    const QByteArray before = m_call;
    const bool wasImpossible = m_impossible;
    m_call = foldedText(text, &m_callImpossible);
    // Longer than the field: no call can hold it.
    m_callImpossible = m_callImpossible || m_call.size() > QsoRecord::Widths[QsoRecord::Call];
    m_impossible = m_callImpossible || m_searchImpossible;
    // A call that holds the last one is held only by calls that held it too.
    return m_impossible || (!wasImpossible && m_call.contains(before));
}

void RecordFilter::setSearch(const QString &text)
{
    m_search = foldedText(text, &m_searchImpossible);
    m_impossible = m_callImpossible || m_searchImpossible;
}

bool RecordFilter::contains(const char *field, int width, const QByteArray &needle) const
{
    const int length = int(needle.size());
    const char first = needle.front();
    for (int start = 0; start + length <= width; ++start) {
        if (m_fold[static_cast<unsigned char>(field[start])] != first)
            continue;
        int i = 1;
        while (i < length && m_fold[static_cast<unsigned char>(field[start + i])] == needle[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

bool RecordFilter::accepts(const char *record) const
{
    if (m_impossible)
        return false;
    constexpr auto call = QsoRecord::Call;
    if (!m_call.isEmpty()
        && !contains(record + QsoRecord::Offsets[call], QsoRecord::Widths[call], m_call))
        return false;
    if (m_search.isEmpty())
        return true;
    for (size_t f = 0; f < QsoRecord::FieldCount; ++f) {
        if (contains(record + QsoRecord::Offsets[f], QsoRecord::Widths[f], m_search))
            return true;
    }
    return false;
}
