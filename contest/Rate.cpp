#include "contest/Rate.h"

#include <algorithm>

namespace contest {

void Rate::add(const QDateTime &when)
{
    if (!when.isValid())
        return;
    const qint64 t = when.toSecsSinceEpoch();
    // Contacts come in time order; one typed late is put in its place.
    if (m_times.empty() || m_times.back() <= t)
        m_times.push_back(t);
    else
        m_times.insert(std::upper_bound(m_times.begin(), m_times.end(), t), t);
}

int Rate::count(const QDateTime &at, int minutes) const
{
    const qint64 end = at.toSecsSinceEpoch();
    const qint64 start = end - qint64(minutes) * 60;
    const auto first = std::upper_bound(m_times.begin(), m_times.end(), start);
    const auto last = std::upper_bound(m_times.begin(), m_times.end(), end);
    return int(last - first);
}

} // namespace contest
