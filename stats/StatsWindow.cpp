#include "stats/StatsWindow.h"

#include "country/CountryLoader.h"
#include "platform/Counted.h"
#include "platform/Twips.h"
#include "stats/BarChart.h"
#include "storage/AtomicOutput.h"
#include "storage/Journal.h"
#include "storage/Logbook.h"
#include "storage/StorageText.h"
#include "storage/TakeIntoUse.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

// More hours than this between the first contact and the last are shown as the hours of
// the day: a bar an hour over weeks is too thin to read.
constexpr qint64 kHoursShownInOrder = 72;

constexpr char kRangeFormat[] = "yyyy-MM-dd HH:mm";

QString hourText(qint64 hour, const char *format)
{
    return QDateTime::fromSecsSinceEpoch(hour * 3600, Qt::UTC).toString(QLatin1String(format));
}

} // namespace

StatsWindow::StatsWindow(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window), m_platform(platform), m_table(std::make_unique<country::CountryTable>())
{
    setObjectName(QStringLiteral("StatsWindow"));
    setWindowTitle(QStringLiteral("Statistics"));
    // Closed from the keyboard as a dialog is: Esc, or the desktop's close key.
    for (const QKeySequence &key : { QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close) })
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    QFont font = this->font();
    font.setPixelSize(WindowFontPixels + 1);
    setFont(font);

    m_from = new QLineEdit(this);
    m_from->setObjectName(QStringLiteral("from"));
    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("to"));
    auto *fromLabel = new QLabel(QStringLiteral("&From (UTC):"), this);
    auto *toLabel = new QLabel(QStringLiteral("&To (UTC):"), this);
    fromLabel->setBuddy(m_from);
    toLabel->setBuddy(m_to);
    for (QLineEdit *edit : { m_from, m_to }) {
        edit->setPlaceholderText(QStringLiteral("YYYY-MM-DD HH:MM"));
        edit->setToolTip(QStringLiteral("Empty: no limit"));
        edit->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("YYYY-MM-DD HH:MM")) * 5 / 4);
        connect(edit, &QLineEdit::editingFinished, this, &StatsWindow::recount);
    }
    m_save = new QPushButton(QStringLiteral("&Save as PNG..."), this);
    m_save->setObjectName(QStringLiteral("saveAsPng"));
    m_save->setAutoDefault(false);
    connect(m_save, &QPushButton::clicked, this, &StatsWindow::saveAsPng);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_charts = new QWidget(this);
    m_charts->setObjectName(QStringLiteral("charts"));
    m_charts->setAutoFillBackground(true);
    m_charts->setBackgroundRole(QPalette::Base);
    m_hours = new BarChart(QStringLiteral("hours"), m_charts);
    m_bands = new BarChart(QStringLiteral("bands"), m_charts);
    m_modes = new BarChart(QStringLiteral("modes"), m_charts);
    m_continents = new BarChart(QStringLiteral("continents"), m_charts);
    m_multipliers = new BarChart(QStringLiteral("multipliers"), m_charts);
    m_bands->setTitle(QStringLiteral("Contacts by band"));
    m_modes->setTitle(QStringLiteral("Contacts by mode"));
    m_continents->setTitle(QStringLiteral("Contacts by continent"));
    auto *grid = new QGridLayout(m_charts);
    grid->addWidget(m_hours, 0, 0, 1, 2);
    grid->addWidget(m_bands, 1, 0);
    grid->addWidget(m_modes, 1, 1);
    grid->addWidget(m_continents, 2, 0);
    grid->addWidget(m_multipliers, 2, 1);

    auto *top = new QHBoxLayout;
    top->addWidget(fromLabel);
    top->addWidget(m_from);
    top->addWidget(toLabel);
    top->addWidget(m_to);
    top->addStretch(1);
    top->addWidget(m_save);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_summary);
    layout->addWidget(m_charts, 1);
    m_recount.setSingleShot(true);
    m_recount.setInterval(0);
    connect(&m_recount, &QTimer::timeout, this, &StatsWindow::recount);
    resize(sizeHint().expandedTo(QSize(fontMetrics().averageCharWidth() * 110, fontMetrics().lineSpacing() * 40)));
}

StatsWindow::~StatsWindow() = default;

void StatsWindow::followLogbook(const QString &path)
{
    m_path = path;
    setWindowTitle(path.isEmpty() ? QStringLiteral("Statistics")
                                  : QStringLiteral("Statistics - %1").arg(QFileInfo(path).fileName()));
    // Once the save that told us has finished, and once for several changes told together.
    if (isVisible())
        m_recount.start();
}

void StatsWindow::setRules(const contest::RuleSet &rules, const QString &myCall)
{
    m_rules = rules;
    m_myCall = myCall;
    m_counter.reset();
    if (isVisible())
        recount();
}

void StatsWindow::setCountries(const country::CountryTable &table)
{
    m_countriesGiven = true;
    *m_table = table;
    m_counter.reset();
    if (isVisible())
        recount();
}

void StatsWindow::showAndCount()
{
    // The first time, no larger than the screen (the charts' least size aside).
    if (!m_shown) {
        m_shown = true;
        QWidget *owner = parentWidget() ? parentWidget()->window() : this;
        if (const QScreen *screen = owner->screen())
            resize(size().boundedTo(screen->availableGeometry().size() * 9 / 10).expandedTo(minimumSizeHint()));
    }
    show();
    raise();
    activateWindow();
    recount();
    startCountries();
}

// The country file is read once the window is on screen, off the path to its first paint;
// the continents and multipliers follow when it is there.
void StatsWindow::startCountries()
{
    if (m_countries || m_countriesGiven)
        return;
    m_countries = new country::CountryLoader(this);
    connect(m_countries, &country::CountryLoader::loaded, this, [this] {
        if (!m_countriesGiven)
            setCountries(m_countries->data().table);
    });
    QTimer::singleShot(0, m_countries, [loader = m_countries] { loader->start(); });
}

std::optional<QDateTime> StatsWindow::readRangeEnd(const QString &text, bool end)
{
    const QString typed = text.simplified();
    QDateTime when = QDateTime::fromString(typed, QLatin1String(kRangeFormat));
    if (!when.isValid()) {
        const QDate day = QDate::fromString(typed, QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid())
            return std::nullopt;
        when = QDateTime(day, end ? QTime(23, 59) : QTime(0, 0));
    }
    return QDateTime(when.date(), when.time(), Qt::UTC);
}

bool StatsWindow::readRange(stats::Range *range)
{
    QStringList problems;
    for (QLineEdit *edit : { m_from, m_to }) {
        const bool end = edit == m_to;
        std::optional<QDateTime> &bound = end ? range->to : range->from;
        if (edit->text().trimmed().isEmpty())
            continue;
        bound = readRangeEnd(edit->text(), end);
        if (!bound)
            problems << QStringLiteral("%1 \"%2\" is no date and time: type it as YYYY-MM-DD HH:MM.")
                                .arg(end ? QStringLiteral("To") : QStringLiteral("From"), edit->text());
    }
    if (range->from && range->to && *range->to < *range->from)
        problems << QStringLiteral("The range ends before it starts.");
    m_problem = problems.join(QLatin1Char(' '));
    return problems.isEmpty();
}

void StatsWindow::recount()
{
    m_recount.stop();
    stats::Range range;
    if (!readRange(&range)) {
        // The charts of the last range would pass for this one's.
        m_counts = {};
        showCounts();
        return;
    }
    m_counts = {};
    if (m_path.isEmpty()) {
        m_problem = QStringLiteral("No logbook is open.");
        showCounts();
        return;
    }
    // Read as the log window reads it: the journal is the entry window's to settle.
    const auto taken = storage::takeIntoUse(m_path, storage::IfMissing::Fail, 0, storage::JournalWork::Leave);
    auto reader = taken ? storage::LogbookReader::open(m_path, storage::IfMissing::Fail)
                        : storage::Result<storage::LogbookReader>(taken.error());
    if (!reader) {
        m_problem = storage::failureText(QStringLiteral("The logbook could not be read."), reader.error());
        showCounts();
        return;
    }
    QByteArray records;
    records.reserve(qsizetype(taken.value().count) * storage::QsoRecord::Size);
    for (auto block = reader.value().nextBlock(); block.records > 0; block = reader.value().nextBlock())
        records.append(block.data, block.records * storage::QsoRecord::Size);
    if (const auto &error = reader.value().error()) {
        m_problem = storage::failureText(QStringLiteral("The logbook could not be read."), *error);
        showCounts();
        return;
    }
    if (!m_counter) {
        m_counter = std::make_unique<stats::Counter>(m_rules, *m_table, m_myCall);
    }
    m_counts = m_counter->count(records.constData(), records.size() / storage::QsoRecord::Size, range);
    showCounts();
}

void StatsWindow::showCounts()
{
    const stats::Counts &c = m_counts;
    QString summary;
    if (!m_problem.isEmpty()) {
        summary = m_problem;
    } else {
        summary = c.contacts == c.records ? contactCount(c.contacts)
                                          : QStringLiteral("%1 of %2").arg(contactCount(c.contacts)).arg(c.records);
        if (c.undated > 0)
            summary += QStringLiteral("; %1 without a date and time").arg(c.undated);
        summary += QStringLiteral("; %1 %2 (%3)")
                           .arg(c.multipliers)
                           .arg(c.multipliers == 1 ? QStringLiteral("multiplier") : QStringLiteral("multipliers"))
                           .arg(m_rules.title.isEmpty() ? QStringLiteral("no contest rules found") : m_rules.title);
        if (m_table->isEmpty())
            summary += QStringLiteral("; continents and entities wait for the country file");
        summary += QLatin1Char('.');
    }
    m_summary->setText(summary);

    // Hours in order where the contacts span a few days, otherwise the hours of the day.
    QList<stats::Tally> hours;
    const QString none = QStringLiteral("No contacts");
    if (!c.perHour.empty()) {
        const qint64 first = c.perHour.begin()->first;
        const qint64 last = c.perHour.rbegin()->first;
        if (last - first < kHoursShownInOrder) {
            for (qint64 hour = first; hour <= last; ++hour) {
                const auto it = c.perHour.find(hour);
                hours.append({ hourText(hour, "HH"), it == c.perHour.end() ? 0 : it->second });
            }
            m_hours->setTitle(QStringLiteral("Contacts per hour (UTC), from %1 to %2")
                                      .arg(hourText(first, "yyyy-MM-dd HH:00"), hourText(last, "yyyy-MM-dd HH:59")));
        } else {
            for (int hour = 0; hour < 24; ++hour)
                hours.append({ QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')), 0 });
            for (const auto &[hour, count] : c.perHour)
                hours[int(((hour % 24) + 24) % 24)].count += count;
            m_hours->setTitle(QStringLiteral("Contacts per hour of the day (UTC), %1 to %2")
                                      .arg(hourText(first, "yyyy-MM-dd"), hourText(last, "yyyy-MM-dd")));
        }
    } else {
        m_hours->setTitle(QStringLiteral("Contacts per hour (UTC)"));
    }
    m_hours->setBars(hours, none);
    m_bands->setBars(c.byBand, none);
    m_modes->setBars(c.byMode, none);
    m_continents->setBars(c.byContinent, none);
    m_multipliers->setTitle(QStringLiteral("Multipliers by band: %1").arg(m_rules.title));
    m_multipliers->setBars(c.multipliersByBand, QStringLiteral("No multipliers"));
}

void StatsWindow::saveAsPng()
{
    const QFileInfo logbook(m_path);
    const QString offered = m_path.isEmpty()
            ? QStringLiteral("statistics.png")
            : QDir(logbook.absolutePath()).filePath(logbook.completeBaseName() + QStringLiteral("-statistics.png"));
    const QString title = QStringLiteral("Save the statistics as PNG");
    const std::optional<QString> chosen = m_platform.saveFile(
            { title, QStringLiteral("PNG image|*.png|All files(*.*)|*.*"), QStringLiteral(".png"), offered });
    if (!chosen || chosen->isEmpty())
        return;
    // A correction's journal goes there: an image in its place would be taken for one.
    if (!m_path.isEmpty() && storage::isJournalPath(*chosen, m_path)) {
        m_platform.showError(storage::failureText(QStringLiteral("The statistics were not saved."),
                                                  { storage::StorageError::Kind::File, *chosen,
                                                    QStringLiteral("it is where a correction of the logbook "
                                                                   "keeps its journal") }));
        return;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(*chosen).constData(), &st) == 0 && S_ISREG(st.st_mode)
        && !storage::sameFile(*chosen, m_path)
        && m_platform.messageBox(QStringLiteral("%1 already exists.\n\nReplace it with the statistics?")
                                         .arg(storage::shownPath(*chosen)),
                                 title, MsgBox::YesNo | MsgBox::Exclamation | MsgBox::DefaultButton2)
                != MsgBox::Yes)
        return;

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_charts->grab().save(&buffer, "PNG")) {
        m_platform.showError(QStringLiteral("The statistics were not saved: the image could not be made."));
        return;
    }
    // The logbook itself is refused here, unwritten.
    const storage::Status written = storage::writeOutput(*chosen, bytes, m_path);
    if (!written)
        m_platform.showError(storage::failureText(QStringLiteral("The statistics were not saved."), written.error()));
}
