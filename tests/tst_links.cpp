#include "EntryFixture.h"
#include "Peers.h"
#include "links/ContactMerger.h"
#include "links/LinkSettings.h"
#include "mainwindow/ConnectionsDialog.h"
#include "mainwindow/LinksController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The links against the real peers: a headless fldigi and rigctld's dummy rig started
// once for the whole program, WSJT-X's own datagrams; real keys into a real window.
class TestLinks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void allOffChangesNothing();
    void f3FillsFromFldigi_data();
    void f3FillsFromFldigi();
    void f3PeerDownOrSilent_data();
    void f3PeerDownOrSilent();
    void f3AnswerBelongsToItsContact_data();
    void f3AnswerBelongsToItsContact();
    void f3TakesTheContactAsTyped_data();
    void f3TakesTheContactAsTyped();
    void rigRow_data();
    void rigRow();
    void rigBandAndMode_data();
    void rigBandAndMode();
    void wsjtxContacts_data();
    void wsjtxContacts();
    void wsjtxWaitsForTheLogbook_data();
    void wsjtxWaitsForTheLogbook();
    void wsjtx300WhileLocked();
    void wsjtxSpoolRefused();
    void wsjtxDamagedSpoolIsTold_data();
    void wsjtxDamagedSpoolIsTold();
    void mergerKeepsWsjtxOrder();
    void wsjtxWaitingSurvivesAKill_data();
    void wsjtxWaitingSurvivesAKill();
    void wsjtxHeardWhileABoxIsUp();
    void wsjtxNeverChangesACall();
    void settingsFile_data();
    void settingsFile();
    void connectionsWindow();

private:
    peers::Programs m_peers;
};

namespace {

QByteArray ini(const QByteArray &fldigi, const QByteArray &rig, const QByteArray &wsjtx)
{
    return "[fldigi]\n" + fldigi + "\n[rig]\n" + rig + "\n[wsjtx]\n" + wsjtx + "\n";
}

// An fldigi of our own that answers the contact question after `delayMs`, as fldigi
// 4.1.23 words its answer.
class ScriptedFldigi : public QTcpServer
{
public:
    explicit ScriptedFldigi(int delayMs) : m_delayMs(delayMs)
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *peer = nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
                m_asked += peer->readAll();
                if (m_asked.contains("</methodCall>"))
                    QTimer::singleShot(m_delayMs, peer, [peer] { peer->write(answer()); });
            });
        });
    }

private:
    static QByteArray answer()
    {
        QByteArray entries;
        for (const char *text : { "DL1ABC", "Hans", "Berlin", "579", "599", "7041.500", "RTTY" })
            entries += QByteArray("<value><array><data><value>") + text + "</value></data></array></value>";
        const QByteArray body = "<?xml version=\"1.0\"?>\r\n<methodResponse><params><param>\r\n\t"
                                "<value><array><data>" + entries + "</data></array></value>"
                                "\r\n</param></params></methodResponse>\r\n";
        return "HTTP/1.1 200 OK\r\nServer: XMLRPC++ 0.8\r\nContent-Type: text/xml\r\nContent-length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }
    int m_delayMs;
    QByteArray m_asked;
};

QByteArray on(quint16 port, const char *host = "127.0.0.1")
{
    return "enabled=true\nhost=" + QByteArray(host) + "\nport=" + QByteArray::number(port);
}

QHash<int, QByteArray> golden()
{
    QHash<int, QByteArray> out;
    QFile file(QFINDTESTDATA("data/wsjtx-2.6.1-datagrams.jsonl"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!o.isEmpty())
                out.insert(o.value("type").toInt(), QByteArray::fromHex(o.value("hex").toString().toLatin1()));
        }
    }
    return out;
}

LinksController *linksOf(Form1 &form)
{
    return form.findChild<LinksController *>("links");
}

// Puts a contact into fldigi's log panel: call, name, qth, rst in, rst out, Hz, modem.
// The modem first (a change of modem puts the reports back to 599); each value is set
// and read back, as fldigi applies some of them a moment later.
void setPanel(quint16 port, const QByteArrayList &panel)
{
    peers::rpc(port, "main.set_frequency", "<param><value><double>" + panel[5] + "</double></value></param>");
    peers::rpc(port, "modem.set_by_name", peers::text(panel[6]));
    QTRY_COMPARE_WITH_TIMEOUT(peers::rpc(port, "modem.get_name"), panel[6], 5000);
    const char *fields[] = { "call", "name", "qth", "rst_in", "rst_out" };
    for (int i = 0; i < 5; ++i) {
        const QByteArray set = QByteArray("log.set_") + fields[i];
        const QByteArray get = QByteArray("log.get_") + fields[i];
        peers::rpc(port, set.constData(), peers::text(panel[i]));
        // fldigi keeps call signs in capitals.
        QTRY_COMPARE_WITH_TIMEOUT(peers::rpc(port, get.constData()), i == 0 ? panel[i].toUpper() : panel[i], 5000);
    }
    // The logged frequency (kHz) is the dial plus the audio carrier.
    QTRY_COMPARE_WITH_TIMEOUT(qint64(peers::rpc(port, "log.get_frequency").toDouble()) / 1000,
                              panel[5].toLongLong() / 1000000, 5000);
}

// WSJT-X's Logged ADIF for a call of six characters (the lengths inside stay right).
QByteArray adifFor(const QByteArray &call)
{
    return golden().value(12).replace("DL1ABC", call);
}

QByteArray callNumber(int i)
{
    return "K1A" + QByteArray::number(i).rightJustified(3, '0');
}

// Another station in the middle of a long save: its lock on the whole file.
int holdLock(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    if (fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Records first, first + 1, ... hold the calls K1A000, K1A001, ... in that order.
bool inOrder(const QByteArray &log, int first, int count)
{
    for (int i = 0; i < count; ++i) {
        const QByteArray expected = ts::pad(QByteArray::number(first + i).constData(), 3)
                + ts::pad(callNumber(i).constData(), 15);
        if (log.mid(qsizetype(first - 1 + i) * 85, 18) != expected) {
            qWarning("record %d: %s", first + i, log.mid(qsizetype(first - 1 + i) * 85, 18).constData());
            return false;
        }
    }
    return true;
}

} // namespace

void TestLinks::initTestCase()
{
    QVERIFY2(m_peers.startX(), "Xvfb did not start (scripts/deps.sh installs it)");
    QVERIFY2(m_peers.startFldigi(), "fldigi did not answer (scripts/deps.sh installs it)");
    QVERIFY2(m_peers.startRigctld(), "rigctld did not answer (scripts/deps.sh installs libhamlib-utils)");
}

void TestLinks::allOffChangesNothing()
{
    EntryFixture f(2);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QVERIFY(form.findChild<QAction *>("mnuConnections"));
    QVERIFY(!form.findChild<QAction *>("mnuTake")->isEnabled());
    ui.typeCall("DL1ABC");
    QTest::keyClick(ui.Text2, Qt::Key_F3);
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Combo1->currentText(), "14");
    QCOMPARE(ui.Combo2->currentText(), "PSK31");
    QTest::qWait(100);
    QVERIFY(f.platform.calls.empty());
    QVERIFY(!QFile::exists("vantel.ini"));
    QVERIFY(!form.findChild<QLabel *>("linkNote"));
}

void TestLinks::f3FillsFromFldigi_data()
{
    QTest::addColumn<bool>("contest");
    QTest::addColumn<QByteArrayList>("panel"); // call, name, qth, rst in, rst out, Hz, modem
    QTest::addColumn<QStringList>("fields"); // Text2, Text4, Text5, Combo1, Combo2, Text7, Text8
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("ragchew on 40 m")
            << false << QByteArrayList { "dl1abc", "Hans", "Berlin", "579", "559", "7040000", "BPSK31" }
            << QStringList { "DL1ABC", "579", "559", "7", "PSK31", "Hans", "Berlin" } << false;
    QTest::newRow("contest keeps the exchange, hidden fields untouched")
            << true << QByteArrayList { "G4XYZ", "Bob", "Leeds", "599", "589", "14070000", "CW" }
            << QStringList { "G4XYZ", "599", "typed", "14", "CW", "typed", "typed" } << false;
    QTest::newRow("empty panel keeps what was typed")
            << false << QByteArrayList { "", "", "", "", "", "3580000", "RTTY" }
            << QStringList { "typed", "599", "599", "3.5", "RTTY", "typed", "typed" } << false;
    QTest::newRow("a call already logged is marked")
            << false << QByteArrayList { "c2", "", "", "", "", "28120000", "OLIVIA-8/500" }
            << QStringList { "C2", "599", "599", "28", "OL8/500", "typed", "typed" } << true;
    QTest::newRow("odd and long texts fit the fields")
            << false
            << QByteArrayList { "VERYLONGCALLSIGN1", "Ji\xc5\x99\xc3\xad Novak", "Ceske Budejovice",
                                "5&lt;9", "59", "50313000", "MFSK16" }
            << QStringList { "VERYLONGCALLSIG", "5<9", "59", "50.3", "MFSK16", "Ji?í Novak", "Ceske Budejovic" }
            << false;
}

void TestLinks::f3FillsFromFldigi()
{
    QFETCH(bool, contest);
    QFETCH(QByteArrayList, panel);
    QFETCH(QStringList, fields);
    QFETCH(bool, duplicate);
    const quint16 port = m_peers.fldigiPort;
    setPanel(port, panel);
    if (QTest::currentTestFailed())
        return;

    EntryFixture f(3);
    ts::writeFile("vantel.ini", ini(on(port), "enabled=false", "enabled=false"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (ui.mnuContest->isChecked() != contest)
        ui.mnuContest->trigger();
    for (EntryField *field : { ui.Text2, ui.Text5, ui.Text7, ui.Text8 })
        field->setText("typed");
    ui.Text4->setText("599");
    if (!contest)
        ui.Text5->setText("599");
    ui.Combo2->setEditText("none");
    ui.Text4->setFocus();
    QTest::keyClick(ui.Text4, Qt::Key_F3);
    // The key is back at once; the answer fills the fields a moment later.
    QTRY_COMPARE(ui.Combo2->currentText(), fields[4]);
    QCOMPARE(ui.Text2->text(), fields[0]);
    QCOMPARE(ui.Text4->text(), fields[1]);
    QCOMPARE(ui.Text5->text(), fields[2]);
    QCOMPARE(ui.Combo1->currentText(), fields[3]);
    QCOMPARE(ui.Text7->text(), fields[5]);
    QCOMPARE(ui.Text8->text(), fields[6]);
    QCOMPARE(form.callIsDuplicate(), duplicate);
    QCOMPARE(QApplication::focusWidget(), ui.Text4);
    QVERIFY(f.platform.calls.empty());
    // F1 saves what F3 filled like anything typed.
    QTest::keyClick(ui.Text4, Qt::Key_F1);
    QCOMPARE(f.logBytes().size(), 4 * 85);
}

void TestLinks::f3PeerDownOrSilent_data()
{
    QTest::addColumn<bool>("accepts");
    QTest::newRow("nobody listens") << false;
    QTest::newRow("accepts and never answers") << true;
}

void TestLinks::f3PeerDownOrSilent()
{
    QFETCH(bool, accepts);
    QTcpServer silent;
    quint16 port = peers::freePort();
    if (accepts) {
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        port = silent.serverPort();
    }
    EntryFixture f(1);
    ts::writeFile("vantel.ini", ini(on(port), on(port), "enabled=false"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.typeCall("K1ABC");
    QTest::keyClick(ui.Text2, Qt::Key_F3);
    QTest::keyClick(ui.Text2, Qt::Key_F3); // a second press while the first is out adds nothing
    ui.typeCall("/P");
    QCOMPARE(ui.Text2->text(), "K1ABC/P");
    // Told in the note, in a few words, never in a box that would take the keys typed.
    const auto noteText = [&] {
        auto *label = form.findChild<QLabel *>("linkNote");
        return label ? label->text() : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(noteText(), "fldigi: no answer", 4000);
    auto *note = form.findChild<QLabel *>("linkNote");
    QVERIFY2(note->toolTip().contains(QString("fldigi at 127.0.0.1:%1 did not answer (").arg(port)),
             qPrintable(note->toolTip()));
    QCOMPARE(ui.Text2->text(), "K1ABC/P");
    // The silent rig falls back to the defaults without a word.
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Combo1->currentText(), "14");
    QCOMPARE(ui.Combo2->currentText(), "PSK31");
    QTest::qWait(1500);
    QVERIFY(f.platform.calls.empty());
    // The word belongs to that contact: once it is saved, the note is clear again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(f.logBytes().size(), 2 * 85);
    QCOMPARE(noteText(), QString());
}

void TestLinks::f3AnswerBelongsToItsContact_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("typedMeanwhile");
    QTest::newRow("prompt answer, then Tab") << 0 << false;
    QTest::newRow("late answer, typed meanwhile") << 800 << true;
}

void TestLinks::f3AnswerBelongsToItsContact()
{
    QFETCH(int, delayMs);
    QFETCH(bool, typedMeanwhile);
    ScriptedFldigi fldigi(delayMs);
    EntryFixture f(1);
    ts::writeFile("vantel.ini", ini(on(fldigi.serverPort()), "enabled=false", "enabled=false"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.mnuContest->trigger(); // QSO mode: name and QTH show and fill
    QTest::keyClick(ui.Text2, Qt::Key_F3);
    if (typedMeanwhile) {
        // The operator gives up waiting, types the next contact and saves it.
        ui.typeCall("OK1XYZ");
        QTest::keyClick(ui.Text2, Qt::Key_F1);
        ui.typeCall("W1AW");
        QTest::qWait(delayMs + 500);
        // The late answer lands nowhere: the contact now on screen is the operator's.
        QCOMPARE(ui.Text2->text(), "W1AW");
        QCOMPARE(ui.Text7->text(), "");
        QCOMPARE(form.findChild<QLabel *>("linkNote")->text(), "fldigi: answered late");
        QCOMPARE(f.logBytes().mid(85, 18), QByteArray("2  OK1XYZ         "));
        return;
    }
    QTRY_COMPARE(ui.Text2->text(), "DL1ABC");
    QCOMPARE(ui.Text7->text(), "Hans");
    // The band and mode taken from fldigi stay this contact's through the date/time fill.
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Combo1->currentText(), "7");
    QCOMPARE(ui.Combo2->currentText(), "RTTY");
}

void TestLinks::f3TakesTheContactAsTyped_data()
{
    QTest::addColumn<bool>("contest");
    QTest::addColumn<bool>("enterFirst"); // the duplicate check first, then F3
    QTest::addColumn<int>("tabs"); // Tab presses after the fill, before F1
    QTest::addColumn<QByteArray>("saved");
    const QByteArray qso = ts::record("5", "DL7XYZ", "09.03.24 18:42", "579", "589", "7", "PSK31", "Uwe", "Bonn");
    // In contest mode the sent exchange carries the serial; name and QTH stay hidden.
    const QByteArray contest = ts::record("5", "DL7XYZ", "09.03.24 18:42", "579", "5995", "7", "PSK31");
    QTest::newRow("F3, F1") << false << false << 0 << qso;
    QTest::newRow("F3, Tab, Tab, F1") << false << false << 2 << qso;
    QTest::newRow("contest: F3, F1") << true << false << 0 << contest;
    QTest::newRow("contest: F3, Tab, Tab, Tab, F1") << true << false << 3 << contest;
    // The earlier contact's date stays until the save, which stamps its own time.
    QTest::newRow("Enter, F3, F1")
            << false << true << 0
            << ts::record("5", "DL7XYZ", "09.03.24 18:50", "579", "589", "7", "PSK31", "Uwe", "Bonn");
}

void TestLinks::f3TakesTheContactAsTyped()
{
    // F3 takes the contact as the operator would have typed it: with Real Time ticked the
    // empty date/time and exchange are filled too, and the arrival fills after it leave
    // what F3 put in alone (fldigi's reports, F3's time, band and mode).
    QFETCH(bool, contest);
    QFETCH(bool, enterFirst);
    QFETCH(int, tabs);
    QFETCH(QByteArray, saved);
    setPanel(m_peers.fldigiPort, { "dl7xyz", "Uwe", "Bonn", "579", "589", "7040000", "BPSK31" });
    if (QTest::currentTestFailed())
        return;
    EntryFixture f(3, "599", "599", "14", "CW");
    const QByteArray earlier = ts::record("4", "DL7XYZ", "12.05.23 10:01", "559", "599", "21", "CW", "Old", "Town");
    ts::writeFile(f.log, ts::records(3) + earlier);
    ts::writeFile("vantel.ini", ini(on(m_peers.fldigiPort), "enabled=false", "enabled=false"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (!contest)
        ui.mnuContest->trigger();
    if (enterFirst) {
        ui.typeCall("DL7XYZ");
        ui.pressEnter();
        QCOMPARE(ui.Text3->text(), "12.05.23 10:01 ");
        f.platform.calls.clear();
    }
    QTest::keyClick(ui.Text2, Qt::Key_F3);
    QTRY_COMPARE(ui.Text4->text(), "579");
    QCOMPARE(ui.Text2->text(), "DL7XYZ");
    f.platform.clock = f.platform.clock.addSecs(8 * 60); // the contact was heard at F3
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(f.logBytes().mid(4 * 85), saved);
    QVERIFY(f.platform.calls.empty());
    // The next contact, typed, gets the arrival fills as always.
    ui.typeCall("DL7XYZ");
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QTest::keyClick(ui.Text3, Qt::Key_Tab);
    QCOMPARE(ui.Text3->text(), "09.03.24 18:50");
    QCOMPARE(ui.Text4->text(), "599");
    QCOMPARE(ui.Combo1->currentText(), "14");
}

void TestLinks::rigRow_data()
{
    QTest::addColumn<bool>("hang"); // the rig stops answering, or rigctld ends
    QTest::newRow("rigctld ends") << false;
    QTest::newRow("rigctld hangs") << true;
}

void TestLinks::rigRow()
{
    // The rig's frequency shows in a row of its own while the link is on, and when the
    // rig stops answering the row says since when (the fills then take the defaults).
    QFETCH(bool, hang);
    peers::Programs rig;
    QVERIFY(rig.startRigctld());
    QCOMPARE(peers::rig(rig.rigPort, "F 7040000"), QByteArray("RPRT 0\n"));
    QCOMPARE(peers::rig(rig.rigPort, "M USB 0"), QByteArray("RPRT 0\n"));
    EntryFixture f(0, "599", "599", "21", "CW");
    QHash<QString, QRect> off;
    {
        Form1 &form = f.open();
        const Form1Ui ui(form);
        auto *row = form.findChild<QLabel *>("rigStatus");
        QVERIFY(!row || !row->isVisible());
        for (QWidget *w : form.centralWidget()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            off.insert(w->objectName(), w->geometry());
        off.insert("client", QRect(QPoint(), form.centralWidget()->size()));
    }
    ts::writeFile("vantel.ini", ini("enabled=false", on(rig.rigPort), "enabled=false"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    auto *row = form.findChild<QLabel *>("rigStatus");
    QVERIFY(row);
    QTRY_COMPARE(row->text(), "Rig: 7.040000 MHz USB");
    QVERIFY(row->isVisible());
    // Nothing described moves; the window grows by the row, which sits below them all.
    const QRect client = off.take("client");
    for (auto it = off.cbegin(); it != off.cend(); ++it) {
        if (it.key() != "rigStatus")
            QCOMPARE(form.centralWidget()->findChild<QWidget *>(it.key())->geometry(), it.value());
    }
    QCOMPARE(form.centralWidget()->width(), client.width());
    QVERIFY(row->geometry().top() >= ui.Label11->geometry().bottom());
    QVERIFY(form.centralWidget()->rect().contains(row->geometry()));

    if (hang)
        ::kill(pid_t(rig.rigctld().processId()), SIGSTOP);
    else
        peers::stop(rig.rigctld());
    QTRY_COMPARE_WITH_TIMEOUT(row->text(), "Rig: no answer since 18:42:00 (it was on 7.040000 MHz USB); "
                                           "band and mode come from your defaults", 5000);
    QCOMPARE(row->palette().color(QPalette::WindowText), QColor(170, 0, 0));
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Combo1->currentText(), "21");
    if (hang)
        ::kill(pid_t(rig.rigctld().processId()), SIGCONT);
    QVERIFY(f.platform.calls.empty());

    // Turned off, the row goes and the window is as before.
    links::LinkSettings settings = linksOf(form)->settings();
    settings.get<links::PeerSettings>("rig").enabled = false;
    QVERIFY(linksOf(form)->change(settings));
    QVERIFY(!row->isVisible());
    QCOMPARE(form.centralWidget()->size(), client.size());
}

void TestLinks::rigBandAndMode_data()
{
    QTest::addColumn<QByteArray>("frequency");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("listMode");
    QTest::newRow("40 m USB") << QByteArray("7040000") << QByteArray("USB") << "7" << "SSB";
    QTest::newRow("80 m data: default mode") << QByteArray("3573000") << QByteArray("PKTUSB") << "3.5" << "PSK31";
    QTest::newRow("2 m CW") << QByteArray("145000000") << QByteArray("CW") << "145" << "CW";
    QTest::newRow("10 m RTTY") << QByteArray("28080000") << QByteArray("RTTY") << "28" << "RTTY";
    QTest::newRow("160 m LSB") << QByteArray("1840000") << QByteArray("LSB") << "1.8" << "SSB";
}

void TestLinks::rigBandAndMode()
{
    QFETCH(QByteArray, frequency);
    QFETCH(QByteArray, mode);
    QFETCH(QString, band);
    QFETCH(QString, listMode);
    const quint16 port = m_peers.rigPort;
    QCOMPARE(peers::rig(port, "F " + frequency), QByteArray("RPRT 0\n"));
    QCOMPARE(peers::rig(port, "M " + mode + " 0"), QByteArray("RPRT 0\n"));

    EntryFixture f(0);
    ts::writeFile("vantel.ini", ini("enabled=false", on(port), "enabled=false"));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::qWait(600); // a poll or two
    ui.typeCall("DL1ABC");
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(ui.Combo1->currentText(), band);
    QCOMPARE(ui.Combo2->currentText(), listMode);
    // With fldigi off, F3 is the same fill.
    ui.Combo1->setEditText("x");
    ui.Combo2->setEditText("y");
    QTest::keyClick(ui.Text3, Qt::Key_F3);
    QCOMPARE(ui.Combo1->currentText(), band);
    QCOMPARE(ui.Combo2->currentText(), listMode);
    QVERIFY(f.platform.calls.empty());
}

void TestLinks::wsjtxContacts_data()
{
    QTest::addColumn<QList<int>>("sent"); // golden types; 99: garbage, 4: schema 4
    QTest::addColumn<int>("saved");
    QTest::newRow("QSO Logged, then Logged ADIF") << QList<int> { 0, 1, 5, 12 } << 1;
    QTest::newRow("QSO Logged alone") << QList<int> { 5 } << 1;
    QTest::newRow("Logged ADIF alone, twice") << QList<int> { 12, 12 } << 1;
    QTest::newRow("the whole pair again") << QList<int> { 5, 12, 5, 12 } << 1;
    QTest::newRow("ADIF before its QSO Logged") << QList<int> { 12, 5 } << 1;
    QTest::newRow("garbage, heartbeat, another schema") << QList<int> { 99, 0, 4 } << 0;
    // A burst that is all waiting at once (decodes while the window was busy) must not
    // leave the link deaf to what follows.
    QTest::newRow("after a burst of 150") << QList<int>(150, 1) + QList<int> { 5, 12 } << 1;
}

void TestLinks::wsjtxContacts()
{
    QFETCH(QList<int>, sent);
    QFETCH(int, saved);
    const QHash<int, QByteArray> datagrams = golden();
    const quint16 port = peers::freePort();
    EntryFixture f(4);
    ts::writeFile("vantel.ini", ini("enabled=false", "enabled=false", "enabled=true\nport=" + QByteArray::number(port)));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    ui.typeCall("G0TYP");
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    const QString typedStamp = ui.Text3->text();

    QUdpSocket sender;
    for (const int type : sent) {
        QByteArray datagram = type == 99 ? QByteArray("\xad\xbc\xcb\xda garbage") : datagrams.value(type == 4 ? 12 : type);
        if (type == 4)
            datagram[7] = 4;
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, port), qint64(datagram.size()));
    }
    QTest::qWait(links::ContactMerger::WaitMs + 500);
    const QByteArray before = ts::records(4);
    if (!saved) {
        QCOMPARE(f.logBytes(), before);
        QVERIFY(f.platform.calls.empty());
        return;
    }
    QCOMPARE(f.logBytes(), before + ts::record("5", "DL1ABC", "07.12.26 08:08", "", "", "14", "FT8", "", "JO62"));
    // The contact being typed is left alone; the number moves on; the focus stays.
    QCOMPARE(ui.Text2->text(), "G0TYP");
    QCOMPARE(ui.Text3->text(), typedStamp);
    QCOMPARE(ui.Text1->text(), "6");
    QCOMPARE(QApplication::focusWidget(), ui.Text3);
    QCOMPARE(form.findChild<QLabel *>("linkNote")->text(), "WSJT-X: 5 DL1ABC");
    QVERIFY(f.platform.calls.empty());
    // And F1 then saves the typed contact after it.
    QTest::keyClick(ui.Text3, Qt::Key_F1);
    QCOMPARE(f.logBytes().mid(5 * 85, 18), QByteArray("6  G0TYP          "));
}

void TestLinks::wsjtxWaitsForTheLogbook_data()
{
    QTest::addColumn<int>("why"); // 0: no logbook open; 1: one changed behind our back; 2: locked
    QTest::newRow("no logbook open") << 0;
    QTest::newRow("logbook grown behind our back") << 1;
    QTest::newRow("another station holds the lock") << 2;
}

void TestLinks::wsjtxWaitsForTheLogbook()
{
    // A contact that cannot be saved now is not lost and raises no box that would take
    // the keys: the note says it waits, and it is saved once the logbook can take it.
    QFETCH(int, why);
    const bool logbook = why == 1;
    EntryFixture f(4);
    if (why == 0)
        ts::writeFile("deflog", QByteArray());
    const quint16 port = peers::freePort();
    ts::writeFile("vantel.ini", ini("", "", "enabled=true\nport=" + QByteArray::number(port)));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    if (logbook)
        ts::writeFile(f.log, ts::records(5)); // another program added contact 5
    // Another station in the middle of a long save: its lock on the whole file.
    const int station = why == 2 ? ::open(QFile::encodeName(f.log).constData(), O_RDWR) : -1;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    QVERIFY(station < 0 || ::fcntl(station, F_OFD_SETLK, &lock) == 0);
    for (const char *call : { "DL2XYZ", "DL3AAA" }) {
        QByteArray adif = golden().value(12);
        QUdpSocket().writeDatagram(adif.replace("DL1ABC", call), QHostAddress::LocalHost, port);
    }
    const auto noteText = [&] {
        auto *label = form.findChild<QLabel *>("linkNote");
        return label ? label->text() : QString();
    };
    QTRY_COMPARE(noteText(), "WSJT-X: 2 contacts wait");
    auto *note = form.findChild<QLabel *>("linkNote");
    QVERIFY(f.platform.calls.empty());
    // They are kept on disk: quitting loses nothing, so Exit asks only its own question.
    QTRY_COMPARE(QFileInfo("wsjtx.spool").size(), 2 * 86); // written right after the note
    ui.mnuExit->trigger();
    QCOMPARE(f.platform.calls.back().text, "Do you really want to quit?");
    f.platform.calls.clear();
    if (station >= 0) {
        // The lock goes: the contacts follow without anything else happening.
        ::close(station);
    } else {
        // Opened again (or for the first time), the logbook takes them, in order.
        f.platform.fileAnswers.push_back(f.log);
        ui.mnuOpen->trigger();
    }
    const int first = logbook ? 6 : 5;
    QTRY_COMPARE(f.logBytes().size(), qsizetype(first + 1) * 85);
    QCOMPARE(f.logBytes().mid((first - 1) * 85, 18), ts::pad(QByteArray::number(first).constData(), 3) + ts::pad("DL2XYZ", 15));
    QCOMPARE(f.logBytes().mid(first * 85, 18), ts::pad(QByteArray::number(first + 1).constData(), 3) + ts::pad("DL3AAA", 15));
    QCOMPARE(note->text(), QString("WSJT-X: %1 DL3AAA").arg(first + 1));
    QVERIFY(!QFile::exists("wsjtx.spool"));
}

void TestLinks::wsjtx300WhileLocked()
{
    // 300 contacts while another station holds the logbook: every one is kept, and all
    // land in the order WSJT-X logged them once the lock goes.
    EntryFixture f(4);
    const quint16 port = peers::freePort();
    ts::writeFile("vantel.ini", ini("", "", "enabled=true\nport=" + QByteArray::number(port)));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const int station = holdLock(f.log);
    QVERIFY(station >= 0);
    const auto noteText = [&] {
        auto *label = form.findChild<QLabel *>("linkNote");
        return label ? label->text() : QString();
    };
    QUdpSocket sender;
    constexpr int Contacts = 300;
    for (int i = 0; i < Contacts; ++i) {
        sender.writeDatagram(adifFor(callNumber(i)), QHostAddress::LocalHost, port);
        if (i % 10 == 9) // as fast as the window reads them, never beyond the socket's buffer
            QTRY_COMPARE(noteText(), QString("WSJT-X: %1 contacts wait").arg(i + 1));
    }
    QCOMPARE(f.logBytes(), ts::records(4));
    QTRY_COMPARE(QFileInfo("wsjtx.spool").size(), Contacts * 86);
    // The keys go on meanwhile.
    ui.typeCall("G0TYP");
    QCOMPARE(ui.Text2->text(), "G0TYP");
    ::close(station);
    QTRY_COMPARE_WITH_TIMEOUT(f.logBytes().size(), qsizetype(4 + Contacts) * 85, 20000);
    QVERIFY(inOrder(f.logBytes(), 5, Contacts));
    QCOMPARE(noteText(), "WSJT-X: 304 K1A299");
    QVERIFY(!QFile::exists("wsjtx.spool"));
    QCOMPARE(ui.Text1->text(), "305");
    QVERIFY(f.platform.calls.empty());
}

void TestLinks::wsjtxSpoolRefused()
{
    // Contacts that cannot be kept on disk either are counted, and Exit names them.
    EntryFixture f(4);
    ts::writeFile("deflog", QByteArray());
    const quint16 port = peers::freePort();
    ts::writeFile("vantel.ini", ini("", "", "enabled=true\nport=" + QByteArray::number(port)));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QVERIFY(QDir().mkdir("wsjtx.spool"));
    for (const char *call : { "DL2XYZ", "DL3AAA" })
        QUdpSocket().writeDatagram(adifFor(call), QHostAddress::LocalHost, port);
    QTRY_VERIFY(form.findChild<QLabel *>("linkNote"));
    auto *note = form.findChild<QLabel *>("linkNote");
    QTRY_VERIFY2(note->toolTip().contains("2 of them could not be kept on disk"), qPrintable(note->toolTip()));
    QCOMPARE(note->text(), "WSJT-X: 2 contacts wait");
    ui.mnuExit->trigger();
    QCOMPARE(f.platform.calls.back().text,
             "2 contacts from WSJT-X could not be saved yet (DL2XYZ, DL3AAA) and will be lost.\n\n"
             "Do you really want to quit?");
    QCOMPARE(f.platform.calls.back().style, MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2);
}

void TestLinks::wsjtxDamagedSpoolIsTold_data()
{
    QTest::addColumn<QByteArray>("spool");
    const QByteArray first = '-' + ts::record(" ", "S0X");
    const QByteArray second = '-' + ts::record(" ", "S1X");
    QTest::newRow("cut short") << first + second.left(76);
    QTest::newRow("changed by another program") << first + 'X' + second.mid(1);
}

void TestLinks::wsjtxDamagedSpoolIsTold()
{
    // What cannot be read back is told and counted, and its bytes are kept aside; what
    // can is saved as usual.
    QFETCH(QByteArray, spool);
    EntryFixture f(4);
    ts::writeFile("vantel.ini", ini("", "", "enabled=true\nport=" + QByteArray::number(peers::freePort())));
    ts::writeFile("wsjtx.spool", spool);
    f.open();
    QVERIFY2(!f.platform.errors().isEmpty(), "nothing was told");
    QVERIFY2(f.platform.errors().first().startsWith("1 contact kept for WSJT-X"),
             qPrintable(f.platform.errors().first()));
    QCOMPARE(ts::readFile("wsjtx.spool.damaged"), spool);
    QTRY_COMPARE(f.logBytes().size(), qsizetype(5 * 85));
    QCOMPARE(f.logBytes().mid(4 * 85, 18), QByteArray("5  S0X            "));
}

void TestLinks::mergerKeepsWsjtxOrder()
{
    // A contact still waiting for its ADIF twin when another contact's ADIF comes was
    // logged first, and goes first.
    links::ContactMerger merger;
    QStringList order;
    connect(&merger, &links::ContactMerger::logged, [&](const links::LoggedContact &c) { order << c.key; });
    merger.takeQsoLogged({ {}, "Q9", "Q9", {} });
    merger.takeAdif({ {}, "A0", "A0", {} });
    merger.takeAdif({ {}, "A1", "A1", {} });
    merger.takeQsoLogged({ {}, "A1", "A1", {} }); // a late twin is no second contact
    QCOMPARE(order, QStringList({ "Q9", "A0", "A1" }));
}

void TestLinks::wsjtxWaitingSurvivesAKill_data()
{
    QTest::addColumn<bool>("firstSaved"); // killed after the first was saved, before the spool said so
    QTest::newRow("all waiting") << false;
    QTest::newRow("between a save and its mark") << true;
}

void TestLinks::wsjtxWaitingSurvivesAKill()
{
    // The real program, killed while contacts wait for the lock, saves them all when it
    // is started again, none twice.
    QFETCH(bool, firstSaved);
    ts::WorkDir dir;
    const QString log = dir.path("evening.log");
    ts::writeFile(log, ts::records(2));
    ts::writeFile("deflog", ts::setting(log.toLocal8Bit()));
    const quint16 port = peers::freePort();
    ts::writeFile("vantel.ini", ini("", "", "enabled=true\nport=" + QByteArray::number(port)));
    const int station = holdLock(log);
    QVERIFY(station >= 0);
    QProcess vantel;
    vantel.setWorkingDirectory(dir.root());
    vantel.setProcessChannelMode(QProcess::ForwardedChannels);
    const auto start = [&] {
        vantel.start(VANTEL_APP, {});
        QVERIFY(vantel.waitForStarted(5000));
        // Listening once the port is taken.
        QTRY_VERIFY_WITH_TIMEOUT(!QUdpSocket().bind(QHostAddress::LocalHost, port), 10000);
    };
    start();
    if (QTest::currentTestFailed())
        return;
    constexpr int Contacts = 20;
    QUdpSocket sender;
    for (int i = 0; i < Contacts; ++i) {
        sender.writeDatagram(adifFor(callNumber(i)), QHostAddress::LocalHost, port);
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo("wsjtx.spool").size(), qint64(i + 1) * 86, 5000);
    }
    vantel.kill();
    QVERIFY(vantel.waitForFinished(5000));
    ::close(station);
    QCOMPARE(ts::readFile(log), ts::records(2));
    // An entry: its state ('-' waiting), then the record without its number.
    const QByteArray first = ts::record("", "K1A000", "07.12.26 08:08", "", "", "14", "FT8", "", "JO62");
    QCOMPARE(ts::readFile("wsjtx.spool").left(86), "-" + first);
    if (firstSaved)
        ts::writeFile(log, ts::records(2) + "3  " + first.mid(3));
    start();
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(ts::readFile(log).size(), qsizetype(2 + Contacts) * 85, 10000);
    QVERIFY(inOrder(ts::readFile(log), 3, Contacts));
    QTRY_VERIFY(!QFile::exists("wsjtx.spool"));
    vantel.kill();
    QVERIFY(vantel.waitForFinished(5000));
}

void TestLinks::wsjtxHeardWhileABoxIsUp()
{
    // The Duplicate box runs its own event loop: datagrams that arrive meanwhile, a burst
    // of decodes and a contact among them, are all heard and the contact saved.
    EntryFixture f(4);
    const quint16 port = peers::freePort();
    ts::writeFile("vantel.ini", ini("", "", "enabled=true\nport=" + QByteArray::number(port)));
    Form1 &form = f.open();
    const Form1Ui ui(form);
    const QByteArray decode = QByteArray::fromHex(
            "adbccbda00000002000000020000000657534a542d580101c9c380fffffff63fb999999999999a"
            "000004d2000000017e0000000d4351204b3141423020464e34320000");
    f.platform.whileBoxIsUp = [&] {
        QUdpSocket sender;
        for (int i = 0; i < 100; ++i)
            sender.writeDatagram(decode, QHostAddress::LocalHost, port);
        sender.writeDatagram(golden().value(12), QHostAddress::LocalHost, port);
        QTest::qWait(300);
    };
    ui.typeCall("C2");
    ui.pressEnter();
    QTRY_COMPARE(f.logBytes().size(), 5 * 85);
    QCOMPARE(f.logBytes().mid(4 * 85, 18), QByteArray("5  DL1ABC         "));
}

void TestLinks::wsjtxNeverChangesACall()
{
    // A call a record cannot hold as told is not saved as another call: the note says so.
    EntryFixture f(4);
    const quint16 port = peers::freePort();
    ts::writeFile("vantel.ini", ini("", "", "enabled=true\nport=" + QByteArray::number(port)));
    Form1 &form = f.open();
    QByteArray adif = golden().value(12);
    QUdpSocket().writeDatagram(adif.replace("DL1ABC", "DL1\tBC"), QHostAddress::LocalHost, port);
    QTRY_VERIFY(form.findChild<QLabel *>("linkNote"));
    QTRY_COMPARE(form.findChild<QLabel *>("linkNote")->text(), "WSJT-X: DL1\\x09BC not saved");
    QCOMPARE(f.logBytes(), ts::records(4));
    QVERIFY(f.platform.calls.empty());
}

void TestLinks::settingsFile_data()
{
    QTest::addColumn<QByteArray>("file"); // "<fifo>", "<folder>"
    QTest::addColumn<QString>("error"); // empty: none
    QTest::addColumn<QList<bool>>("enabled"); // fldigi, rig, wsjtx
    QTest::newRow("no file") << QByteArray("<none>") << "" << QList<bool> { false, false, false };
    QTest::newRow("as the issue shows it, spaced")
            << QByteArray("[fldigi]\nenabled = true\nhost = localhost\nport = 7362\n[rig]\nenabled=false\n")
            << "" << QList<bool> { true, false, false };
    QTest::newRow("a port out of range")
            << ini("enabled=true\nport=99999", "enabled=yes", "enabled=1\nport=0")
            << "[fldigi] port=99999 is not a port number from 1 to 65535.\nThe fldigi link stays off.\n"
               "[wsjtx] port=0 is not a port number from 1 to 65535.\nThe WSJT-X link stays off."
            << QList<bool> { false, true, false };
    QTest::newRow("not a truth")
            << ini("enabled=maybe", "enabled=true\nhost=two words", "enabled=true\naddress=here")
            << "[fldigi] enabled=maybe is not true or false.\nThe fldigi link stays off.\n"
               "[rig] host=two words is not a host name or address.\nThe rig link stays off.\n"
               "[wsjtx] address=here is not an address of this machine.\nThe WSJT-X link stays off."
            << QList<bool> { false, false, false };
    QTest::newRow("a FIFO") << QByteArray("<fifo>") << "vantel.ini is not a settings file of at most 64 KB."
                            << QList<bool> { false, false, false };
    QTest::newRow("a folder") << QByteArray("<folder>") << "vantel.ini is not a settings file of at most 64 KB."
                              << QList<bool> { false, false, false };
}

void TestLinks::settingsFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    QFETCH(QList<bool>, enabled);
    EntryFixture f(0);
    if (file == "<fifo>")
        QCOMPARE(::mkfifo("vantel.ini", 0600), 0);
    else if (file == "<folder>")
        QVERIFY(QDir().mkdir("vantel.ini"));
    else if (file != "<none>")
        ts::writeFile("vantel.ini", file);
    Form1 &form = f.open();
    const Form1Ui ui(form);
    QTest::keyClick(ui.Text2, Qt::Key_F3);
    QTest::keyClick(ui.Text2, Qt::Key_Tab);
    QCOMPARE(f.platform.errors().size(), error.isEmpty() ? 0 : 1);
    if (!error.isEmpty())
        QCOMPARE(f.platform.errors().first(), QDir::toNativeSeparators(f.dir.path("vantel.ini")) + ":\n\n" + error);
    const links::LinkSettings &s = linksOf(form)->settings();
    QCOMPARE((QList<bool> { s.get<links::PeerSettings>("fldigi").enabled,
                            s.get<links::PeerSettings>("rig").enabled,
                            s.get<links::WsjtxSettings>("wsjtx").enabled }),
             enabled);
}

void TestLinks::connectionsWindow()
{
    EntryFixture f(0);
    Form1 &form = f.open();
    form.findChild<QAction *>("mnuConnections")->trigger();
    auto *dialog = form.findChild<ConnectionsDialog *>("Connections");
    QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
    dialog->findChild<QSpinBox *>("fldigiPort")->setValue(m_peers.fldigiPort);
    dialog->findChild<QSpinBox *>("rigPort")->setValue(m_peers.rigPort);
    dialog->findChild<QCheckBox *>("rigEnabled")->setChecked(true);
    dialog->findChild<QCheckBox *>("wsjtxEnabled")->setChecked(true);
    dialog->findChild<QSpinBox *>("wsjtxPort")->setValue(peers::freePort());
    QTest::mouseClick(dialog->findChild<QPushButton *>("checkButton"), Qt::LeftButton);
    QTRY_COMPARE(dialog->findChild<QLabel *>("fldigiStatus")->text(), "yes: fldigi 4.1.23");
    QTRY_VERIFY(dialog->findChild<QLabel *>("rigStatus")->text().startsWith("yes: band "));
    // The listener changes with OK, and the window says so instead of showing the old one.
    QCOMPARE(dialog->findChild<QLabel *>("wsjtxStatus")->text(), "listens after OK");

    // A host that is none is refused beside the field; the window stays.
    dialog->findChild<QLineEdit *>("fldigiHost")->setText("no such host");
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QLabel *>("fldigiStatus")->text(), "Type a host name or address.");
    QVERIFY(!QFile::exists("vantel.ini"));

    dialog->findChild<QLineEdit *>("fldigiHost")->setText("localhost");
    const int wsjtxPort = dialog->findChild<QSpinBox *>("wsjtxPort")->value();
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QTRY_VERIFY(!form.findChild<ConnectionsDialog *>("Connections"));
    QCOMPARE(ts::readFile("vantel.ini"),
             "[fldigi]\nenabled=false\nhost=localhost\nport=" + QByteArray::number(m_peers.fldigiPort)
                     + "\n\n[rig]\nenabled=true\nhost=127.0.0.1\nport=" + QByteArray::number(m_peers.rigPort)
                     + "\n\n[wsjtx]\nenabled=true\nport=" + QByteArray::number(wsjtxPort) + "\n");
    // In use at once: the WSJT-X port listens.
    QVERIFY(linksOf(form)->settings().get<links::WsjtxSettings>("wsjtx").enabled);
    QUdpSocket taken;
    QVERIFY(!taken.bind(QHostAddress::LocalHost, quint16(wsjtxPort)));
    QCOMPARE(linksOf(form)->wsjtxStatus(), "listening, nothing heard yet");
    form.findChild<QAction *>("mnuConnections")->trigger();
    dialog = form.findChild<ConnectionsDialog *>("Connections");
    QCOMPARE(dialog->findChild<QLabel *>("wsjtxStatus")->text(), "listening, nothing heard yet");
    dialog->findChild<QCheckBox *>("wsjtxEnabled")->setChecked(false);
    QCOMPARE(dialog->findChild<QLabel *>("wsjtxStatus")->text(), "off after OK");
    dialog->reject();
}

QTEST_MAIN(TestLinks)
#include "tst_links.moc"
