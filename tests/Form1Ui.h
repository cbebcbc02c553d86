#pragma once

#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "storage/Settings.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <type_traits>

// The entry window's controls, found by the object names tests and accessibility
// tools see, and the steps an operator takes with them. A control that is not found
// is named in a warning and stays null (complete() is false).
struct Form1Ui
{
    explicit Form1Ui(const Form1 &form)
    {
        const auto find = [this, &form](auto *&control, const char *name) {
            control = form.findChild<std::remove_reference_t<decltype(control)>>(QLatin1String(name));
            m_complete = m_complete && control;
            if (!control)
                qWarning("Form1 has no control named %s", name);
        };
#define FORM1_FIND(name) find(name, #name)
        FORM1_FIND(Text1); FORM1_FIND(Text2); FORM1_FIND(Text3); FORM1_FIND(Text4);
        FORM1_FIND(Text5); FORM1_FIND(Text7); FORM1_FIND(Text8);
        FORM1_FIND(Combo1); FORM1_FIND(Combo2);
        FORM1_FIND(Label1); FORM1_FIND(Label2); FORM1_FIND(Label3); FORM1_FIND(Label4);
        FORM1_FIND(Label5); FORM1_FIND(Label6); FORM1_FIND(Label7); FORM1_FIND(Label8);
        FORM1_FIND(Label9); FORM1_FIND(Label10); FORM1_FIND(Label11); FORM1_FIND(Label12);
        FORM1_FIND(mnuFile); FORM1_FIND(mnuSetup); FORM1_FIND(mnuDefault); FORM1_FIND(mnuTools);
        FORM1_FIND(mnuOpen); FORM1_FIND(mnuSave); FORM1_FIND(sap2); FORM1_FIND(mnuExit);
        FORM1_FIND(mnuContest); FORM1_FIND(mnuReal); FORM1_FIND(mnuClear); FORM1_FIND(sep1);
        FORM1_FIND(mnuConvert); FORM1_FIND(mnuAbout); FORM1_FIND(mnuLogWindow);
        FORM1_FIND(mnuStation);
#undef FORM1_FIND
    }

    bool complete() const { return m_complete; }

    // Types into the call sign field as the operator would.
    void typeCall(const QString &call) const { QTest::keyClicks(Text2, call); }
    // Enter in the call sign field: the duplicate check.
    void pressEnter() const { QTest::keyClick(Text2, Qt::Key_Return); }
    // F1 in the call sign field with this call in it, the other fields as they stand:
    // the contact saved the way the operator saves one.
    void logCall(const QString &call) const
    {
        Text2->setText(call);
        QTest::keyClick(Text2, Qt::Key_F1);
    }

    EntryField *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr;
    EntryField *Text5 = nullptr, *Text7 = nullptr, *Text8 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLabel *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr;
    QLabel *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr;
    QMenu *mnuFile = nullptr, *mnuSetup = nullptr, *mnuDefault = nullptr, *mnuTools = nullptr;
    QAction *mnuOpen = nullptr, *mnuSave = nullptr, *sap2 = nullptr, *mnuExit = nullptr;
    QAction *mnuContest = nullptr, *mnuReal = nullptr, *mnuClear = nullptr, *sep1 = nullptr;
    QAction *mnuConvert = nullptr, *mnuAbout = nullptr, *mnuLogWindow = nullptr;
    QAction *mnuStation = nullptr;

private:
    bool m_complete = true;
};
