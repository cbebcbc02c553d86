#include "TestSupport.h"
#include "WsjtxAdif.h"
#include "TrickleDevice.h"
#include "adif/Reader.h"
#include "storage/TextCodec.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using adif::Problem;
using adif::Reader;

// The ADIF reader against files shaped as real programs write them, generated files
// read back through every cut between two reads, and input that is not ADIF at all.
class TestAdif : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shapes_data();
    void shapes();
    void notAdif_data();
    void notAdif();
    void notRegularFiles();
    void readError();
    void generated();
    void hundredMegabytes();

private:
    QString write(const QByteArray &bytes);
    QTemporaryDir m_dir;
    int m_files = 0;
};

namespace {

QString kindName(Problem::Kind kind)
{
    static const char *const names[] = { "past-end", "no-eor", "bad-length", "too-long", "too-many", "cut" };
    return names[int(kind)];
}

QString render(const QHash<QString, QString> &fields)
{
    QStringList names = fields.keys();
    names.sort();
    QStringList parts;
    for (const QString &name : names)
        parts << name + "=" + fields.value(name);
    return parts.join(' ');
}

QString render(const adif::Record &record)
{
    QString text = render(record.fields);
    for (const Problem &problem : record.problems)
        text += " !" + kindName(problem.kind) + (problem.field.isEmpty() ? "" : ":" + problem.field);
    return text;
}

QList<adif::Record> readAll(Reader &reader)
{
    QList<adif::Record> records;
    while (auto record = reader.next())
        records << *record;
    return records;
}

QStringList rendered(const QList<adif::Record> &records)
{
    QStringList out;
    for (const auto &record : records)
        out << render(record);
    return out;
}

QByteArray dataFile(const char *name)
{
    QFile file(QFINDTESTDATA(QString("data/") + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString TestAdif::write(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QString::number(++m_files) + ".adi");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestAdif::shapes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("header");

    // Written by Debian's xlog 2.0.24 under Xvfb: three contacts brought in with Log →
    // Import (adif v3), then Log → Export (adif v3). Free text with <e-mail> addresses
    // before <ADIF_VER>, byte counts of UTF-8, no SRX/STX.
    QTest::newRow("xlog export") << dataFile("xlog-2.0.24-export.adi")
            << QStringList {
                   "call=DL1ABC/P freq=50.313 gridsquare=JN47pi mode=FT8 name=Jérôme qso_date=20240309 qth=Zürich "
                   "rst_rcvd=-12 rst_sent=-05 time_on=1842",
                   "call=G4XYZ freq=144.300 mode=CW name=Anne qso_date=20240310 rst_rcvd=579 rst_sent=599 time_on=0915",
                   "call=OH2XYZ freq=7.040 mode=PSK name=Jussi qso_date=20240311 submode=PSK31 time_on=2001" }
            << "adif_ver=3.1.1";
    QTest::newRow("WSJT-X 2.6.1 Logged ADIF") << wsjtxAdif()
            << QStringList { "band=20m call=DL1ABC freq=14.075500 gridsquare=JO62 mode=FT8 my_gridsquare=IO91 "
                             "qso_date=20261207 qso_date_off=20261207 rst_rcvd= rst_sent= station_callsign=G4XYZ "
                             "time_off=080838 time_on=080838" }
            << "adif_ver=3.1.0 programid=WSJT-X";
    QTest::newRow("no header, lower-case tags, odd <eOr>")
            << QByteArray("<call:5>G4XYZ<qso_date:8>20240309<eOr><Call:4>W1AW<EoR>")
            << QStringList { "call=G4XYZ qso_date=20240309", "call=W1AW" } << "";
    QTest::newRow("header that starts with a tag, byte-order mark")
            << QByteArray("\xEF\xBB\xBF<ADIF_VER:5>3.1.4<eoh><CALL:4>W1AW<EOR>") << QStringList { "call=W1AW" }
            << "adif_ver=3.1.4";
    QTest::newRow("type indicators") << QByteArray("<CALL:6:S>DL1ABC <QSO_DATE:8:d>20240309 <FREQ : 6 : N >14.070<EOR>")
            << QStringList { "call=DL1ABC freq=14.070 qso_date=20240309" } << "";
    QTest::newRow("UTF-8 lengths in bytes") << QByteArray("<NAME:8>Jérôme <QTH:7>Zürich <CALL:4>SP1A<EOR>")
            << QStringList { "call=SP1A name=Jérôme qth=Zürich" } << "";
    // What WSJT-X and KLog write: QString lengths, in characters.
    QTest::newRow("UTF-8 lengths in characters")
            << QByteArray("<name:6>Jérôme <qth:6>Zürich<comment:11>tnx für QSO <call:4>SP1A <eor>")
            << QStringList { "call=SP1A comment=tnx für QSO name=Jérôme qth=Zürich" } << "";
    QTest::newRow("UTF-16 lengths, beyond U+FFFF") << QByteArray("<comment:5>73 😀 <call:4>SP1A<eor>")
            << QStringList { "call=SP1A comment=73 😀" } << "";
    QTest::newRow("a length that cuts a character") << QByteArray("<name:4>JoséX<call:4>SP1A<eor>")
            << QStringList { "call=SP1A name=Jos !cut:name" } << "";
    QTest::newRow("Windows-1252 file") << QByteArray("<NAME:6>J\xE9r\xF4me <COMMENT:4>5\x80 !<EOR>")
            << QStringList { "comment=5€ ! name=Jérôme" } << "";
    QTest::newRow("CRLF line ends")
            << QByteArray("Log\r\n<ADIF_VER:5>3.1.0\r\n<EOH>\r\n<CALL:4>W1AW\r\n<NAME:3>Ann\r\n<EOR>\r\n\r\n")
            << QStringList { "call=W1AW name=Ann" } << "adif_ver=3.1.0";
    QTest::newRow("truncated last record")
            << QByteArray("<call:4>W1AW<eor>\n<call:5>G4XYZ<mode:3>FT")
            << QStringList { "call=W1AW", "call=G4XYZ !past-end:mode !no-eor" } << "";
    QTest::newRow("no <EOR> at the end") << QByteArray("<call:4>W1AW<eor><call:5>G4XYZ\n")
            << QStringList { "call=W1AW", "call=G4XYZ !no-eor" } << "";
    QTest::newRow("'<' in values and text, empty records, bad length")
            << QByteArray("<eor><comment:7>a<b>c<d <x> text <call:4>W1AW<rst:x>599<eor><EOR>")
            << QStringList { "call=W1AW comment=a<b>c<d !bad-length:rst" } << "";
    QTest::newRow("a value over the limit is dropped")
            << "<comment:5000>" + QByteArray(5000, '<') + "<call:4>W1AW<eor>"
            << QStringList { "call=W1AW !too-long:comment" } << "";
    QByteArray many;
    QStringList kept;
    for (int i = 0; i < adif::MaxFields + 5; ++i) {
        const QByteArray name = "app_x_" + QByteArray::number(1000 + i);
        many += "<" + name + ":1>v";
        if (i < adif::MaxFields)
            kept << QString(name) + "=v";
    }
    kept.sort();
    QTest::newRow("fields over the limit are dropped")
            << many + "<eor>" << QStringList { kept.join(' ') + " !too-many:app_x_1256" } << "";
}

void TestAdif::shapes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, records);
    QFETCH(QString, header);
    QVERIFY(!bytes.isEmpty());
    Reader reader(write(bytes));
    QVERIFY2(reader.isAdif(), qPrintable(reader.error()));
    const QList<adif::Record> read = readAll(reader);
    QCOMPARE(rendered(read), records);
    QCOMPARE(render(reader.header()), header);
    QVERIFY(reader.error().isEmpty());
    for (int i = 0; i < read.size(); ++i) {
        QCOMPARE(read[i].index, qint64(i));
        QCOMPARE(bytes.at(read[i].offset), '<');
    }
    // The same bytes arriving a few at a time read the same.
    TrickleDevice pipe(bytes);
    Reader piped(&pipe, reader.encoding());
    QCOMPARE(rendered(readAll(piped)), records);
}

void TestAdif::notAdif_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("adif");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("PNG picture") << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") + "<call:4>W1AW<eor>" << false;
    QTest::newRow("ADIF in UTF-16") << QByteArray("\xFF\xFE<\0c\0a\0l\0l\0:\0" "1\0>\0X\0", 20) << false;
    QTest::newRow("CSV") << QByteArray("call,date,band\nW1AW,20240309,20m\n") << false;
    QTest::newRow("a vantel logbook") << ts::records(40) << false;
    QTest::newRow("first tag beyond the probe") << QByteArray(adif::ProbeBytes, 'x') + "<call:4>W1AW<eor>" << false;
    QTest::newRow("first tag at the probe's end")
            << QByteArray(adif::ProbeBytes - 10, '\n') + "<call:4>W1AW<eor>" << true;
    QTest::newRow("only <EOR>") << QByteArray("preamble <EOR>") << true;
}

void TestAdif::notAdif()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, adif);
    Reader reader(write(bytes));
    QCOMPARE(reader.isAdif(), adif);
    QCOMPARE(reader.error().isEmpty(), adif);
}

void TestAdif::notRegularFiles()
{
    // Opening must not wait for a writer on the FIFO.
    const QString fifo = m_dir.filePath("fifo.adi");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : { fifo, m_dir.path(), m_dir.filePath("missing.adi"), QString("/dev/zero") }) {
        Reader reader(path);
        QVERIFY2(!reader.isAdif(), qPrintable(path));
        QVERIFY(!reader.next());
        QVERIFY2(reader.error().startsWith(path + ": "), qPrintable(reader.error()));
    }
}

void TestAdif::readError()
{
    // A disk that fails part-way is not the end of the file: the caller learns of it.
    const QByteArray bytes = "<call:4>W1AW<eor><call:5>G4XYZ<name:4>Anne<eor>";
    TrickleDevice failing(bytes, 1, bytes.indexOf("<name"));
    Reader reader(&failing, Reader::Encoding::Utf8);
    QCOMPARE(render(*reader.next()), "call=W1AW");
    QCOMPARE(render(*reader.next()), "call=G4XYZ !no-eor");
    QVERIFY(!reader.next());
    QCOMPARE(reader.error(), "cannot read: Input/output error");
}

void TestAdif::generated()
{
    // Every file: random records in random spelling, read back through the file and a
    // pipe, equal to what was written, at the offsets where it was written.
    const quint32 seed = qEnvironmentVariableIsSet("VANTEL_ADIF_SEED")
            ? quint32(qEnvironmentVariableIntValue("VANTEL_ADIF_SEED"))
            : QRandomGenerator::global()->generate();
    QRandomGenerator rng(seed);
    auto pick = [&rng](const QStringList &from) { return from.at(rng.bounded(int(from.size()))); };
    const QStringList names { "call", "qso_date", "time_on", "band", "freq", "mode", "submode", "name", "qth",
                              "gridsquare", "rst_sent", "rst_rcvd", "srx_string", "comment", "app_n1mm_exch" };
    const QStringList blanks { "", " ", "\n", "\r\n", " \t " };
    const QString ascii = "ABCXYZ0189/-.,!?:;abcxyz";
    for (int file = 0; file < 300; ++file) {
        const bool utf8 = rng.bounded(2) == 0;
        const bool inCharacters = utf8 && rng.bounded(2) == 0; // as Qt programs count
        const QString extra = utf8 ? QString("éüßŁ中€😀") : QString("éüßÅ€ñ");
        auto encode = [&](const QString &text) { return utf8 ? text.toUtf8() : storage::toDisk(text); };
        auto spell = [&](QString word) {
            for (QChar &c : word)
                c = rng.bounded(2) ? c.toUpper() : c;
            return word;
        };
        auto lengthOf = [&](const QString &value) {
            return inCharacters ? value.size() : encode(value).size();
        };
        QByteArray bytes;
        QHash<QString, QString> header;
        const int headerKind = rng.bounded(3); // none, free text first, tags first
        if (headerKind > 0) {
            if (headerKind == 1)
                bytes += "Exported by a test <test@example.org>\nDate: 2024-03-09\n";
            header.insert("adif_ver", "3.1.4");
            bytes += "<" + encode(spell("adif_ver")) + ":5>3.1.4" + encode(pick(blanks)) + "<" + encode(spell("eoh")) + ">\n";
        }
        QList<QPair<qint64, QHash<QString, QString>>> model;
        const int records = rng.bounded(1, 12);
        for (int r = 0; r < records; ++r) {
            QHash<QString, QString> fields;
            qint64 offset = -1;
            for (int f = rng.bounded(1, 8); f > 0; --f) {
                const QString name = pick(names);
                if (fields.contains(name))
                    continue;
                QString value;
                for (int n = rng.bounded(0, rng.bounded(8) ? 16 : 300); n > 0; --n) {
                    const QString &from = rng.bounded(4) ? ascii : extra;
                    const qsizetype at = rng.bounded(int(from.size()));
                    value += from[at].isHighSurrogate() ? from.mid(at, 2) : from[at].isLowSurrogate() ? from.mid(at - 1, 2) : QString(from[at]);
                }
                if (!inCharacters && rng.bounded(5) == 0)
                    value += " <x> a<b";
                if (!utf8 && r == 0 && fields.isEmpty())
                    value += "éa"; // not UTF-8: the file is read as Windows-1252
                fields.insert(name, value);
                if (offset < 0)
                    offset = bytes.size();
                QByteArray tag = encode(spell(name)) + ":" + QByteArray::number(lengthOf(value));
                if (rng.bounded(4) == 0)
                    tag += rng.bounded(2) ? ":S" : ":m";
                bytes += "<" + tag + ">" + encode(value) + encode(pick(blanks));
            }
            bytes += "<" + encode(spell("eor")) + ">" + encode(pick(blanks));
            model.append({ offset, fields });
        }
        const Reader::Encoding encoding = utf8 ? Reader::Encoding::Utf8 : Reader::Encoding::Windows1252;
        Reader reader(write(bytes));
        TrickleDevice pipe(bytes, seed + file);
        Reader piped(&pipe, encoding);
        for (Reader *one : { &reader, &piped }) {
            const QList<adif::Record> read = readAll(*one);
            const QString where = QString("seed %1 file %2 (%3)").arg(seed).arg(file).arg(m_dir.filePath(QString::number(m_files) + ".adi"));
            QVERIFY2(one->encoding() == encoding, qPrintable(where));
            QVERIFY2(read.size() == model.size(), qPrintable(where));
            for (int r = 0; r < read.size(); ++r) {
                QVERIFY2(read[r].problems.isEmpty(), qPrintable(where + ": " + render(read[r])));
                QVERIFY2(read[r].fields == model[r].second, qPrintable(where + ": " + render(read[r]) + " / " + render(model[r].second)));
                QVERIFY2(read[r].offset == model[r].first && read[r].index == r, qPrintable(where));
            }
            QVERIFY2(one->header() == header, qPrintable(where));
        }
    }
    m_dir.setAutoRemove(!QTest::currentTestFailed());
}

void TestAdif::hundredMegabytes()
{
    // 100 MB through the reader: one record whose comment alone is 90 MB, then records,
    // while the peak memory of the process grows by far less than the file.
    const QString path = m_dir.filePath("big.adi");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("big\n<EOH>\n<CALL:4>W1AW<COMMENT:90000000>");
    const QByteArray chunk(1 << 20, 'c');
    for (int i = 0; i < 90000000 / chunk.size(); ++i)
        out.write(chunk);
    out.write(chunk.left(90000000 % chunk.size()));
    out.write("<EOR>\n");
    const QByteArray record = "<CALL:5>G4XYZ <QSO_DATE:8>20240309 <TIME_ON:4>1842 <BAND:3>20m <MODE:3>FT8 "
                              "<NAME:4>Anne <QTH:6>London <RST_SENT:3>-05 <RST_RCVD:3>-12 <EOR>\n";
    QByteArray block;
    while (block.size() < chunk.size())
        block += record;
    const int blocks = 10;
    for (int i = 0; i < blocks; ++i)
        out.write(block);
    out.close();

    auto peakKb = [] {
        QFile status("/proc/self/status");
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
        return -1LL;
    };
    const qint64 before = peakKb();
    Reader reader(path);
    const auto removeBig = qScopeGuard([&] { QFile::remove(path); });
    QVERIFY(reader.isAdif());
    const auto first = reader.next();
    QVERIFY(first);
    QCOMPARE(render(*first), "call=W1AW !too-long:comment");
    qint64 count = 0;
    std::optional<adif::Record> last;
    while (auto one = reader.next()) {
        QVERIFY(one->problems.isEmpty());
        last = std::move(one);
        ++count;
    }
    QCOMPARE(count, qint64(blocks * (block.size() / record.size())));
    QCOMPARE(last->value("qth"), "London");
    QCOMPARE(last->offset, out.size() - record.size());
    // AddressSanitizer keeps freed memory in quarantine: the peak says nothing there.
#ifndef __SANITIZE_ADDRESS__
    QVERIFY2(peakKb() - before < 16 * 1024, qPrintable(QString::number(peakKb() - before)));
#else
    Q_UNUSED(before);
#endif
}

QTEST_GUILESS_MAIN(TestAdif)
#include "tst_adif.moc"
