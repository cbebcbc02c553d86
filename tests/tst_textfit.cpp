#include "FakePlatform.h"
#include "Form1Ui.h"
#include "TestSupport.h"
#include "convert/Form2.h"
#include "mainwindow/Form1.h"
#include "mainwindow/StationDialog.h"
#include "platform/QtPlatform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>

// Every caption, button text and list item fits its control: nothing reads "SK31" or
// "Add a title to destination f". Run at the desktop scales an operator meets (the test
// program is started with QT_SCALE_FACTOR 1, 1.25 as at 120 dpi, and 2).
class TestTextFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mainWindow();
    void conversionWindow();
    void stationWindow();
    void boxTitles_data();
    void boxTitles();

private:
    static QStringList cutTexts(QWidget *window);
};

QStringList TestTextFit::cutTexts(QWidget *window)
{
    QStringList cut;
    const auto check = [&](QWidget *w, const QString &text, int room) {
        const int need = w->fontMetrics().horizontalAdvance(text);
        if (need > room)
            cut << QStringLiteral("%1 \"%2\": %3 px in %4").arg(w->objectName(), text).arg(need).arg(room);
    };
    // A mnemonic's "&" is not drawn: "&&" shows as "&".
    const auto shown = [](QString text) {
        static const QRegularExpression mnemonic(QStringLiteral("&(.)"));
        return text.replace(mnemonic, QStringLiteral("\\1"));
    };
    for (QLabel *label : window->findChildren<QLabel *>())
        check(label, label->buddy() ? shown(label->text()) : label->text(),
              label->contentsRect().width() - 2 * label->margin());
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        check(button, shown(button->text()),
              button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width());
    }
    for (QCheckBox *box : window->findChildren<QCheckBox *>()) {
        QStyleOptionButton option;
        option.initFrom(box);
        check(box, shown(box->text()),
              box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width());
    }
    for (QComboBox *list : window->findChildren<QComboBox *>()) {
        // A line edit keeps two pixels free at each side of its text; a list that takes
        // no typing draws its item one pixel inside the style's field.
        QStyleOptionComboBox option;
        option.initFrom(list);
        const int room = list->lineEdit()
                ? list->lineEdit()->contentsRect().width() - 4
                : list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width() - 2;
        for (int i = 0; i < list->count(); ++i)
            check(list, list->itemText(i), room);
    }
    return cut;
}

void TestTextFit::mainWindow()
{
    ts::WorkDir dir;
    FakePlatform platform;
    Form1 form(platform);
    const Form1Ui ui(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The status label's own texts, and the QSO mode layout where Name and QTH show.
    ui.Label7->setText(QStringLiteral("GOOD ONE!!!"));
    ui.mnuContest->trigger();
    const QStringList cut = cutTexts(&form);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("\n"))));
}

void TestTextFit::conversionWindow()
{
    ts::WorkDir dir;
    FakePlatform platform;
    Form2 form(platform);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QStringList cut = cutTexts(&form);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("\n"))));
}

// Setup → "Station...", with the longest words OK can say beside the fields.
void TestTextFit::stationWindow()
{
    ts::WorkDir dir;
    StationDialog station(formats::Station {});
    station.show();
    QVERIFY(QTest::qWaitForWindowExposed(&station));
    auto *grid = station.findChild<QLineEdit *>(QStringLiteral("stationGrid"));
    QTest::keyClicks(grid, QStringLiteral("JS62qm45"));
    QTest::mouseClick(station.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(); // the layout makes room for the words
    QVERIFY(station.isVisible());
    QVERIFY(!station.findChild<QLabel *>(QStringLiteral("stationProblem"))->text().isEmpty());
    const QStringList cut = cutTexts(&station);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("\n"))));
}

void TestTextFit::boxTitles_data()
{
    QTest::addColumn<bool>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("the Duplicate box") << false << "Duplicate!!!" << "vantel";
    QTest::newRow("Cabrillo: call sign") << true << "Your station's call sign" << "Export to Cabrillo";
    QTest::newRow("Cabrillo: contest") << true << "The contest's name (may stay empty)" << "Export to Cabrillo";
    QTest::newRow("Create over a logbook") << false << "The logbook a.log already holds 1 contact." << "Create a new logbook";
    QTest::newRow("UTC delay") << true << "Enter your delay from UTC\nThis computer's clock is at UTC" << "Set UTC delay";
}

// A box is wide enough for its title under a real window manager, which puts a window
// menu, minimise, maximise and close beside the title, each about a title bar wide (one
// and a half lines of its bold face), with room to spare for a wider title face (openbox
// cut "Export to Cabrillo" in a box one title bar button wider than that): otherwise the
// title reads "Expor... abrillo".
void TestTextFit::boxTitles()
{
    QFETCH(bool, input);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QWidget owner;
    owner.show();
    QApplication::setActiveWindow(&owner);
    int width = 0;
    QFont font;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), title);
        width = box->frameGeometry().width();
        font = box->font();
        box->reject();
    });
    QtPlatform platform;
    if (input)
        QVERIFY(!platform.inputBox(text, title, QString()));
    else
        platform.messageBox(text, title, MsgBox::OkOnly);
    font.setBold(true);
    const QFontMetrics bold(font);
    const int need = bold.horizontalAdvance(title) + 4 * (bold.height() * 3 / 2) + 3 * bold.height();
    QVERIFY2(width >= need, qPrintable(QStringLiteral("%1 px for \"%2\", %3 px needed").arg(width).arg(title).arg(need)));
}

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
