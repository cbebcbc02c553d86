#pragma once

#include "storage/QsoRecord.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace formats {

// One logbook record read for the outside world: what could be understood of its
// fields, and why a record cannot be exported at all.
struct Contact
{
    qint64 number = 0; // record number in the logbook
    QString call; // ASCII
    QDate date;
    QTime time;
    QString band; // ADIF band name, e.g. "20m"; empty when unknown
    QString freq; // MHz as text, only when a frequency was typed
    QString cabrilloFreq; // kHz or band designator; empty without band or frequency
    QString mode; // ADIF mode; empty when unknown
    QString submode;
    QString cabrilloMode; // CW, PH, FM, RY, DG; empty when the mode is unknown
    QString modeProblem; // why a typed mode is none
    bool phone = false; // reports are RS (59)
    QString rstSent, stx, rstRcvd, srx;
    QString name, qth;
    QString grid; // a Maidenhead locator found in the QTH field

    QString skipReason; // non-empty: the record cannot be exported
    QStringList warnings; // fields left out
    QStringList textWarnings; // name and QTH changed to be written
};

Contact readContact(const storage::QsoRecord &record, qint64 number);

// A report followed by digits (599 then 13) split in two; the report part is two
// digits for phone modes, three for the others.
void splitExchange(const QString &text, bool phone, const QString &ownNumber, QString *report,
                   QString *serial);

} // namespace formats
