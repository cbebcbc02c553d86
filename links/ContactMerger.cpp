#include "links/ContactMerger.h"

namespace links {

ContactMerger::ContactMerger(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(WaitMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_waiting) {
            const LoggedContact waiting = *m_waiting;
            m_waiting.reset();
            hand(waiting);
        }
    });
}

void ContactMerger::takeQsoLogged(const LoggedContact &contact)
{
    if (m_seen.contains(contact.key))
        return;
    // A second contact before the first one's ADIF: the first goes as it is.
    if (m_waiting && m_waiting->key != contact.key) {
        const LoggedContact earlier = *m_waiting;
        m_waiting.reset();
        hand(earlier);
    }
    if (!m_waiting)
        m_waiting = contact;
    m_timer.start();
}

void ContactMerger::takeAdif(const LoggedContact &contact)
{
    if (m_waiting) {
        // Its own twin replaces the waiting one; another contact's ADIF comes after the
        // one that was logged first, so the logbook keeps WSJT-X's order.
        const LoggedContact earlier = *m_waiting;
        m_waiting.reset();
        m_timer.stop();
        if (earlier.key != contact.key)
            hand(earlier);
    }
    hand(contact);
}

void ContactMerger::hand(const LoggedContact &contact)
{
    if (m_seen.contains(contact.key))
        return;
    m_seen.insert(contact.key);
    m_seenOrder.enqueue(contact.key);
    if (m_seenOrder.size() > Remembered)
        m_seen.remove(m_seenOrder.dequeue());
    Q_EMIT logged(contact);
}

} // namespace links
