#pragma once

#include "platform/CommonDialog.h"
#include "platform/Platform.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The conversion window: appends a text listing of a chosen logbook to a chosen file.
class Form2 : public QDialog
{
    Q_OBJECT
public:
    explicit Form2(Platform &platform, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command2 = nullptr;
    QCheckBox *Check1 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    CommonDialog CommonDialog1;

    // The files of this opening, chosen with "..." (the boxes only show them).
    QString sourcePath;
    QString destPath;

    // The main window's logbook, never a destination.
    void setLogbookInUse(const QString &path) { m_logbookInUse = path; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void command1Click();
    void command2Click();
    void command3Click();
    bool destinationMayTakeListing();

    Platform &m_platform;
    QString m_logbookInUse;
};
