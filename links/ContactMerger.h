#pragma once

#include "links/LoggedContact.h"

#include <QObject>
#include <QQueue>
#include <QSet>
#include <QTimer>

#include <optional>

namespace links {

// WSJT-X tells of one logged contact twice: "QSO Logged", then "Logged ADIF". The ADIF
// is taken when it comes; the first alone when no ADIF follows within WaitMs. Either
// way each contact comes out once, however often it is told.
class ContactMerger : public QObject
{
    Q_OBJECT
public:
    static constexpr int WaitMs = 1000;
    static constexpr qsizetype Remembered = 4096;

    explicit ContactMerger(QObject *parent = nullptr);

    void takeQsoLogged(const LoggedContact &contact);
    void takeAdif(const LoggedContact &contact);

Q_SIGNALS:
    void logged(const links::LoggedContact &contact);

private:
    void hand(const LoggedContact &contact);

    std::optional<LoggedContact> m_waiting;
    QTimer m_timer;
    QSet<QString> m_seen;
    QQueue<QString> m_seenOrder;
};

} // namespace links
