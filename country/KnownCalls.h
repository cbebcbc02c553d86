#pragma once

#include "country/Loaded.h"

#include <QByteArray>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace country {

// The calls of a MASTER.SCP (known active contest calls, one a line), for check partial:
// which known calls contain what has been typed so far.
class KnownCalls
{
public:
    KnownCalls() = default;

    // Lines starting with '#' are comments; a call is upper-cased, anything else on its
    // line ignored. A line that is no call refuses the file.
    static Loaded<KnownCalls> fromMasterScp(const QByteArray &bytes, const QString &source);

    qsizetype size() const { return qsizetype(m_starts.size()); }
    // The "# Release ..." comment of the file, if it has one: "2023.05.02.00".
    const QString &release() const { return m_release; }

    struct Matches
    {
        QStringList calls; // in alphabetical order
        bool more = false; // further calls match beyond the limit
    };
    // The known calls containing `typed` (letter case ignored), at most `limit`. Fewer
    // than two characters, or characters no call has, match nothing.
    Matches containing(QStringView typed, int limit) const;
    bool contains(QStringView call) const;

private:
    QByteArrayView callAt(qsizetype index) const;

    void buildIndex();

    // "\nCALL1\nCALL2\n...\n", sorted and each call once.
    QByteArray m_text;
    std::vector<quint32> m_starts;
    // For each pair of adjacent characters, the calls holding it, in order: a search
    // looks only at the calls holding the typed text's rarest pair.
    std::vector<quint32> m_pairStarts;
    std::vector<quint32> m_pairCalls;
    QString m_release;
};

} // namespace country
