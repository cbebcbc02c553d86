#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// Which records the log window shows: those whose call sign contains the text typed in
// the entry window's call field, and which hold the search text in any one field, both
// with letter case ignored. Works on the record bytes as stored, so a key costs one
// pass over the file's bytes and no text conversion.
class RecordFilter
{
public:
    RecordFilter();

    // Empty text (or only spaces) lets every record through. Returns whether the new call
    // only narrows the last one: every record it lets through was let through before
    // (the call grew by a key), so the records shown so far are all that need a look.
    bool setCall(const QString &text);
    void setSearch(const QString &text);

    bool isEmpty() const { return m_call.isEmpty() && m_search.isEmpty() && !m_impossible; }
    // `record` points at 85 bytes.
    bool accepts(const char *record) const;

private:
    // Lower-case byte for each byte of Windows-1252 (accented capitals included).
    std::array<char, 256> m_fold {};
    // The texts as folded bytes; a text with a character no record can hold matches nothing.
    QByteArray m_call;
    QByteArray m_search;
    bool m_callImpossible = false;
    bool m_searchImpossible = false;
    bool m_impossible = false;

    QByteArray foldedText(const QString &text, bool *impossible) const;
    bool contains(const char *field, int width, const QByteArray &needle) const;
};
