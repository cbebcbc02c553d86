#include "links/FldigiContact.h"

#include "links/XmlRpc.h"

#include <array>

namespace links {

namespace {

constexpr std::array<const char *, 7> Methods = { "log.get_call",   "log.get_name",
                                                  "log.get_qth",    "log.get_rst_in",
                                                  "log.get_rst_out", "log.get_frequency",
                                                  "modem.get_name" };

} // namespace

QVariantList FldigiContact::question()
{
    QVariantList calls;
    for (const char *method : Methods)
        calls.append(xmlrpc::multicallEntry(QLatin1String(method)));
    return { QVariant(calls) };
}

Parsed<FldigiContact> FldigiContact::fromAnswer(const QVariant &answer)
{
    // Each entry is an array of one value, or a fault struct.
    const QVariantList entries = answer.toList();
    if (answer.typeId() != QMetaType::QVariantList || entries.size() != qsizetype(Methods.size()))
        return Parsed<FldigiContact>::failure(QStringLiteral("an answer of the wrong shape"));
    std::array<QString, Methods.size()> texts;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QVariantList one = entries[i].toList();
        const std::optional<QString> text =
                one.size() == 1 && entries[i].typeId() == QMetaType::QVariantList
                ? xmlrpc::text(one.first())
                : std::nullopt;
        if (!text)
            return Parsed<FldigiContact>::failure(
                    QStringLiteral("no text for %1").arg(QLatin1String(Methods[size_t(i)])));
        texts[size_t(i)] = *text;
    }
    return FldigiContact { texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6] };
}

} // namespace links
