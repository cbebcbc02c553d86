#pragma once

#include "links/Parsed.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <variant>

// The messages WSJT-X and JTDX send over UDP: big-endian QDataStream fields behind a
// magic number, a schema and a type. Only what the logbook needs is read.
namespace links::wsjtx {

constexpr quint32 Magic = 0xadbccbda;
constexpr qsizetype MaxDatagram = 64 * qsizetype(1024);

struct Heartbeat
{
    quint32 maxSchema = 0;
    QString version;
};

// Type 5, "QSO Logged". Times are UTC.
struct QsoLogged
{
    QDateTime timeOff;
    QString dxCall;
    QString dxGrid;
    quint64 txFrequencyHz = 0;
    QString mode;
    QString reportSent;
    QString reportReceived;
    QString txPower;
    QString comments;
    QString name;
    QDateTime timeOn;
};

// Type 12, "Logged ADIF": a whole ADIF file holding one record.
struct LoggedAdif
{
    QString adif;
};

struct Message
{
    quint32 schema = 0;
    quint32 type = 0;
    QString id;
    // Nothing for the types the logbook has no use for.
    std::variant<std::monostate, Heartbeat, QsoLogged, LoggedAdif> body;
};

// One datagram. Schemas 2 and 3 are read; fields after the ones the logbook uses are
// ignored, so later versions that append fields still read.
Parsed<Message> parse(QByteArrayView datagram);

} // namespace links::wsjtx
