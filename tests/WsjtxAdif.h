#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// The ADIF text a real WSJT-X 2.6.1 sent in its "Logged ADIF" message (captured, with the
// other datagrams of one logged contact, in data/wsjtx-2.6.1-datagrams.jsonl).
inline QByteArray wsjtxAdif()
{
    QFile file(QFINDTESTDATA("data/wsjtx-2.6.1-datagrams.jsonl"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value("type").toInt() == 12)
            return o.value("adif_text").toString().toUtf8();
    }
    return {};
}
