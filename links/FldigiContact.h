#pragma once

#include "links/Parsed.h"

#include <QString>
#include <QVariant>

namespace links {

// The contact in fldigi's log panel, with its frequency and modem, as fldigi gives
// them: fetched in one system.multicall so the values belong together.
struct FldigiContact
{
    QString call;
    QString name;
    QString qth;
    QString rstIn;
    QString rstOut;
    QString frequencyKhz; // log.get_frequency: dial plus audio carrier, in kHz
    QString modem;

    // The parameter of the multicall that asks for all of the above, in order.
    static QVariantList question();
    // The answer to it; refused unless every entry is a text.
    static Parsed<FldigiContact> fromAnswer(const QVariant &answer);
};

} // namespace links
