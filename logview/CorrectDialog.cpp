#include "logview/CorrectDialog.h"

#include "platform/FieldRules.h"
#include "platform/StorageReport.h"
#include "storage/RecordFields.h"
#include "storage/TextCodec.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using storage::QsoRecord;

namespace {

// A field as the entry window would show it: without the spaces that fill it up.
QString shownText(const QsoRecord &record, QsoRecord::Field field)
{
    QByteArrayView bytes = record.fieldBytes(field);
    while (!bytes.isEmpty() && bytes.back() == ' ')
        bytes.chop(1);
    return storage::fromDisk(bytes);
}

} // namespace

CorrectDialog::CorrectDialog(Platform &platform, const storage::LogbookSession &session, qint64 number,
                             const QsoRecord &shown, QWidget *parent)
    : QDialog(parent), m_platform(platform), m_session(session), m_number(number), m_shown(shown)
{
    setObjectName(QStringLiteral("CorrectDialog"));
    setWindowTitle(QStringLiteral("Correct contact %1").arg(number));
    auto *form = new QFormLayout;
    for (const storage::RecordField &f : storage::RecordFields) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(f.control));
        applyFieldRules(edit, f.field);
        edit->setText(shownText(shown, f.field));
        // As the field shows it (without what its rules keep out): a field left as shown
        // is not written, so its bytes stay exactly as they are.
        m_initial[f.field] = edit->text();
        edit->setAccessibleName(QLatin1String(f.title));
        // Wide enough for the whole field.
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('W'))
                              * (QsoRecord::Widths[f.field] + 2));
        form->addRow(QLatin1String(f.title), edit);
        m_fields[f.field] = edit;
    }
    // The number reads as text, not as a field to type into: no frame, the dialog's own
    // background.
    QLineEdit *numberField = m_fields[QsoRecord::Number];
    numberField->setReadOnly(true);
    numberField->setFocusPolicy(Qt::NoFocus);
    numberField->setFrame(false);
    QPalette plain = numberField->palette();
    plain.setColor(QPalette::Base, plain.color(QPalette::Window));
    numberField->setPalette(plain);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CorrectDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CorrectDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // The usual correction is a mistyped call: it is selected, typing replaces it.
    m_fields[QsoRecord::Call]->setFocus(Qt::OtherFocusReason);
    m_fields[QsoRecord::Call]->selectAll();
}

QsoRecord CorrectDialog::corrected() const
{
    QsoRecord record = m_shown;
    for (int f = 0; f < QsoRecord::FieldCount; ++f) {
        const auto field = QsoRecord::Field(f);
        // An untouched field keeps its bytes exactly, whatever they are.
        if (field != QsoRecord::Number && m_fields[field]->text() != m_initial[field])
            record.setField(field, m_fields[field]->text());
    }
    return record;
}

void CorrectDialog::accept()
{
    const QsoRecord record = corrected();
    if (record.fieldBytes(QsoRecord::Call).trimmed().isEmpty()) {
        m_platform.showError(QStringLiteral("Contact %1 was not corrected: a contact without a "
                                            "call sign cannot be kept. Type the call sign.")
                                     .arg(m_number));
        return;
    }
    const storage::Status done = m_session.correct(m_number, m_shown, record);
    if (done) {
        QDialog::accept();
        return;
    }
    const bool changed = done.error().kind == storage::StorageError::Kind::Changed;
    m_platform.showError(failureText(
            QStringLiteral("Contact %1 was not corrected.").arg(m_number)
                    + (changed ? QStringLiteral(" Another program has changed or replaced the "
                                                "logbook since the contact was shown; the log "
                                                "window now shows it as it is. Correct it there "
                                                "again.")
                               : QString()),
            done.error()));
    // What this dialog shows is out of date; anything else may be tried again.
    if (changed)
        reject();
}
