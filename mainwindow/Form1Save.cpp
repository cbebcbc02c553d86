#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Messages.h"
#include "storage/Logbook.h"
#include "storage/SharedState.h"

#include <QComboBox>
#include <QLabel>

using namespace storage;

namespace {

// Setting a text lays it out again; a contest pace of saves need not pay for fields
// that already show what they should.
void clearField(QLineEdit *field)
{
    if (!field->text().isEmpty())
        field->clear();
}

void showInList(QComboBox *list, const QString &text)
{
    if (list->currentText() != text)
        list->setEditText(text);
}

} // namespace

bool Form1::noLogbookOpen()
{
    if (!logPath.isEmpty())
        return false;
    m_platform.showError(msg::noLogbook());
    return true;
}

void Form1::sQSO()
{
    // Nothing is written and the fields keep what was typed unless the record reaches the disk.
    if (noLogbookOpen())
        return;
    curQso.setField(QsoRecord::Number, Text1->text());
    curQso.setField(QsoRecord::Call, Text2->text());
    curQso.setField(QsoRecord::DateTime, Text3->text());
    curQso.setField(QsoRecord::Recv, Text4->text());
    curQso.setField(QsoRecord::Sent, Text5->text());
    curQso.setField(QsoRecord::Band, Combo1->currentText());
    curQso.setField(QsoRecord::Mode, Combo2->currentText());
    curQso.setField(QsoRecord::Name, Text7->text());
    curQso.setField(QsoRecord::Qth, Text8->text());

    const auto number = nextNumber(qsoCount);
    if (!number) {
        m_platform.showError(QStringLiteral("The contact was not saved.\n\n")
                             + msg::logbookFull(logPath));
        return;
    }
    const Status written = writeRecord(logPath, *number, curQso);
    if (!written) {
        QString what = QStringLiteral("The contact was not saved.");
        if (written.error().kind == StorageError::Kind::RecordExists)
            what += QStringLiteral(" Open the logbook again from the File menu, so that its "
                                   "contacts are counted anew, then press F1 again.");
        m_platform.showError(msg::failure(what, written.error()));
        return;
    }
    qsoCount = *number;
    Label7->clear();

    const auto next = nextNumber(qsoCount);
    if (!next) {
        m_platform.showError(QStringLiteral("Contact %1 was saved.\n\n").arg(qsoCount)
                             + msg::logbookFull(logPath));
        return;
    }
    Text1->setText(QString::number(*next));
    exchangeSent = exchangeFor(*next);

    if (mnuClear->isChecked()) {
        clearField(Text2);
        clearField(Text3);
        clearField(Text4);
        clearField(Text5);
        showInList(Combo1, defBand);
        showInList(Combo2, defMode);
        clearField(Text7);
        clearField(Text8);
        Text2->setFocus(Qt::OtherFocusReason);
    }
}
