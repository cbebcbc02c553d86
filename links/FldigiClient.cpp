#include "links/FldigiClient.h"

#include "links/XmlRpc.h"
#include "links/XmlRpcCall.h"


namespace links {

FldigiClient::FldigiClient(const QString &host, quint16 port, QObject *parent)
    : QObject(parent), m_host(host), m_port(port)
{
}

QString FldigiClient::where() const
{
    return QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

bool FldigiClient::fetchContact(std::function<void(const Parsed<FldigiContact> &)> done)
{
    if (m_fetching)
        return false;
    m_fetching = true;
    XmlRpcCall::start(this, m_host, m_port, QStringLiteral("system.multicall"),
                      FldigiContact::question(), TimeoutMs,
                      [this, done = std::move(done)](const Parsed<QVariant> &answer) {
                          m_fetching = false;
                          if (!answer)
                              done(Parsed<FldigiContact>::failure(answer.error()));
                          else
                              done(FldigiContact::fromAnswer(answer.value()));
                      });
    return true;
}

void FldigiClient::probe(std::function<void(const Parsed<QString> &)> done)
{
    XmlRpcCall::start(this, m_host, m_port, QStringLiteral("fldigi.version"), {}, TimeoutMs,
                      [done = std::move(done)](const Parsed<QVariant> &answer) {
                          const std::optional<QString> text =
                                  answer ? xmlrpc::text(answer.value()) : std::nullopt;
                          if (text)
                              done(*text);
                          else
                              done(Parsed<QString>::failure(
                                      answer ? QStringLiteral("an answer that is no version")
                                             : answer.error()));
                      });
}

} // namespace links
