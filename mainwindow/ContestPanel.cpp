#include "mainwindow/ContestPanel.h"

#include "contest/Exchange.h"
#include "contest/RuleFiles.h"
#include "formats/Cabrillo.h"
#include "formats/CabrilloRequest.h"
#include "formats/Contact.h"
#include "formats/Station.h"
#include "mainwindow/ContestDialog.h"
#include "mainwindow/Form1.h"
#include "mainwindow/UtcOffset.h"
#include "storage/Logbook.h"
#include "storage/Settings.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include <sys/stat.h>

#include <cmath>
#include <cstring>

using storage::QsoRecord;

namespace {

QString exchangeWord(contest::ExchangeKind kind)
{
    switch (kind) {
    case contest::ExchangeKind::Serial: return QStringLiteral("serial");
    case contest::ExchangeKind::Zone: return QStringLiteral("zone");
    case contest::ExchangeKind::Region: return QStringLiteral("state or province");
    case contest::ExchangeKind::Any: return QStringLiteral("exchange");
    case contest::ExchangeKind::None: break;
    }
    return {};
}

// The marked received report stands out as the duplicate mark does, in another colour.
void markField(QWidget *field, const QString &missing)
{
    QPalette palette = field->palette();
    const bool marked = !missing.isEmpty();
    palette.setColor(QPalette::Base, marked ? QColor(255, 236, 140) : QPalette().color(QPalette::Base));
    palette.setColor(QPalette::Text, marked ? QColor(Qt::black) : QPalette().color(QPalette::Text));
    field->setPalette(palette);
    const QString note = marked ? QStringLiteral("The received report holds no %1, which the contest "
                                                 "exchange needs")
                                          .arg(missing)
                                : QString();
    field->setToolTip(note);
    field->setAccessibleDescription(note);
}

} // namespace

ContestPanel::ContestPanel(Form1 &form) : QObject(&form), m_form(form)
{
    m_row = form.addStatusRow(QStringLiteral("contestRow"), QStringLiteral("Contest score and rate"));
    m_row->setTextFormat(Qt::RichText);
    connect(&form, &Form1::logbookChanged, this, &ContestPanel::logbookChanged);
    if (auto *mode = form.findChild<QAction *>(QStringLiteral("mnuContest")))
        connect(mode, &QAction::toggled, this, &ContestPanel::updateShown);
    for (const auto field : { QsoRecord::Call, QsoRecord::Recv })
        connect(static_cast<QLineEdit *>(form.control(field)), &QLineEdit::textChanged, this,
                &ContestPanel::updateMark);
    connect(static_cast<QComboBox *>(form.control(QsoRecord::Mode)), &QComboBox::currentTextChanged,
            this, &ContestPanel::updateMark);
    // The notice of a contact saved without its exchange stays until the next one begins.
    connect(static_cast<QLineEdit *>(form.control(QsoRecord::Call)), &QLineEdit::textEdited, this,
            [this](const QString &call) {
                if (!call.isEmpty() && !m_notice.isEmpty()) {
                    m_notice.clear();
                    showTotals();
                }
            });
    m_minute.setInterval(60 * 1000);
    connect(&m_minute, &QTimer::timeout, this, &ContestPanel::showTotals);
    const contest::LoadedContest loaded = contest::loadChosenContest(storage::iniPath());
    // What vantel.ini held but could not be used (a start that is no date) is said in the
    // row until another choice is made, not dropped without a word.
    m_iniProblems = loaded.problems.join(QLatin1Char(' '));
    useChoice(loaded.chosen);
}

ContestPanel::~ContestPanel() = default;

QStringList ContestPanel::contestNames() const
{
    return contest::loadRules().names();
}

bool ContestPanel::contestMode() const
{
    const auto *mode = m_form.findChild<QAction *>(QStringLiteral("mnuContest"));
    return mode && mode->isChecked();
}

void ContestPanel::chooseRules()
{
    contest::ChosenContest current = m_chosen;
    // A new session starts now unless the operator types its start.
    if (current.name.isEmpty() && !current.from.isValid()) {
        const QDateTime now = logClock();
        current.from = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()), Qt::UTC);
    }
    auto *dialog = new ContestDialog(ContestDialog::Purpose::Rules, contestNames(), current, {}, &m_form);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    connect(dialog, &ContestDialog::chosen, this, [this](const formats::CabrilloRequest &request) {
        const contest::ChosenContest chosen { request.contest, request.from, request.to };
        m_iniProblems.clear();
        if (const auto problem = contest::saveChosenContest(storage::iniPath(), chosen))
            m_form.platform().showError(
                    QStringLiteral("The contest was not remembered for the next start: %1.").arg(*problem));
        useChoice(chosen);
    });
    dialog->show();
}

void ContestPanel::useChoice(const contest::ChosenContest &chosen)
{
    m_chosen = chosen;
    Q_EMIT chosenChanged();
    m_rules.reset();
    m_scorer.reset();
    m_path.clear();
    if (!m_chosen.name.isEmpty()) {
        const contest::RuleBook book = contest::loadRules();
        if (const contest::RuleSet *rules = book.find(m_chosen.name))
            m_rules = *rules;
        else
            m_problem = QStringLiteral("vantel has no rules for %1.").arg(m_chosen.name);
    }
    updateShown();
}

void ContestPanel::updateShown()
{
    const bool shown = contestMode() && !m_chosen.name.isEmpty();
    m_form.showStatusRow(m_row, shown);
    if (shown) {
        recount();
        m_minute.start();
    } else {
        m_path.clear();
        m_minute.stop();
    }
    updateMark();
}

void ContestPanel::recount()
{
    m_scorer.reset();
    m_path = m_form.session().path();
    m_scored = 0;
    m_seen = {};
    if (m_rules) {
        if (!m_countries) {
            formats::Options options;
            QStringList notes;
            formats::loadExportCountries(options, notes);
            m_countries = options.countries;
            if (options.countries.isEmpty())
                m_problem = QStringLiteral("No country file could be read (%1), so there is no score.")
                                    .arg(options.countriesMissing);
        }
        m_myCall = formats::loadStation(storage::iniPath()).station.call;
        if (m_myCall.isEmpty())
            m_problem = QStringLiteral("The score needs your call sign: Setup, Station...");
        else if (!m_countries->isEmpty())
            m_problem.clear();
        if (m_problem.isEmpty()) {
            m_scorer.emplace(*m_rules, *m_countries, m_myCall);
            if (!m_path.isEmpty())
                scoreFrom(1, false);
        }
    }
    showTotals();
}

bool ContestPanel::scoreFrom(qint64 first, bool tell)
{
    struct stat st {};
    Seen seen;
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0)
        seen = { quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                 qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec };
    auto opened = storage::LogbookReader::open(m_path, storage::IfMissing::Fail);
    if (!opened) {
        m_problem = QStringLiteral("The logbook could not be read, so there is no score.");
        m_scorer.reset();
        return false;
    }
    storage::LogbookReader &reader = opened.value();
    reader.skipTo(first);
    QsoRecord record;
    for (const char *bytes = reader.next(); bytes; bytes = reader.next()) {
        std::memcpy(record.bytes.data(), bytes, QsoRecord::Size);
        const formats::Contact contact = formats::readContact(record, reader.recordNumber());
        if (const auto qso = formats::scoredQso(contact); qso && m_chosen.holds(qso->when))
            m_scorer->add(*qso);
        if (tell) {
            if (const QString missing = missingExchange(record.field(QsoRecord::Recv), record.field(QsoRecord::Mode));
                !missing.isEmpty())
                m_notice = QStringLiteral("Contact %1 was saved without the received %2.")
                                   .arg(contact.number)
                                   .arg(missing);
        }
        m_scored = reader.recordNumber();
    }
    m_seen = seen;
    return true;
}

void ContestPanel::logbookChanged()
{
    if (!m_row->isVisibleTo(m_row->parentWidget()))
        return;
    if (m_form.session().path() != m_path || !m_scorer) {
        recount();
        return;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0) {
        recount();
        return;
    }
    const Seen now { quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                     qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec };
    // Our own save is seen once more when the file watch notices it.
    if (now == m_seen)
        return;
    // Records added at the end are scored alone; anything else is counted again.
    if (now.device == m_seen.device && now.inode == m_seen.inode && now.size / QsoRecord::Size > m_scored) {
        scoreFrom(m_scored + 1, true);
        showTotals();
        return;
    }
    recount();
}

QDateTime ContestPanel::logClock() const
{
    // The clock the date/time fill stamps contacts with: the computer's plus the UTC offset.
    double hours = 0;
    if (const QString &offset = m_form.setting("utc_off"); !offset.isEmpty()) {
        if (const auto parsed = parseUtcHours(offset); parsed && std::abs(*parsed) <= MaxUtcHours)
            hours = *parsed;
    }
    const QDateTime local = m_form.platform().now();
    return QDateTime(local.date(), local.time(), Qt::UTC).addSecs(qRound64(hours * 3600.0));
}

void ContestPanel::showTotals()
{
    if (!m_row->isVisibleTo(m_row->parentWidget()))
        return;
    QStringList plain;
    QString rich;
    const auto add = [&](const QString &text, bool warning) {
        plain << text;
        const QString escaped = text.toHtmlEscaped();
        rich += (rich.isEmpty() ? QString() : QStringLiteral("&nbsp;&nbsp;"))
                + (warning ? QStringLiteral("<b style=\"color:#b00000\">%1</b>").arg(escaped) : escaped);
    };
    if (!m_mark.isEmpty())
        add(QStringLiteral("No %1 received!").arg(m_mark), true);
    if (!m_notice.isEmpty())
        add(m_notice, true);
    if (!m_iniProblems.isEmpty())
        add(m_iniProblems, true);
    if (m_scorer) {
        const contest::Totals &t = m_scorer->totals();
        const QDateTime now = logClock();
        add(QStringLiteral("%1: %2 QSOs, %3 points \u00d7 %4 mults = %5").arg(m_chosen.name).arg(t.contacts).arg(t.points)
                    .arg(t.multipliers).arg(t.score()),
            false);
        add(QStringLiteral("Rate: %1 in 10 min, %2 in 60 min")
                    .arg(m_scorer->rate().count(now, 10))
                    .arg(m_scorer->rate().count(now, 60)),
            false);
    } else {
        add(QStringLiteral("%1: %2").arg(m_chosen.name, m_problem), false);
    }
    m_row->setText(rich);
    m_row->setAccessibleDescription(plain.join(QStringLiteral(". ")));
    // The row shows what fits; the whole of it is a hover away.
    m_row->setToolTip(m_row->accessibleDescription());
}

QString ContestPanel::missingExchange(const QString &recv, const QString &mode) const
{
    if (!m_rules)
        return {};
    const contest::ExchangeKind kind = m_scorer ? m_scorer->exchangeKind() : m_rules->exchangeFor({}, {});
    if (kind == contest::ExchangeKind::None)
        return {};
    // The report read as the export reads it, whatever the other fields hold yet (the
    // date is filled only on the way to the report).
    QsoRecord record;
    record.setField(QsoRecord::Call, QStringLiteral("X"));
    record.setField(QsoRecord::DateTime, QStringLiteral("01.01.00 00:00"));
    record.setField(QsoRecord::Recv, recv);
    record.setField(QsoRecord::Mode, mode);
    const formats::Contact contact = formats::readContact(record, 0);
    const contest::ReceivedExchange received = contest::splitReceived(contact.rstRcvd + contact.srx, contact.phone);
    return contest::exchangeComplete(kind, received.exchange) ? QString() : exchangeWord(kind);
}

void ContestPanel::updateMark()
{
    QString missing;
    if (contestMode() && m_rules && !m_form.fieldText(QsoRecord::Call).trimmed().isEmpty())
        missing = missingExchange(m_form.fieldText(QsoRecord::Recv), m_form.fieldText(QsoRecord::Mode));
    if (missing == m_mark)
        return;
    m_mark = missing;
    markField(m_form.control(QsoRecord::Recv), missing);
    showTotals();
}
