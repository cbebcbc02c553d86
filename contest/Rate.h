#pragma once

#include <QDateTime>

#include <vector>

namespace contest {

// Contacts in the minutes before a moment: the contester's rate.
class Rate
{
public:
    void clear() { m_times.clear(); }
    void add(const QDateTime &when);
    // Contacts logged in the `minutes` before `at`, `at` itself included.
    int count(const QDateTime &at, int minutes) const;

private:
    std::vector<qint64> m_times; // seconds since the epoch, sorted
};

} // namespace contest
