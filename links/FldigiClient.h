#pragma once

#include "links/FldigiContact.h"
#include "links/Parsed.h"

#include <QObject>

#include <functional>

namespace links {

// Asks fldigi over XML-RPC, never waiting: each question gets its answer, or the
// reason there is none, from the event loop within the time allowed.
class FldigiClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int TimeoutMs = 1500;

    FldigiClient(const QString &host, quint16 port, QObject *parent = nullptr);

    // The contact in fldigi's log panel. One question at a time: false while one is out.
    bool fetchContact(std::function<void(const Parsed<FldigiContact> &)> done);
    // fldigi's version, to show that it answers.
    void probe(std::function<void(const Parsed<QString> &)> done);

    QString where() const;

private:
    QString m_host;
    quint16 m_port;
    bool m_fetching = false;
};

} // namespace links
