#include "mainwindow/ImportDialog.h"

#include "platform/Counted.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ImportDialog::ImportDialog(const QString &title, const QString &heading, const QStringList &lines,
    qint64 toAdd, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportSummary"));
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    auto *head = new QLabel(heading, this);
    head->setObjectName(QStringLiteral("importHeading"));
    head->setTextFormat(Qt::PlainText);
    head->setWordWrap(true);
    // Wide enough for a path on a line or two, not a word a line.
    head->setMinimumWidth(head->fontMetrics().averageCharWidth() * 60);
    layout->addWidget(head);
    m_summary = new QLabel(lines.join(QLatin1Char('\n')), this);
    m_summary->setObjectName(QStringLiteral("importSummary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);
    auto *buttons = new QDialogButtonBox(this);
    m_import = buttons->addButton(
        QStringLiteral("&Import %1").arg(contactCount(toAdd)), QDialogButtonBox::AcceptRole);
    m_import->setObjectName(QStringLiteral("importConfirm"));
    m_import->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("importCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_import->setFocus();
}
