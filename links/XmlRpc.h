#pragma once

#include "links/Parsed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QVariant>

#include <optional>

namespace links {

// XML-RPC as fldigi speaks it. Values map to QVariant: a string to QString, int/i4/i8
// to qint64, double to double, boolean to bool, array to QVariantList, struct to
// QVariantMap.
namespace xmlrpc {

constexpr qsizetype MaxAnswer = 64 * qsizetype(1024);
constexpr int MaxDepth = 16;

// The body of a methodCall.
QByteArray request(const QString &method, const QVariantList &params = {});

// The whole HTTP request that carries it.
QByteArray httpPost(const QString &host, quint16 port, const QByteArray &body);

// The value of a methodResponse, or why there is none (a fault, or bytes that are no
// answer). Answers over MaxAnswer bytes or nested deeper than MaxDepth are refused.
Parsed<QVariant> parseAnswer(QByteArrayView xml);

// One call of system.multicall: the method and its parameters.
QVariant multicallEntry(const QString &method, const QVariantList &params = {});

// The text of a scalar answer; an array or struct has none.
std::optional<QString> text(const QVariant &value);

} // namespace xmlrpc
} // namespace links
