#include "TestSupport.h"
#include "links/AdifRecord.h"
#include "links/FldigiContact.h"
#include "links/HttpResponseReader.h"
#include "links/LoggedContact.h"
#include "links/RigctldReader.h"
#include "links/WsjtxDatagram.h"
#include "links/XmlRpc.h"

#include <QDataStream>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

using namespace links;

// The readers of what fldigi, rigctld and WSJT-X send, against bytes the real programs
// sent and against hostile ones.
class TestLinkParse : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void xmlRpcAnswers_data();
    void xmlRpcAnswers();
    void fldigiMulticall();
    void httpAnyPieces_data();
    void httpAnyPieces();
    void rigctldAnswers_data();
    void rigctldAnswers();
    void wsjtxGolden();
    void wsjtxPrefixesAndTails();
    void wsjtxSchemas_data();
    void wsjtxSchemas();
    void wsjtxGeneratedQsos();
    void adifRecords_data();
    void adifRecords();
};

namespace {

// As fldigi 4.1.23 answered (its header spells "Content-length").
QByteArray fldigiHttp(const QByteArray &value)
{
    const QByteArray body = "<?xml version=\"1.0\"?>\r\n<methodResponse><params><param>\r\n\t"
            + value + "\r\n</param></params></methodResponse>\r\n";
    return "HTTP/1.1 200 OK\r\nServer: XMLRPC++ 0.8\r\nContent-Type: text/xml\r\nContent-length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray answerBody(const QByteArray &value)
{
    return "<?xml version=\"1.0\"?><methodResponse><params><param>" + value
            + "</param></params></methodResponse>";
}

QHash<int, QByteArray> goldenDatagrams()
{
    QHash<int, QByteArray> out;
    QFile file(QFINDTESTDATA("data/wsjtx-2.6.1-datagrams.jsonl"));
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty())
            out.insert(o.value("type").toInt(), QByteArray::fromHex(o.value("hex").toString().toLatin1()));
    }
    return out;
}

QByteArray recordBytes(const storage::QsoRecord &record)
{
    return QByteArray(record.bytes.data(), storage::QsoRecord::Size);
}

} // namespace

void TestLinkParse::xmlRpcAnswers_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QVariant>("value"); // invalid: refused
    QTest::addColumn<QString>("why");
    QTest::newRow("untyped string") << answerBody("<value>DL1ABC</value>") << QVariant("DL1ABC") << "";
    QTest::newRow("empty") << answerBody("<value></value>") << QVariant("") << "";
    QTest::newRow("entities and UTF-8")
            << answerBody("<value>DL1\xc3\x84""BC&amp;&lt;X</value>") << QVariant("DL1ÄBC&<X") << "";
    QTest::newRow("double") << answerBody("<value><double>14070000.000000</double></value>")
                            << QVariant(14070000.0) << "";
    QTest::newRow("i4") << answerBody("<value>\n<i4>-7</i4>\n</value>") << QVariant(qint64(-7)) << "";
    QTest::newRow("fault")
            << QByteArray("<?xml version=\"1.0\"?><methodResponse><fault>\n\t<value><struct><member>"
                          "<name>faultCode</name><value><i4>-1</i4></value></member><member><name>"
                          "faultString</name><value>no.such.method: unknown method name</value>"
                          "</member></struct></value>\n</fault></methodResponse>")
            << QVariant() << "fault -1: no.such.method: unknown method name";
    QTest::newRow("not a number") << answerBody("<value><double>lots</double></value>") << QVariant()
                                  << "a double that is not one";
    QTest::newRow("two values") << answerBody("<value><i4>1</i4><i4>2</i4></value>") << QVariant()
                                << "two values in one";
    QTest::newRow("cut short") << answerBody("<value>DL1").left(60) << QVariant() << "";
    QTest::newRow("document type")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaa\">]>") + answerBody("<value>&a;</value>").mid(21)
            << QVariant() << "a document type or entity";
    QByteArray deep;
    for (int i = 0; i < 40; ++i)
        deep += "<value><array><data>";
    QTest::newRow("nested too deep") << answerBody(deep) << QVariant() << "values nested too deep";
    QTest::newRow("over 64 KiB") << answerBody("<value>" + QByteArray(70000, 'x') + "</value>")
                                 << QVariant() << "the answer is too long";
    QTest::newRow("not XML") << QByteArray("\x00\xff garbage", 10) << QVariant() << "";
}

void TestLinkParse::xmlRpcAnswers()
{
    QFETCH(QByteArray, xml);
    QFETCH(QVariant, value);
    QFETCH(QString, why);
    const Parsed<QVariant> answer = xmlrpc::parseAnswer(xml);
    QCOMPARE(answer.ok(), value.isValid());
    if (value.isValid())
        QCOMPARE(answer.value(), value);
    else if (!why.isEmpty())
        QCOMPARE(answer.error(), why);
}

void TestLinkParse::fldigiMulticall()
{
    // What fldigi answers to the multicall vantel sends, and what vantel sends, byte for byte.
    QByteArray asked = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><methodCall><methodName>system."
                       "multicall</methodName><params><param><value><array><data>";
    for (const char *method : { "log.get_call", "log.get_name", "log.get_qth", "log.get_rst_in",
                                "log.get_rst_out", "log.get_frequency", "modem.get_name" })
        asked += QByteArray("<value><struct><member><name>methodName</name><value><string>") + method
                + "</string></value></member><member><name>params</name><value><array><data/>"
                  "</array></value></member></struct></value>";
    asked += "</data></array></value></param></params></methodCall>\n";
    QCOMPARE(xmlrpc::request(QStringLiteral("system.multicall"), FldigiContact::question()), asked);
    QByteArray entries;
    for (const char *text : { "DL1ABC", "Hans", "Berlin", "579", "599", "7041.500", "BPSK31" })
        entries += QByteArray("<value><array><data><value>") + text + "</value></data></array></value>";
    const auto answer = xmlrpc::parseAnswer(answerBody("<value><array><data>" + entries + "</data></array></value>"));
    QVERIFY2(answer.ok(), qPrintable(answer.error()));
    const auto contact = FldigiContact::fromAnswer(answer.value());
    QVERIFY2(contact.ok(), qPrintable(contact.error()));
    QCOMPARE(contact.value().call, "DL1ABC");
    QCOMPARE(contact.value().qth, "Berlin");
    QCOMPARE(contact.value().rstIn, "579");
    QCOMPARE(contact.value().frequencyKhz, "7041.500");
    QCOMPARE(contact.value().modem, "BPSK31");
    // One entry a fault: nothing of it is taken.
    entries.replace("<value><array><data><value>Hans</value></data></array></value>",
                    "<value><struct><member><name>faultCode</name><value><i4>-1</i4></value></member></struct></value>");
    const auto faulty = xmlrpc::parseAnswer(answerBody("<value><array><data>" + entries + "</data></array></value>"));
    QVERIFY(faulty.ok());
    QCOMPARE(FldigiContact::fromAnswer(faulty.value()).error(), "no text for log.get_name");
}

void TestLinkParse::httpAnyPieces_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("closes"); // the peer closes after the bytes
    QTest::addColumn<QByteArray>("body"); // empty: refused
    const QByteArray fldigi = fldigiHttp("<value>BPSK31</value>");
    QTest::newRow("fldigi") << fldigi << false << fldigi.mid(fldigi.indexOf("\r\n\r\n") + 4);
    QTest::newRow("more than the length") << fldigi + "junk" << false << fldigi.mid(fldigi.indexOf("\r\n\r\n") + 4);
    QTest::newRow("no length, ends at close")
            << QByteArray("HTTP/1.0 200 OK\r\n\r\n<x/>") << true << QByteArray("<x/>");
    QTest::newRow("closed before the length") << fldigi.chopped(3) << true << QByteArray();
    QTest::newRow("status 500") << QByteArray("HTTP/1.1 500 Oops\r\nContent-Length: 2\r\n\r\nno") << false << QByteArray();
    QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nno\r\n0\r\n\r\n") << true << QByteArray();
    QTest::newRow("length too big") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9999999\r\n\r\n") << false << QByteArray();
    QTest::newRow("header without end") << "HTTP/1.1 200 OK\r\nX: " + QByteArray(9000, 'a') << false << QByteArray();
    QTest::newRow("endless body") << "HTTP/1.1 200 OK\r\n\r\n" + QByteArray(70000, 'a') << true << QByteArray();
    QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH\r\n\r\n") << true << QByteArray();
}

void TestLinkParse::httpAnyPieces()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closes);
    QFETCH(QByteArray, body);
    // However the socket cuts the bytes, the reader comes to the same end.
    const auto readInPieces = [&](const QList<qsizetype> &cuts) {
        HttpResponseReader reader;
        qsizetype from = 0;
        for (const qsizetype cut : cuts) {
            reader.feed(QByteArrayView(bytes).sliced(from, cut - from));
            from = cut;
        }
        reader.feed(QByteArrayView(bytes).sliced(from));
        if (closes)
            reader.finish();
        return reader;
    };
    const auto check = [&](const HttpResponseReader &reader) {
        if (body.isEmpty())
            return reader.state() == HttpResponseReader::State::Failed;
        return reader.state() == HttpResponseReader::State::Complete && reader.body() == body;
    };
    QVERIFY(check(readInPieces({})));
    for (qsizetype cut = 1; cut < std::min<qsizetype>(bytes.size(), 400); ++cut)
        QVERIFY2(check(readInPieces({ cut })), qPrintable(QString::number(cut)));
    QList<qsizetype> everyByte;
    for (qsizetype i = 1; i < std::min<qsizetype>(bytes.size(), 400); ++i)
        everyByte << i;
    QVERIFY(check(readInPieces(everyByte)));
}

void TestLinkParse::rigctldAnswers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("state"); // 0 reading, 1 complete, 2 failed
    QTest::addColumn<qint64>("hz"); // -1: none
    QTest::addColumn<QString>("mode"); // empty: none
    // As rigctld 4.5.4 with the dummy rig answered "f\nm\n".
    QTest::newRow("fresh dummy") << QByteArray("145000000\nFM\n15000\n") << 1 << qint64(145000000) << "FM";
    QTest::newRow("USB") << QByteArray("7040000\nUSB\n2400\n") << 1 << qint64(7040000) << "USB";
    QTest::newRow("passband 0") << QByteArray("3573000\nPKTUSB\n0\n") << 1 << qint64(3573000) << "PKTUSB";
    QTest::newRow("older hamlib fraction") << QByteArray("14074000.000000\nCW\n500\n") << 1 << qint64(14074000) << "CW";
    QTest::newRow("both errors") << QByteArray("RPRT -11\nRPRT -11\n") << 1 << qint64(-1) << "";
    QTest::newRow("frequency error") << QByteArray("RPRT -5\nLSB\n2400\n") << 1 << qint64(-1) << "LSB";
    QTest::newRow("carriage returns") << QByteArray("7040000\r\nCW\r\n500\r\n") << 1 << qint64(7040000) << "CW";
    QTest::newRow("half an answer") << QByteArray("7040000\nUS") << 0 << qint64(-1) << "";
    QTest::newRow("more than asked") << QByteArray("7040000\nCW\n500\nRPRT 0\n") << 2 << qint64(-1) << "";
    QTest::newRow("words for a frequency") << QByteArray("Frequency: 7040000\n") << 2 << qint64(-1) << "";
    QTest::newRow("negative frequency") << QByteArray("-7040000\nCW\n500\n") << 2 << qint64(-1) << "";
    QTest::newRow("endless line") << QByteArray(300, '7') << 2 << qint64(-1) << "";
    QTest::newRow("mode in lower case") << QByteArray("7040000\nusb\n2400\n") << 2 << qint64(-1) << "";
    QTest::newRow("thirteen digits") << QByteArray("1234567890123\nCW\n500\n") << 2 << qint64(-1) << "";
}

void TestLinkParse::rigctldAnswers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, state);
    QFETCH(qint64, hz);
    QFETCH(QString, mode);
    // All at once and byte by byte alike.
    for (const bool byByte : { false, true }) {
        RigctldReader reader;
        if (byByte) {
            for (const char c : bytes)
                reader.feed(QByteArrayView(&c, 1));
        } else {
            reader.feed(bytes);
        }
        QCOMPARE(int(reader.state()), state);
        if (state != 1)
            continue;
        QCOMPARE(reader.reading().frequencyHz.value_or(-1), hz);
        QCOMPARE(reader.reading().mode.value_or(QString()), mode);
    }
}

void TestLinkParse::wsjtxGolden()
{
    const QHash<int, QByteArray> golden = goldenDatagrams();
    QCOMPARE(golden.size(), 4);
    const auto beat = wsjtx::parse(golden[0]);
    QVERIFY(beat.ok());
    QCOMPARE(beat.value().id, "WSJT-X");
    QCOMPARE(std::get<wsjtx::Heartbeat>(beat.value().body).version, "2.6.1");
    const auto status = wsjtx::parse(golden[1]);
    QVERIFY(status.ok());
    QVERIFY(std::holds_alternative<std::monostate>(status.value().body));

    const auto logged = wsjtx::parse(golden[5]);
    QVERIFY(logged.ok());
    const auto &qso = std::get<wsjtx::QsoLogged>(logged.value().body);
    QCOMPARE(qso.dxCall, "DL1ABC");
    QCOMPARE(qso.txFrequencyHz, quint64(14075500));
    QCOMPARE(qso.timeOn, QDateTime(QDate(2026, 12, 7), QTime(8, 8, 38, 28), Qt::UTC));
    const auto fromFive = contactFromQsoLogged(qso);
    QVERIFY(fromFive);
    QCOMPARE(recordBytes(fromFive->record), ts::record("", "DL1ABC", "07.12.26 08:08", "", "", "14", "FT8", "", "JO62"));

    const auto adif = wsjtx::parse(golden[12]);
    QVERIFY(adif.ok());
    const auto fields = adif::firstRecord(std::get<wsjtx::LoggedAdif>(adif.value().body).adif);
    QVERIFY2(fields.ok(), qPrintable(fields.error()));
    QCOMPARE(fields.value().value("rst_sent"), "");
    const auto fromTwelve = contactFromAdif(fields.value());
    QVERIFY(fromTwelve);
    QCOMPARE(recordBytes(fromTwelve->record), ts::record("", "DL1ABC", "07.12.26 08:08", "", "", "14", "FT8", "", "JO62"));
    // The two messages of one contact carry the same key.
    QCOMPARE(fromFive->key, fromTwelve->key);
}

void TestLinkParse::wsjtxPrefixesAndTails()
{
    const QHash<int, QByteArray> golden = goldenDatagrams();
    // QSO Logged is read up to its time on (byte 101); what WSJT-X appends after that
    // is of no use to the logbook, so a datagram that stops there still reads.
    for (const int type : { 5, 12 }) {
        const QByteArray whole = golden[type];
        const qsizetype needed = type == 5 ? 101 : whole.size();
        QVERIFY(wsjtx::parse(whole.left(needed)).ok());
        for (qsizetype n = 0; n < needed; ++n)
            QVERIFY2(!wsjtx::parse(whole.left(n)).ok(), qPrintable(QStringLiteral("%1 bytes").arg(n)));
        // Fields a later version appends are ignored.
        const auto longer = wsjtx::parse(whole + QByteArray("\x00\x00\x00\x03new", 7));
        QVERIFY(longer.ok());
        QCOMPARE(longer.value().type, quint32(type));
    }
}

void TestLinkParse::wsjtxSchemas_data()
{
    QTest::addColumn<int>("schema");
    QTest::addColumn<bool>("read");
    QTest::newRow("1") << 1 << false;
    QTest::newRow("2") << 2 << true;
    QTest::newRow("3") << 3 << true;
    QTest::newRow("4") << 4 << false;
}

void TestLinkParse::wsjtxSchemas()
{
    QFETCH(int, schema);
    QFETCH(bool, read);
    QByteArray datagram = goldenDatagrams()[12];
    datagram[7] = char(schema);
    QCOMPARE(wsjtx::parse(datagram).ok(), read);
    datagram = goldenDatagrams()[12];
    datagram[0] = char(0xac);
    QVERIFY(!wsjtx::parse(datagram).ok());
}

// Generator, model, checker: QSO Logged messages written with QDataStream (as WSJT-X
// writes them) with random texts, frequencies and time specs, against the record a
// careful clerk would write.
void TestLinkParse::wsjtxGeneratedQsos()
{
    QRandomGenerator random(20261207);
    const QStringList calls { "DL1ABC", "g4xyz/p", "VERYLONGCALLSIGN/MM", "", "F5\tTAB", "JA1ÄÖ" };
    const QStringList names { "", "Hans", "Zdeněk", "Ann\nLine", "Bartholomew the Great" };
    const QList<quint64> freqs { 14075500, 7074000, 1840000, 50313000, 144174000, 0, 10136000 };
    const QStringList bands { "14", "7", "1.8", "50.3", "144", "", "10" };
    for (int round = 0; round < 300; ++round) {
        const QString call = calls[random.bounded(int(calls.size()))];
        const QString name = names[random.bounded(int(names.size()))];
        const int f = random.bounded(int(freqs.size()));
        const int year = random.bounded(4) ? 2000 + random.bounded(40) : 1900 + random.bounded(300);
        const QDateTime on(QDate(year, 1 + random.bounded(12), 1 + random.bounded(28)),
                           QTime(random.bounded(24), random.bounded(60), random.bounded(60)), Qt::UTC);
        const int spec = random.bounded(2) ? 1 : 2;
        const qint32 offset = spec == 2 ? qint32(random.bounded(-12, 13) * 3600) : 0;

        QByteArray datagram;
        QDataStream out(&datagram, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_4);
        const auto dateTime = [&](const QDateTime &utc) {
            const QDateTime shown = utc.addSecs(offset);
            out << qint64(shown.date().toJulianDay()) << quint32(shown.time().msecsSinceStartOfDay()) << quint8(spec);
            if (spec == 2)
                out << offset;
        };
        out << quint32(0xadbccbda) << quint32(2) << quint32(5) << QByteArray("WSJT-X");
        dateTime(on.addSecs(60));
        out << call.toUtf8() << QByteArray("JO62") << freqs[f] << QByteArray("FT4") << QByteArray("-07")
            << QByteArray("+03") << QByteArray("100") << QByteArray() << name.toUtf8();
        dateTime(on);

        const auto message = wsjtx::parse(datagram);
        QVERIFY(message.ok());
        const auto contact = contactFromQsoLogged(std::get<wsjtx::QsoLogged>(message.value().body));

        // The model: a call is taken as it is (letters in capitals) or refused; in the
        // other fields a control character is a space, one without a byte a "?".
        const auto clean = [](QString text, int width) {
            text.replace(QRegularExpression("[\\x00-\\x1f\\x{7f}-\\x{9f}]"), " ");
            text.replace(QRegularExpression("[^\\x{0}-\\x{ff}€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ]"), "?");
            return text.trimmed().left(width).toLatin1();
        };
        if (call.trimmed().isEmpty()) {
            QVERIFY(!contact);
            continue;
        }
        QVERIFY(contact);
        const bool refused = call.size() > 15 || call.contains(QRegularExpression("[^!-~]"))
                || year < 1969 || year > 2068;
        QCOMPARE(contact->refused.isEmpty(), !refused);
        if (refused)
            continue;
        QCOMPARE(recordBytes(contact->record),
                 ts::record("", call.toUpper().toLatin1().constData(), on.toString("dd.MM.yy HH:mm").toLatin1().constData(),
                            "+03", "-07", bands[f].toLatin1().constData(),
                            "FT4", clean(name, 10).constData(), "JO62"));
    }
}

void TestLinkParse::adifRecords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("record"); // empty: refused or no contact
    QTest::newRow("no header, FT4 as submode, QTH and name")
            << "<CALL:5>G4XYZ<QSO_DATE:8>20240309<TIME_ON:4>1842<MODE:4>MFSK<SUBMODE:3>FT4"
               "<BAND:3>40M<RST_RCVD:3>-12<RST_SENT:3>+01<NAME:4>Anne<QTH:6>London<GRIDSQUARE:4>IO91<EOR>"
            << ts::record("", "G4XYZ", "09.03.24 18:42", "-12", "+01", "7", "FT4", "Anne", "London");
    QTest::newRow("band off the list, from FREQ")
            << "x<eoh><call:4>W1AW <freq:9>50.313000 <band:2>6m <mode:3>FT8 <qso_date:8>20250101 <time_on:6>000000 <eor>"
            << ts::record("", "W1AW", "01.01.25 00:00", "", "", "50.3", "FT8", "", "");
    // The band field holds MHz like the list: a band beyond it by its lower edge.
    QTest::newRow("band name without FREQ")
            << "<call:4>w1aw<band:4>70cm<mode:3>FT8<eor>" << ts::record("", "W1AW", "", "", "", "420", "FT8", "", "");
    QTest::newRow("typed lengths, repeated field")
            << "<call:6:s>DL1ABC<call:5>WRONG<mode:2:E>CW<eor>" << ts::record("", "DL1ABC", "", "", "", "", "CW", "", "");
    // WSJT-X counts a name's characters; other programs count its UTF-8 bytes.
    QTest::newRow("accents, lengths in characters")
            << "<call:5>G4XYZ <name:6>Jérôme <qth:6>Zürich <eor>" << ts::record("", "G4XYZ", "", "", "", "", "", "J\xE9r\xF4me", "Z\xFCrich");
    QTest::newRow("accents, lengths in bytes")
            << "<call:5>G4XYZ <name:8>Jérôme <qth:7>Zürich <eor>" << ts::record("", "G4XYZ", "", "", "", "", "", "J\xE9r\xF4me", "Z\xFCrich");
    QTest::newRow("length past the end") << "<call:60>DL1ABC<eor>" << QByteArray();
    QTest::newRow("no end of record") << "<call:6>DL1ABC" << QByteArray();
    QTest::newRow("no call") << "<mode:3>FT8<eor>" << QByteArray();
    QTest::newRow("length not a number") << "<call:x>DL1ABC<eor>" << QByteArray();
    QTest::newRow("over the size limit") << "<call:6>DL1ABC" + QString(40000, ' ') + "<eor>" << QByteArray();
}

void TestLinkParse::adifRecords()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, record);
    const auto fields = adif::firstRecord(text);
    const auto contact = fields ? contactFromAdif(fields.value()) : std::nullopt;
    QCOMPARE(bool(contact), !record.isEmpty());
    if (contact)
        QCOMPARE(recordBytes(contact->record), record);
}

QTEST_GUILESS_MAIN(TestLinkParse)
#include "tst_linkparse.moc"
