#include "logview/LogWindow.h"

#include "logview/CorrectDialog.h"
#include "logview/LogModel.h"
#include "platform/Counted.h"
#include "platform/StorageReport.h"
#include "platform/Twips.h"
#include "storage/RecordFields.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

using storage::QsoRecord;

namespace {

constexpr int kRowsShown = 20;

} // namespace

LogWindow::LogWindow(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window), m_platform(platform), m_model(new LogModel(this))
{
    setObjectName(QStringLiteral("LogWindow"));
    setWindowTitle(QStringLiteral("Log"));
    QFont font = this->font();
    font.setPixelSize(WindowFontPixels + 1);
    setFont(font);

    auto *findLabel = new QLabel(QStringLiteral("&Find:"), this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(QStringLiteral("text in any field"));
    m_search->setClearButtonEnabled(true);
    findLabel->setBuddy(m_search);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("contacts"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setTabKeyNavigation(false);
    m_view->setWordWrap(false);
    m_view->setAlternatingRowColors(true);
    m_view->verticalHeader()->hide();
    // Fixed row heights and column widths: nothing is measured row by row, so 32767
    // rows cost no more to show than twenty.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setHighlightSections(false);
    sizeColumns();

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);

    auto *findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_search, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    setTabOrder(m_search, m_view);

    int width = m_view->frameWidth() * 2 + m_view->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < QsoRecord::FieldCount; ++column)
        width += m_view->columnWidth(column);
    const int height = m_view->verticalHeader()->defaultSectionSize() * kRowsShown
            + m_view->horizontalHeader()->sizeHint().height() + 3 * m_search->sizeHint().height();
    resize(width + layout->contentsMargins().left() + layout->contentsMargins().right(), height);

    m_view->installEventFilter(this);
    m_search->installEventFilter(this);
    connect(m_view, &QAbstractItemView::doubleClicked, this, &LogWindow::correctSelected);
    connect(m_search, &QLineEdit::textChanged, m_model, &LogModel::setSearchText);
    connect(m_model, &LogModel::statusChanged, this, &LogWindow::showStatus);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        selectNewest();
        showStatus();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_followTail)
            selectNewest();
        showStatus();
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                m_followTail = !current.isValid() || current.row() == m_model->rowCount() - 1;
            });
    showStatus();
}

void LogWindow::sizeColumns()
{
    const QFontMetrics metrics = m_view->fontMetrics();
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const int letter = metrics.horizontalAdvance(QLatin1Char('M'));
    for (const storage::RecordField &f : storage::RecordFields) {
        // Wide enough for a field of typical text and for its title.
        const int text = (digit + letter) / 2 * QsoRecord::Widths[f.field];
        const int title = metrics.horizontalAdvance(QLatin1String(f.title)) + 2 * digit;
        m_view->setColumnWidth(int(f.field), std::max(text, title) + digit);
    }
}

void LogWindow::followLogbook(const QString &path)
{
    if (path != m_model->path() && !path.isEmpty())
        (void)recoverBeforeUse(
                m_platform, path,
                QStringLiteral("The log window may show one contact half corrected."));
    m_model->setPath(path);
    setWindowTitle(path.isEmpty() ? QStringLiteral("Log")
                                  : QStringLiteral("Log - %1").arg(QFileInfo(path).fileName()));
}

void LogWindow::setCallFilter(const QString &text)
{
    // A call typed in the entry window is a new search: a Find text left from an earlier
    // one would hide its matches while the operator looks at the other window.
    if (!text.isEmpty())
        m_search->clear();
    m_model->setCallFilter(text);
}

void LogWindow::showNewest()
{
    // The newest contact is always in sight after F2, whatever narrowed the list before;
    // the next key in the call field narrows it again.
    m_search->clear();
    m_model->setCallFilter(QString());
    show();
    raise();
    activateWindow();
    selectNewest();
    m_view->setFocus(Qt::OtherFocusReason);
}

void LogWindow::selectNewest()
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const QModelIndex newest = m_model->index(rows - 1, 0);
    m_view->setCurrentIndex(newest);
    m_view->scrollTo(newest, QAbstractItemView::EnsureVisible);
    m_followTail = true;
}

void LogWindow::correctSelected()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    const qint64 number = m_model->recordNumber(current.row());
    auto *dialog = new CorrectDialog(m_platform, m_model->path(), number,
                                     m_model->record(current.row()), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this, number] {
        // Show the file as it now is, with the contact just worked on still selected.
        m_model->refresh();
        const int row = m_model->rowOf(number);
        if (row >= 0) {
            m_view->setCurrentIndex(m_model->index(row, 0));
            m_view->scrollTo(m_model->index(row, 0));
        }
        // Not every window manager hands the keys back when a dialog closes.
        activateWindow();
        m_view->setFocus(Qt::OtherFocusReason);
    });
    dialog->open();
}

bool LogWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_F2 || key == Qt::Key_Escape) {
        Q_EMIT backToEntry();
        return true;
    }
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_view && enter) {
        correctSelected();
        return true;
    }
    if (watched == m_search && (enter || key == Qt::Key_Down)) {
        m_view->setFocus(Qt::OtherFocusReason);
        if (!m_view->currentIndex().isValid())
            selectNewest();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LogWindow::showStatus()
{
    const QString file = QDir::toNativeSeparators(m_model->path());
    QString text;
    switch (m_model->state()) {
    case LogModel::State::NoLogbook:
        text = QStringLiteral("No logbook is open. Open or create one from the File menu.");
        break;
    case LogModel::State::Missing:
        text = QStringLiteral("The logbook %1 no longer exists: it was moved, renamed or deleted, "
                              "or its drive is not connected.")
                       .arg(file);
        break;
    case LogModel::State::Unreadable:
        text = QStringLiteral("The logbook %1 could not be read: %2.")
                       .arg(file, m_model->problem());
        break;
    case LogModel::State::Shown: {
        const qint64 all = m_model->recordCount();
        text = contactCount(all);
        if (m_model->rowCount() != all)
            text += QStringLiteral(", %1 shown").arg(m_model->rowCount());
        text += QLatin1Char('.');
        if (m_model->shrank())
            text += QStringLiteral(" Another program has shortened the logbook: the contacts it "
                                   "removed are no longer shown.");
        break;
    }
    }
    m_status->setText(text);
}
