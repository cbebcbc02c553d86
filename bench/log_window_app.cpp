// The program as the footprint benchmark measures it with and without the log window:
// the entry window on the default logbook of 32765 contacts, with --log-window the log
// window shown as F2 shows it, and two contacts saved, so the window (when open) has
// followed the logbook to 32767 contacts.
// With --time-f2 it measures what the operator waits for after F2 in the call field of a
// freshly started program: the key pressed until the log window's list is painted, the
// first time and then once more after Escape; it prints both in microseconds and ends.
#include "logview/LogWindow.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/LogWindowLink.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTableView>
#include <QTimer>

#include <cstdio>

namespace {

class QuietPlatform : public Platform
{
public:
    int messageBox(const QString &, const QString &, int) override { return MsgBox::Ok; }
    void showError(const QString &) override { }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest &) override { return std::nullopt; }
    void setClipboardText(const QString &) override { }
    QDateTime now() const override { return QDateTime(QDate(2024, 6, 1), QTime(12, 0)); }
};

// Sees the list painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

void pressKey(QWidget *widget, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// F2 in the call field until the list is on screen and painted, in microseconds.
qint64 timeF2(Form1 &form, PaintWatch &watch)
{
    watch.painted = false;
    QElapsedTimer clock;
    clock.start();
    pressKey(form.control(storage::QsoRecord::Call), Qt::Key_F2);
    LogWindow *window = form.logWindow().window();
    if (window)
        window->view()->viewport()->installEventFilter(&watch); // once: installing again only moves it
    while (!watch.painted && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return watch.painted ? clock.nsecsElapsed() / 1000 : -1;
}

int timeF2(Form1 &form)
{
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    PaintWatch watch;
    const qint64 first = timeF2(form, watch);
    pressKey(form.logWindow().window()->view(), Qt::Key_Escape);
    form.logWindow().window()->hide();
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    const qint64 again = timeF2(form, watch);
    std::printf("%lld %lld\n", static_cast<long long>(first), static_cast<long long>(again));
    return first > 0 && again > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QuietPlatform platform;
    Form1 form(platform);
    form.show();
    if (QApplication::arguments().contains(QLatin1String("--time-f2")))
        return timeF2(form);
    if (QApplication::arguments().contains(QLatin1String("--log-window")))
        form.findChild<QAction *>(QStringLiteral("mnuLogWindow"))->trigger();
    QTimer::singleShot(100, &form, [&form] {
        for (const char *call : { "LAST1", "LAST2" }) {
            form.setFieldText(storage::QsoRecord::Call, QLatin1String(call));
            form.sQSO();
        }
    });
    return QApplication::exec();
}
