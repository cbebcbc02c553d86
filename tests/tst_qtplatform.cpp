#include "platform/QtPlatform.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

// The real dialogs, looked at while they are up: what the operator sees in them.
class TestQtPlatform : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fileDialogShowsEachFilterOnce_data();
    void fileDialogShowsEachFilterOnce();
    void messageBoxLeavesItsWindowInSight_data();
    void messageBoxLeavesItsWindowInSight();
};

// Runs `look` on the modal widget of type T once it is up, then closes it.
template<typename T, typename F>
void whenUp(F look)
{
    QTimer::singleShot(0, [look] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        look(dialog);
        dialog->reject();
    });
}

void TestQtPlatform::fileDialogShowsEachFilterOnce_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("logbook") << "Log(*.log)|*.log|Text(*.txt)|*.txt|All files(*.*)|*.*"
                             << QStringList { "Log(*.log)", "Text(*.txt)", "All files(*.*)" };
    QTest::newRow("source") << "LogFiles (*.log)|*.log|Text (*.txt)|*.txt|All Files|*.*"
                            << QStringList { "LogFiles (*.log)", "Text (*.txt)", "All Files" };
}

void TestQtPlatform::fileDialogShowsEachFilterOnce()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    QStringList seen;
    QString pattern;
    whenUp<QFileDialog>([&](QFileDialog *dialog) {
        auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        for (int i = 0; i < types->count(); ++i)
            seen << types->itemText(i);
        pattern = dialog->selectedNameFilter();
    });
    QtPlatform platform;
    QVERIFY(!platform.openFile({ QStringLiteral("t"), filter, QStringLiteral(".log"), {} }));
    QCOMPARE(seen, shown);
    // The first filter is the one in force when the dialog opens.
    QVERIFY2(pattern.endsWith(QStringLiteral("(*.log)")), qPrintable(pattern));
}

void TestQtPlatform::messageBoxLeavesItsWindowInSight_data()
{
    QTest::addColumn<int>("top"); // where the owner window stands
    QTest::newRow("window at the top") << 20;
    QTest::newRow("window near the bottom edge") << -1;
}

void TestQtPlatform::messageBoxLeavesItsWindowInSight()
{
    QFETCH(int, top);
    QMainWindow owner;
    owner.resize(790, 110);
    const QRect screen = owner.screen()->availableGeometry();
    owner.move(screen.left() + 5, top >= 0 ? screen.top() + top : screen.bottom() - 140);
    owner.show();
    QApplication::setActiveWindow(&owner);
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    QRect box;
    whenUp<QMessageBox>([&](QMessageBox *shown) { box = shown->frameGeometry(); });
    QtPlatform platform;
    platform.messageBox(QStringLiteral("Duplicate!!!"), QStringLiteral("vantel"), MsgBox::OkOnly);
    QVERIFY(box.isValid());
    QVERIFY2(!box.intersects(owner.frameGeometry()),
             qPrintable(QStringLiteral("box %1,%2 %3x%4 over window %5,%6 %7x%8")
                                .arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height())
                                .arg(owner.x()).arg(owner.y()).arg(owner.width()).arg(owner.height())));
    QVERIFY(screen.contains(box.topLeft()));
}

QTEST_MAIN(TestQtPlatform)
#include "tst_qtplatform.moc"
