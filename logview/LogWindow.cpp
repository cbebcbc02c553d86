#include "logview/LogWindow.h"

#include "country/CountryLoader.h"
#include "logview/CorrectDialog.h"
#include "logview/LogModel.h"
#include "platform/Counted.h"
#include "platform/StorageReport.h"
#include "platform/Twips.h"
#include "storage/RecordFields.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using storage::QsoRecord;

namespace {

constexpr int kRowsShown = 20;

// A grey cross, drawn at the sizes a line edit asks for on any screen.
QIcon clearIcon()
{
    QIcon icon;
    for (const int side : { 16, 32 }) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(120, 120, 120), side / 8.0, Qt::SolidLine, Qt::RoundCap));
        const double in = side * 0.3;
        const double out = side - in;
        painter.drawLine(QPointF(in, in), QPointF(out, out));
        painter.drawLine(QPointF(in, out), QPointF(out, in));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

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
    // The clear button with an icon of its own: Qt's looks for one through the desktop's
    // icon themes first, a search of many folders that made the first F2 slow.
    QAction *clear = m_search->addAction(clearIcon(), QLineEdit::TrailingPosition);
    clear->setObjectName(QStringLiteral("clearSearch"));
    clear->setToolTip(QStringLiteral("Clear"));
    clear->setVisible(false);
    connect(clear, &QAction::triggered, m_search, &QLineEdit::clear);
    connect(m_search, &QLineEdit::textChanged, clear,
            [clear](const QString &text) { clear->setVisible(!text.isEmpty()); });
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
    for (int column = 0; column < LogModel::ColumnCount; ++column)
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
    // The list narrowed or widened: the newest stays selected when it was, the contact the
    // operator chose stays chosen while it is shown.
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_followTail || !m_view->currentIndex().isValid())
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
    // The country as the file names it is cut where it is long ("Fed. Rep. of Germany").
    const int countryWidth = metrics.horizontalAdvance(QStringLiteral("United States")) + 2 * digit;
    m_view->setColumnWidth(LogModel::CountryColumn, countryWidth);
    for (const int column : { int(LogModel::ContinentColumn), int(LogModel::CqZoneColumn) })
        m_view->setColumnWidth(column, metrics.horizontalAdvance(
                                               m_model->headerData(column, Qt::Horizontal).toString())
                                       + 3 * digit);
}

void LogWindow::setCountries(const country::CountryTable &table)
{
    m_countriesGiven = true;
    m_model->setCountries(table);
}

void LogWindow::followLogbook(const QString &path)
{
    // A Find text belongs to the logbook it was typed for: kept, it would hide most of
    // another one ("10 contacts, 0 shown").
    if (path != m_model->path())
        m_search->clear();
    if (path != m_model->path() && !path.isEmpty())
        (void)recoverBeforeUse(
                m_platform, path,
                QStringLiteral("The log window may show one contact half corrected."));
    m_model->setPath(path);
    m_ownSession.use(path, 0);
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
    if (!m_placed) {
        placeBesideOwner();
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
    selectNewest();
    if (!m_countries && !m_countriesGiven) {
        m_countries = new country::CountryLoader(this);
        connect(m_countries, &country::CountryLoader::loaded, this, [this] {
            if (!m_countriesGiven)
                m_model->setCountries(m_countries->data().table);
        });
        QTimer::singleShot(0, m_countries, [loader = m_countries] { loader->start(); });
    }
    m_view->setFocus(Qt::OtherFocusReason);
}

// Below the entry window, else to its right, above or to its left, where the screen has
// room: never over the call field the operator types into while the list narrows. With
// room nowhere it takes the larger space above or below, a little shorter.
void LogWindow::placeBesideOwner()
{
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner || !owner->isVisible() || !owner->screen())
        return;
    const QRect screen = owner->screen()->availableGeometry();
    const QRect frame = owner->frameGeometry();
    // The frame the window manager adds is not known before the window shows: allow for
    // a title bar and the owner's borders.
    const int border = std::max(0, (frame.width() - owner->geometry().width()) / 2);
    const int titleBar = std::max(30, frame.height() - owner->geometry().height() - border);
    const QSize extra(2 * border, titleBar + border);
    constexpr int gap = 4;
    const auto fitted = [&](int along, int length, int low, int high) {
        return std::max(low, std::min(along, high - length + 1));
    };
    const QSize outer = size() + extra;
    const QRect candidates[] = {
        { QPoint(fitted(frame.left(), outer.width(), screen.left(), screen.right()), frame.bottom() + 1 + gap), outer },
        { QPoint(frame.right() + 1 + gap, fitted(frame.top(), outer.height(), screen.top(), screen.bottom())), outer },
        { QPoint(fitted(frame.left(), outer.width(), screen.left(), screen.right()), frame.top() - gap - outer.height()), outer },
        { QPoint(frame.left() - gap - outer.width(), fitted(frame.top(), outer.height(), screen.top(), screen.bottom())), outer },
    };
    for (const QRect &place : candidates) {
        if (screen.contains(place)) {
            move(place.topLeft());
            return;
        }
    }
    const int below = screen.bottom() - frame.bottom() - gap;
    const int above = frame.top() - screen.top() - gap;
    const int room = std::max(below, above) - extra.height();
    if (room < height() / 3)
        return; // the platform's own place
    resize(width(), room);
    const int x = fitted(frame.left(), outer.width(), screen.left(), screen.right());
    move(x, below >= above ? frame.bottom() + 1 + gap : screen.top());
}

void LogWindow::selectNewest()
{
    selectRow(m_model->rowCount() - 1);
}

void LogWindow::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index, QAbstractItemView::EnsureVisible);
    m_followTail = row == m_model->rowCount() - 1;
}

void LogWindow::correctSelected()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    const qint64 number = m_model->recordNumber(current.row());
    auto *dialog = new CorrectDialog(m_platform, *m_session, number,
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
    // A row is a contact: Home and End go to the first and the newest one, not to the
    // first and last column of the row (Enter would then correct the wrong contact).
    if (watched == m_view && (key == Qt::Key_Home || key == Qt::Key_End)) {
        selectRow(key == Qt::Key_Home ? 0 : m_model->rowCount() - 1);
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
