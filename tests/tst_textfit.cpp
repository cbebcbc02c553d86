#include "FakePlatform.h"
#include "TestSupport.h"
#include "convert/Form2.h"
#include "mainwindow/Form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

// Every caption, button text and list item fits its control: nothing reads "SK31" or
// "Add a title to destination f". Run at the desktop scales an operator meets (the test
// program is started with QT_SCALE_FACTOR 1, 1.25 as at 120 dpi, and 2).
class TestTextFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mainWindow();
    void conversionWindow();

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
    for (QLabel *label : window->findChildren<QLabel *>())
        check(label, label->text(), label->contentsRect().width() - 2 * label->margin());
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        check(button, button->text(),
              button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width());
    }
    for (QCheckBox *box : window->findChildren<QCheckBox *>()) {
        QStyleOptionButton option;
        option.initFrom(box);
        check(box, box->text(),
              box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width());
    }
    for (QComboBox *list : window->findChildren<QComboBox *>()) {
        // A line edit keeps two pixels free at each side of its text.
        const int room = list->lineEdit()->contentsRect().width() - 4;
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
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The status label's own texts, and the QSO mode layout where Name and QTH show.
    form.Label7->setText(QStringLiteral("GOOD ONE!!!"));
    form.mnuContest->trigger();
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

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
