#include "TestSupport.h"
#include "storage/Logbook.h"
#include "storage/QsoRecord.h"
#include "storage/Settings.h"
#include "storage/Logbook.h"
#include "storage/TakeIntoUse.h"
#include "storage/TextCodec.h"

#include <QTest>

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include <csignal>
#include <sys/resource.h>

using namespace storage;

class TestStorage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = new ts::WorkDir; }
    void cleanup() { delete m_dir; }
    void settingBytes_data();
    void settingBytes();
    void shorterSettingKeepsTail();
    void settingLengthLimit();
    void oddSettingFilesReadEmpty_data();
    void oddSettingFilesReadEmpty();
    void missingSettingIsCreatedEmpty();
    void countRecords_data();
    void countRecords();
    void countRefusesOverLimit();
    void takeIntoUseLooksAtTheFile_data();
    void takeIntoUseLooksAtTheFile();
    void noReadPastTheLimit();
    void writeRecordPlacement();
    void writeRecordNeverOverwritesWholeRecord();
    void writeRecordOverwritesPartialTail();
    void writeRecordFailureLeavesFile();
    void writeWaitsForAnotherStation_data();
    void writeWaitsForAnotherStation();
    void fieldFitting_data();
    void fieldFitting();
    void allByteValuesRoundTrip();
    void unencodableBecomesQuestionMark();
    void readerWalksBlocks();
    void findCall_data();
    void findCall();
    void unopenablePathsFail_data();
    void unopenablePathsFail();
    void emptyLogbookTruncates();
    void nextNumberChecksLimit();

private:
    ts::WorkDir *m_dir = nullptr;
};

void TestStorage::settingBytes_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("14") << QStringLiteral("14") << QByteArray("\x08\x00\x02\x00\x31\x34", 6);
    QTest::newRow("empty") << QString() << QByteArray("\x08\x00\x00\x00", 4);
    QTest::newRow("spaces kept") << QStringLiteral(" 599 ") << QByteArray("\x08\x00\x05\x00 599 ", 9);
    QTest::newRow("cp1252") << QStringLiteral("Jörg €")
                            << QByteArray("\x08\x00\x06\x00J\xF6rg \x80", 10);
}

void TestStorage::settingBytes()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, bytes);
    QVERIFY(writeSetting(QStringLiteral("band"), value).ok());
    QCOMPARE(ts::readFile(QStringLiteral("band")), bytes);
    const auto back = readSetting(QStringLiteral("band"));
    QVERIFY(back.ok());
    QCOMPARE(back.value(), value.isNull() ? QString() : value);
}

void TestStorage::shorterSettingKeepsTail()
{
    QVERIFY(writeSetting(QStringLiteral("deflog"), QStringLiteral("ABCDEFGHIJKLMNOPQRST")).ok());
    QVERIFY(writeSetting(QStringLiteral("deflog"), QStringLiteral("vwxyz")).ok());
    QCOMPARE(ts::readFile(QStringLiteral("deflog")),
             QByteArray("\x08\x00\x05\x00vwxyzFGHIJKLMNOPQRST", 24));
    QCOMPARE(readSetting(QStringLiteral("deflog")).value(), QStringLiteral("vwxyz"));
}

void TestStorage::settingLengthLimit()
{
    QVERIFY(writeSetting(QStringLiteral("sent"), QString(124, QLatin1Char('x'))).ok());
    QCOMPARE(ts::readFile(QStringLiteral("sent")).size(), 128);
    QCOMPARE(readSetting(QStringLiteral("sent")).value(), QString(124, QLatin1Char('x')));

    const Status refused = writeSetting(QStringLiteral("recv"), QString(125, QLatin1Char('x')));
    QVERIFY(!refused.ok());
    QCOMPARE(refused.error().kind, StorageError::Kind::RecordLength);
    QVERIFY(!QFile::exists(QStringLiteral("recv"))); // refused before the file is touched
}

void TestStorage::oddSettingFilesReadEmpty_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("length 0") << QByteArray();
    QTest::newRow("one byte") << QByteArray("\x08", 1);
    QTest::newRow("tag only") << QByteArray("\x08\x00", 2);
    QTest::newRow("other tag") << QByteArray("\x02\x00\x02\x00\x31\x34", 6);
    QTest::newRow("length past end") << QByteArray("\x08\x00\x09\x00\x31\x34", 6);
    QTest::newRow("length past record") << QByteArray("\x08\x00\xFF\x00", 4) + QByteArray(300, 'a');
}

void TestStorage::oddSettingFilesReadEmpty()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(ts::writeFile(QStringLiteral("mode"), bytes));
    const auto value = readSetting(QStringLiteral("mode"));
    QVERIFY(value.ok());
    QVERIFY(value.value().isEmpty());
    QCOMPARE(ts::readFile(QStringLiteral("mode")), bytes); // reading never changes the file
}

void TestStorage::missingSettingIsCreatedEmpty()
{
    QVERIFY(readSetting(QStringLiteral("utc_off")).value().isEmpty());
    QVERIFY(QFile::exists(QStringLiteral("utc_off")));
    QCOMPARE(QFileInfo(QStringLiteral("utc_off")).size(), 0);
}

void TestStorage::countRecords_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("count");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("84") << 84 << 0;
    QTest::newRow("85") << 85 << 1;
    QTest::newRow("171") << 171 << 2;
    QTest::newRow("32767 records") << 32767 * 85 << 32767;
}

void TestStorage::countRecords()
{
    QFETCH(int, length);
    QFETCH(int, count);
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), QByteArray(length, 'x')));
    const auto counted = storage::countRecords(QStringLiteral("a.log"));
    QVERIFY(counted.ok());
    QCOMPARE(int(counted.value()), count);
}

void TestStorage::countRefusesOverLimit()
{
    QVERIFY(ts::writeFile(QStringLiteral("big.log"), QByteArray(32768 * 85, 'x')));
    const auto counted = storage::countRecords(QStringLiteral("big.log"));
    QVERIFY(!counted.ok());
    QCOMPARE(counted.error().kind, StorageError::Kind::Overflow);
    QCOMPARE(countWholeRecords(QStringLiteral("big.log")).value(), 32768);
}

namespace {

// An ADIF file as another logger writes it: a header, then one line a contact.
QByteArray adifFile(int contacts, const QByteArray &lineEnd)
{
    QByteArray out = "Log of DL0XX" + lineEnd + "<ADIF_VER:5>3.1.4" + lineEnd + "<EOH>" + lineEnd;
    for (int i = 0; i < contacts; ++i)
        out += "<CALL:6>DL1ABC <QSO_DATE:8>20240309 <TIME_ON:4>1842 <BAND:3>20m <MODE:2>CW <EOR>"
                + lineEnd;
    return out;
}

} // namespace

// A file is a logbook only if it looks like one where it is cheap to look: its first
// and last records and the piece after them. What is not one is refused before a byte
// of it is touched, and a save never writes into it either.
void TestStorage::takeIntoUseLooksAtTheFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("looks"); // empty: a logbook
    QTest::addColumn<int>("count");
    const QByteArray adif = adifFile(490, "\r\n");
    QTest::newRow("ADIF, 491 records' worth") << adif << "ADIF file" << int(adif.size() / 85);
    QTest::newRow("ADIF on one line") << adifFile(40, "") << "ADIF file" << 0;
    QTest::newRow("ADIF, Unix lines, no header") << adifFile(40, "\n").mid(50) << "ADIF file" << 0;
    QTest::newRow("a listing") << QByteArray("Nr CallSign\r\r\n").repeated(30) << "line breaks" << 0;
    QTest::newRow("a binary file") << QByteArray(400, '\0') << "NUL bytes" << 0;
    QTest::newRow("grown by another program")
            << ts::records(3) + QByteArray(85 * 100, '\0') << "NUL bytes" << 0;
    QTest::newRow("ends in a piece with a tab") << ts::records(2) + "3  DL\t" << "control characters" << 0;
    QTest::newRow("ends in a line break") << ts::records(2) + "3  DL\n" << "line breaks" << 0;
    QTest::newRow("line break in the last record")
            << ts::records(60) + ts::record("61", "A\nB") << "line breaks" << 0;
    QTest::newRow("empty") << QByteArray() << "" << 0;
    QTest::newRow("a torn record of ours") << ts::records(3) + "4  PA" << "" << 3;
    QTest::newRow("torn in its number") << ts::records(999) + "1" << "" << 999;
    QTest::newRow("a note of the operator's") << ts::records(10) + "Hello, keep this" << "next contact's number" << 0;
    QTest::newRow("another number's piece") << ts::records(10) + "12 DL" << "next contact's number" << 0;
    QTest::newRow("a call \"<EOR>\"") << ts::record("1", "<EOR>") + ts::records(2, 2) << "" << 3;
    QTest::newRow("more than a logbook holds") << ts::records(32768) << "" << 32767;
}

void TestStorage::takeIntoUseLooksAtTheFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, looks);
    QFETCH(int, count);
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), bytes));
    const auto taken = takeIntoUse(QStringLiteral("a.log"), IfMissing::Fail);
    QCOMPARE(taken.ok(), looks.isEmpty());
    QsoRecord record;
    record.setField(QsoRecord::Call, QStringLiteral("F1"));
    const qint64 next = bytes.size() / 85 + 1; // where a save would go
    const Status saved = writeRecord(QStringLiteral("a.log"), next, record);
    if (!looks.isEmpty()) {
        QCOMPARE(taken.error().kind, StorageError::Kind::NotALogbook);
        QVERIFY2(taken.error().reason.contains(looks), qPrintable(taken.error().reason));
        QVERIFY(!saved.ok());
        QCOMPARE(ts::readFile(QStringLiteral("a.log")), bytes);
        return;
    }
    QCOMPARE(int(taken.value().count), count);
    QCOMPARE(taken.value().full(), count == 32767);
    QCOMPARE(taken.value().beyondLimit(), bytes.size() / 85 > 32767);
    QCOMPARE(saved.ok(), !taken.value().beyondLimit());
}

// A file another program made huge is never read past record 32767, however long.
void TestStorage::noReadPastTheLimit()
{
    QByteArray bytes = ts::records(32767) + ts::record("999", "PAST");
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), bytes));
    QsoRecord last;
    const auto found = storage::findCall(QStringLiteral("a.log"), QStringLiteral("PAST"), last);
    QVERIFY(found.ok());
    QVERIFY(!found.value());
    QCOMPARE(QByteArray(last.bytes.data(), 85), ts::record("32767", "C32767"));
    auto reader = LogbookReader::open(QStringLiteral("a.log"), IfMissing::Fail);
    QVERIFY(reader.ok());
    qint64 records = 0;
    for (auto block = reader.value().nextBlock(); block.records > 0; block = reader.value().nextBlock())
        records += block.records;
    QCOMPARE(records, qint64(32767));
}

void TestStorage::writeRecordPlacement()
{
    const QByteArray before = QByteArray(170, 'z') + "3";
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), before));
    QsoRecord record;
    record.setField(QsoRecord::Number, QStringLiteral("3"));
    record.setField(QsoRecord::Call, QStringLiteral("DL1ABC"));
    QVERIFY(writeRecord(QStringLiteral("a.log"), 3, record).ok());
    const QByteArray after = ts::readFile(QStringLiteral("a.log"));
    QCOMPARE(after.size(), 255);
    QCOMPARE(after.left(170), before.left(170));
    QCOMPARE(after.mid(170), QByteArray("3  DL1ABC         ") + QByteArray(67, ' '));
}

void TestStorage::writeRecordNeverOverwritesWholeRecord()
{
    const QByteArray before = ts::records(3);
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), before));
    const Status refused = writeRecord(QStringLiteral("a.log"), 3, QsoRecord());
    QVERIFY(!refused.ok());
    QCOMPARE(refused.error().kind, StorageError::Kind::RecordExists);
    QCOMPARE(ts::readFile(QStringLiteral("a.log")), before);
}

void TestStorage::writeRecordOverwritesPartialTail()
{
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), ts::records(1) + "2  " + QByteArray(37, '#')));
    QVERIFY(writeRecord(QStringLiteral("a.log"), 2, QsoRecord()).ok());
    QCOMPARE(ts::readFile(QStringLiteral("a.log")), ts::records(1) + QByteArray(85, ' '));
    // A piece that does not start as record 2 does is somebody else's.
    const QByteArray foreign = ts::records(1) + QByteArray(40, '#');
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), foreign));
    QVERIFY(!writeRecord(QStringLiteral("a.log"), 2, QsoRecord()).ok());
    QCOMPARE(ts::readFile(QStringLiteral("a.log")), foreign);
}

void TestStorage::writeRecordFailureLeavesFile()
{
    const Status full = writeRecord(QStringLiteral("/dev/full"), 1, QsoRecord());
    QVERIFY(!full.ok());
    QCOMPARE(full.error().kind, StorageError::Kind::File);
    QCOMPARE(full.error().reason, QStringLiteral("Not a regular file but a device"));
    QCOMPARE(full.error().path, QStringLiteral("/dev/full"));

    // A write that stops part-way through the record (here at a file size limit 40
    // bytes past the last whole record) leaves no torn record behind.
    const QByteArray before = ts::records(3);
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), before));
    struct rlimit old {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = 3 * 85 + 40;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const Status cut = writeRecord(QStringLiteral("a.log"), 4, QsoRecord());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!cut.ok());
    QCOMPARE(cut.error().reason, QStringLiteral("File too large"));
    QCOMPARE(ts::readFile(QStringLiteral("a.log")), before);
}

void TestStorage::writeWaitsForAnotherStation_data()
{
    QTest::addColumn<int>("holdMs"); // how long the other station keeps the lock
    QTest::addColumn<bool>("saved");
    QTest::newRow("lets go soon") << 200 << true;
    QTest::newRow("never lets go") << 1800 << false;
}

void TestStorage::writeWaitsForAnotherStation()
{
    QFETCH(int, holdMs);
    QFETCH(bool, saved);
    // Another station holds the logbook's lock (a POSIX record lock, as it would on a
    // network share) while it saves.
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), ts::records(2)));
    const int other = ::open("a.log", O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    QCOMPARE(::fcntl(other, F_OFD_SETLK, &lock), 0);
    std::thread station([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        ::close(other);
    });
    QsoRecord record;
    record.setField(QsoRecord::Call, QStringLiteral("MINE"));
    const Status result = writeRecord(QStringLiteral("a.log"), 3, record);
    station.join();
    QCOMPARE(result.ok(), saved);
    if (saved) {
        QCOMPARE(ts::readFile(QStringLiteral("a.log")).mid(170, 18), QByteArray("   MINE           "));
    } else {
        QCOMPARE(result.error().kind, StorageError::Kind::Locked);
        QCOMPARE(ts::readFile(QStringLiteral("a.log")), ts::records(2));
    }
}

void TestStorage::fieldFitting_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("call 6") << int(QsoRecord::Call) << QStringLiteral("DL1ABC")
                            << QByteArray("DL1ABC         ");
    QTest::newRow("call 17") << int(QsoRecord::Call) << QStringLiteral("ABCDEFGHIJKLMNOPQ")
                             << QByteArray("ABCDEFGHIJKLMNO");
    QTest::newRow("number 7") << int(QsoRecord::Number) << QStringLiteral("7") << QByteArray("7  ");
    QTest::newRow("number 1000") << int(QsoRecord::Number) << QStringLiteral("1000")
                                 << QByteArray("100");
    QTest::newRow("leading spaces") << int(QsoRecord::Name) << QStringLiteral("  Al")
                                    << QByteArray("  Al      ");
    QTest::newRow("band") << int(QsoRecord::Band) << QStringLiteral("14.070") << QByteArray("14.0");
}

void TestStorage::fieldFitting()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);
    QsoRecord record;
    record.setField(QsoRecord::Field(field), text);
    const QByteArray bytes(record.bytes.data(), QsoRecord::Size);
    QCOMPARE(bytes.mid(QsoRecord::Offsets[field], stored.size()), stored);
    // Nothing spills into the neighbours.
    QCOMPARE(bytes.left(QsoRecord::Offsets[field]), QByteArray(QsoRecord::Offsets[field], ' '));
    const int after = QsoRecord::Offsets[field] + int(stored.size());
    QCOMPARE(bytes.mid(after), QByteArray(QsoRecord::Size - after, ' '));
}

void TestStorage::allByteValuesRoundTrip()
{
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = fromDisk(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(toDisk(text), all);
    // Spot checks against the published code page.
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    QCOMPARE(text.at(0xE9), QChar(0x00E9));

    // Through a real record on disk as well.
    QByteArray file = all.left(85);
    QVERIFY(ts::writeFile(QStringLiteral("bytes.log"), file));
    QsoRecord record;
    const auto found = storage::findCall(QStringLiteral("bytes.log"), QStringLiteral("no match"), record);
    QVERIFY(found.ok());
    QsoRecord copy;
    for (int f = 0; f < QsoRecord::FieldCount; ++f)
        copy.setField(QsoRecord::Field(f), record.field(QsoRecord::Field(f)));
    QCOMPARE(QByteArray(copy.bytes.data(), 85), file);
}

void TestStorage::unencodableBecomesQuestionMark()
{
    QCOMPARE(toDisk(QStringLiteral("R\u0416K")), QByteArray("R?K"));
}

void TestStorage::readerWalksBlocks()
{
    // More than one block, with a partial record at the end.
    const int n = 4000;
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), ts::records(n) + QByteArray(50, '-')));
    auto reader = LogbookReader::open(QStringLiteral("a.log"), storage::IfMissing::Fail);
    QVERIFY(reader.ok());
    int seen = 0;
    while (const char *rec = reader.value().next()) {
        ++seen;
        const QByteArray expected = ts::record(QByteArray::number(seen).constData(),
                                               ("C" + QByteArray::number(seen)).constData());
        if (QByteArray(rec, 85) != expected)
            QFAIL(qPrintable(QStringLiteral("record %1 differs").arg(seen)));
    }
    QCOMPARE(seen, n);
    QVERIFY(!reader.value().error());
}

void TestStorage::findCall_data()
{
    QTest::addColumn<QByteArray>("logbook");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("found"); // 0: none
    const QByteArray three = ts::record("1", "DL1ABC") + ts::record("2", " G4XYZ ")
            + ts::record("3", "DL1ABC", "x");
    QTest::newRow("first of two") << three << QStringLiteral("DL1ABC") << 1;
    QTest::newRow("stored spaces ignored") << three << QStringLiteral("G4XYZ") << 2;
    QTest::newRow("typed spaces count") << three << QStringLiteral(" G4XYZ") << 0;
    QTest::newRow("case ignored") << three << QStringLiteral("dl1abc") << 1;
    QTest::newRow("case ignored, stored small") << ts::record("1", "dl1Abc") << QStringLiteral("DL1aBC") << 1;
    QTest::newRow("case ignored, stored spaces") << three << QStringLiteral("g4xyz") << 2;
    QTest::newRow("only ASCII letters fold") << ts::record("1", "\xE9" "A1") << QStringLiteral("\u00C9A1") << 0;
    QTest::newRow("no folding beyond letters") << ts::record("1", "DL1[BC") << QStringLiteral("DL1{BC") << 0;
    QTest::newRow("empty log") << QByteArray() << QStringLiteral("DL1ABC") << 0;
    QTest::newRow("empty key, blank call") << ts::record("1", "") << QString() << 1;
    QTest::newRow("empty key, no blank") << three << QString() << 0;
    QTest::newRow("partial tail ignored") << ts::record("1", "A1") + QByteArray("  9W9W", 6)
                                          << QStringLiteral("9W9W") << 0;
    QTest::newRow("far record") << ts::records(5000) << QStringLiteral("C4999") << 4999;
    QTest::newRow("long key") << ts::record("1", "ABCDEFGHIJKLMNOPQ")
                              << QStringLiteral("ABCDEFGHIJKLMNOPQ") << 0;
    QTest::newRow("accented") << ts::record("1", "\xC9" "A1") << QStringLiteral("\u00C9A1") << 1;
}

void TestStorage::findCall()
{
    QFETCH(QByteArray, logbook);
    QFETCH(QString, key);
    QFETCH(int, found);
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), logbook));
    QsoRecord last;
    const auto result = storage::findCall(QStringLiteral("a.log"), key, last);
    QVERIFY(result.ok());
    QCOMPARE(result.value().value_or(0), qint64(found));
    if (found)
        QCOMPARE(QByteArray(last.bytes.data(), 85), logbook.mid((found - 1) * 85, 85));
}

void TestStorage::unopenablePathsFail_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("empty") << QString();
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder/a.log");
    QTest::newRow("directory") << QStringLiteral(".");
}

void TestStorage::unopenablePathsFail()
{
    QFETCH(QString, path);
    QVERIFY(!countWholeRecords(path).ok());
    QsoRecord record;
    QVERIFY(!storage::findCall(path, QStringLiteral("X"), record).ok());
    QVERIFY(!writeRecord(path, 1, record).ok());
    QVERIFY(!readSetting(path).ok());
    QVERIFY(!countWholeRecords(path).error().reason.isEmpty());
}

void TestStorage::emptyLogbookTruncates()
{
    QVERIFY(ts::writeFile(QStringLiteral("a.log"), ts::records(20)));
    QVERIFY(emptyLogbook(QStringLiteral("a.log")).ok());
    QCOMPARE(QFileInfo(QStringLiteral("a.log")).size(), 0);
    QVERIFY(emptyLogbook(QStringLiteral("new.log")).ok());
    QVERIFY(QFile::exists(QStringLiteral("new.log")));
}

void TestStorage::nextNumberChecksLimit()
{
    QCOMPARE(nextNumber(0).value(), qint16(1));
    QCOMPARE(nextNumber(32766).value(), qint16(32767));
    QVERIFY(!nextNumber(32767).has_value());
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
