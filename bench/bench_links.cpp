// F1, Enter, a key in the call field and the arrival in date/time with every link off,
// and with fldigi and the rig configured at an address that takes the connection and
// never answers: the links must not cost the operator anything he can feel.
#include "../tests/FakePlatform.h"
#include "BenchSupport.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "storage/Logbook.h"
#include "storage/Settings.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A port on this machine whose connections the kernel completes and nobody ever reads.
quint16 silentPort()
{
    static quint16 port = [] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(fd, 512) != 0)
            return quint16(0);
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
        return quint16(ntohs(address.sin_port));
    }();
    return port;
}

// A working folder with a logbook of 1000 records, and vantel.ini as asked.
std::unique_ptr<Form1> openForm(FakePlatform &platform, bool silentPeers, const char *name)
{
    const QString dir = folder().filePath(QLatin1String(name) + QLatin1String(".d"));
    QDir().mkpath(dir);
    QDir::setCurrent(dir);
    const QString log = bench::makeLogbook(folder(), 1000, name);
    (void)storage::writeSetting(QStringLiteral("deflog"), log);
    (void)storage::writeSetting(QStringLiteral("sent"), QStringLiteral("599"));
    QFile ini(QStringLiteral("vantel.ini"));
    if (silentPeers && ini.open(QIODevice::WriteOnly)) {
        const QByteArray port = QByteArray::number(silentPort());
        ini.write("[fldigi]\nenabled=true\nport=" + port + "\n[rig]\nenabled=true\nport=" + port + "\n");
        ini.close();
    }
    auto form = std::make_unique<Form1>(platform);
    form->show();
    QCoreApplication::processEvents();
    return form;
}

void f1(benchmark::State &state, bool silentPeers)
{
    FakePlatform platform;
    auto form = openForm(platform, silentPeers, silentPeers ? "f1-silent.log" : "f1-off.log");
    for (auto _ : state) {
        if (form->session().qsoCount >= 32000) {
            state.SkipWithError("logbook full");
            break;
        }
        form->setFieldText(storage::QsoRecord::Call, QStringLiteral("DL1ABC"));
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_F1);
        QCoreApplication::processEvents();
    }
    if (!platform.calls.empty())
        state.SkipWithError("a save failed or a box was shown");
}

void enter(benchmark::State &state, bool silentPeers)
{
    FakePlatform platform;
    auto form = openForm(platform, silentPeers, silentPeers ? "enter-silent.log" : "enter-off.log");
    form->setFieldText(storage::QsoRecord::Call, QStringLiteral("NOT-THERE"));
    for (auto _ : state) {
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    if (!platform.calls.empty())
        state.SkipWithError("a box was shown");
}

void callKey(benchmark::State &state, bool silentPeers)
{
    FakePlatform platform;
    auto form = openForm(platform, silentPeers, silentPeers ? "key-silent.log" : "key-off.log");
    form->control(storage::QsoRecord::Call)->setFocus();
    for (auto _ : state) {
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_A);
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_Backspace);
        QCoreApplication::processEvents();
    }
    if (!platform.calls.empty())
        state.SkipWithError("a box was shown");
}

void arrival(benchmark::State &state, bool silentPeers)
{
    FakePlatform platform;
    auto form = openForm(platform, silentPeers, silentPeers ? "tab-silent.log" : "tab-off.log");
    for (auto _ : state) {
        form->control(storage::QsoRecord::Call)->setFocus();
        QTest::keyClick(form->control(storage::QsoRecord::Call), Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    if (!platform.calls.empty())
        state.SkipWithError("a box was shown");
}

void BM_F1_LinksOff(benchmark::State &state) { f1(state, false); }
void BM_F1_SilentPeers(benchmark::State &state) { f1(state, true); }
void BM_Enter_LinksOff(benchmark::State &state) { enter(state, false); }
void BM_Enter_SilentPeers(benchmark::State &state) { enter(state, true); }
void BM_CallKey_LinksOff(benchmark::State &state) { callKey(state, false); }
void BM_CallKey_SilentPeers(benchmark::State &state) { callKey(state, true); }
void BM_DateTimeArrival_LinksOff(benchmark::State &state) { arrival(state, false); }
void BM_DateTimeArrival_SilentPeers(benchmark::State &state) { arrival(state, true); }
BENCHMARK(BM_F1_LinksOff)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_F1_SilentPeers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Enter_LinksOff)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Enter_SilentPeers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CallKey_LinksOff)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CallKey_SilentPeers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DateTimeArrival_LinksOff)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DateTimeArrival_SilentPeers)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::run(argc, argv,
                      { { "BM_F1_SilentPeers", "BM_F1_LinksOff" },
                        { "BM_Enter_SilentPeers", "BM_Enter_LinksOff" },
                        { "BM_CallKey_SilentPeers", "BM_CallKey_LinksOff" },
                        { "BM_DateTimeArrival_SilentPeers", "BM_DateTimeArrival_LinksOff" } });
}
