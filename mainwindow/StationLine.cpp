#include "mainwindow/StationLine.h"

#include "country/CallParts.h"
#include "formats/Station.h"
#include "mainwindow/CheckPartialList.h"
#include "mainwindow/Form1.h"
#include "storage/Settings.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstring>

using country::CallInfo;
using country::Worked;
using storage::QsoRecord;

namespace {

// The known calls listed at most; the row shows what fits.
constexpr int kPartialLimit = 40;
// Check partial starts at the third character: two match thousands of calls.
constexpr int kPartialFrom = 3;

QString separator()
{
    return QStringLiteral(" \u00b7 ");
}

struct StatusLook
{
    const char *text;
    QColor colour; // invalid: the field keeps its own
};

StatusLook look(Worked::Status status)
{
    switch (status) {
    case Worked::Status::NewOne:
        return { "New one", QColor(140, 225, 140) };
    case Worked::Status::NewBand:
        return { "New band", QColor(160, 210, 255) };
    case Worked::Status::NewMode:
        return { "New mode", QColor(205, 190, 255) };
    case Worked::Status::WorkedBefore:
        return { "Worked before", QColor(255, 196, 160) };
    case Worked::Status::DupeOnBand:
        return { "Dupe on this band", QColor(255, 140, 140) };
    case Worked::Status::WorkedOtherBand:
        return { "Worked on another band", QColor(255, 230, 140) };
    case Worked::Status::New:
        return { "New call", QColor() };
    case Worked::Status::Nothing:
        break;
    }
    return { "", QColor() };
}

QColor bustedColour()
{
    return { 235, 170, 235 };
}

// "14 PSK31 2024-03-09 (contact 12)"
QString contactText(const Worked::Contact &contact)
{
    QStringList words;
    for (const QString &word : { contact.band.trimmed(), contact.mode.trimmed(),
                                 contact.date.isValid() ? contact.date.toString(Qt::ISODate) : QString() }) {
        if (!word.isEmpty())
            words << word;
    }
    words << QStringLiteral("(contact %1)").arg(contact.number);
    return words.join(QLatin1Char(' '));
}

// A call as far typed as calls go: a prefix with its area digits and a suffix after them.
bool looksComplete(const country::CallParts &parts)
{
    const qsizetype digitsEnd = country::areaDigitsEnd(parts.base);
    return parts.valid && parts.base.size() >= 3 && digitsEnd > 0 && digitsEnd < parts.base.size();
}

} // namespace

struct StationLine::Pending
{
    country::StationLookup lookup;
};

StationLine::StationLine(Form1 &form) : QObject(&form), m_form(form)
{
    setObjectName(QStringLiteral("stationLine"));
    m_contest = form.findChild<QAction *>(QStringLiteral("mnuContest"));
    m_row = form.addStatusRow(QStringLiteral("stationRow"), QStringLiteral("Station"));
    m_partialRow = form.addStatusRow(QStringLiteral("checkPartialRow"), QStringLiteral("Check partial"));
    m_partial = new CheckPartialList(m_partialRow);
    m_partial->hide();
    connect(m_partial, &CheckPartialList::chosen, this, &StationLine::pick);
    connect(m_partial, &CheckPartialList::left, this, [this] { m_form.control(QsoRecord::Call)->setFocus(Qt::OtherFocusReason); });

    m_form.control(QsoRecord::Call)->installEventFilter(this);
    for (const QsoRecord::Field field : { QsoRecord::Band, QsoRecord::Mode }) {
        if (auto *list = qobject_cast<QComboBox *>(form.control(field)))
            connect(list, &QComboBox::editTextChanged, this, &StationLine::refresh);
    }
    if (m_contest)
        connect(m_contest, &QAction::toggled, this, &StationLine::refresh);
    connect(&form, &Form1::logbookChanged, this, &StationLine::followLogbook);

    const formats::Station station = formats::loadStation(storage::iniPath()).station;
    m_ownCall = station.call;
    m_locator = station.grid;
    m_lookup.setStation(m_ownCall, m_locator);
    m_lookup.setLogbook(form.session().path());
    // Once the window is up: the first paint does not wait for the thread to start.
    QTimer::singleShot(0, this, [this] { start(country::countryFolders()); });
}

StationLine::~StationLine()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void StationLine::start(const QStringList &folders)
{
    if (m_thread || m_loaded)
        return;
    auto pending = std::make_shared<Pending>();
    m_pending = pending;
    const QString path = m_form.session().path();
    // The logbook is indexed there too: building the index of a full one takes longer
    // than reading the country file.
    m_thread = QThread::create([this, pending, folders, path, call = m_ownCall, locator = m_locator] {
        pending->lookup.setCountryData(country::loadCountryData(folders));
        pending->lookup.setStation(call, locator);
        pending->lookup.setLogbook(path);
        (void)pending->lookup.refresh();
        QMetaObject::invokeMethod(this, [this] { takePending(); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

void StationLine::takePending()
{
    if (!m_pending)
        return;
    m_thread->wait();
    m_lookup = std::move(m_pending->lookup);
    m_pending.reset();
    // The profile or the logbook may have changed while the thread worked.
    m_lookup.setStation(m_ownCall, m_locator);
    m_lookup.setLogbook(m_form.session().path());
    m_loaded = true;
    refresh();
}

void StationLine::setCountryData(const country::CountryData &data)
{
    if (m_pending)
        takePending();
    m_lookup.setCountryData(data);
    m_loaded = true;
    refresh();
}

const country::CountryData &StationLine::countryData()
{
    takePending();
    return m_lookup.data();
}

void StationLine::setContestSession(const QDateTime &from, const QDateTime &to)
{
    m_sessionFrom = from;
    m_sessionTo = to;
    refresh();
}

void StationLine::setStation(const QString &ownCall, const QString &locator)
{
    m_ownCall = ownCall;
    m_locator = locator;
    m_lookup.setStation(ownCall, locator);
    refresh();
}

void StationLine::followLogbook()
{
    m_lookup.setLogbook(m_form.session().path());
    // Form1 brings the mark (and so this line) up to date once the change is done.
}

QString StationLine::filesText() const
{
    const country::CountryData &data = m_lookup.data();
    QStringList parts;
    parts << (data.ctyPath.isEmpty() ? QStringLiteral("no country file")
                                     : QStringLiteral("cty.dat %1")
                                               .arg(data.ctyRelease.isValid() ? data.ctyRelease.toString(Qt::ISODate)
                                                                              : QStringLiteral("(no release given)")));
    parts << (data.scpPath.isEmpty() ? QStringLiteral("no known calls")
                                     : QStringLiteral("MASTER.SCP %1").arg(data.scpRelease));
    QString text = parts.join(QStringLiteral(", "));
    const QString ctyFolder = QFileInfo(data.ctyPath).absolutePath();
    if (!data.ctyPath.isEmpty() && (data.scpPath.isEmpty() || QFileInfo(data.scpPath).absolutePath() == ctyFolder))
        text += QStringLiteral(" from %1").arg(QDir::toNativeSeparators(ctyFolder));
    else if (!data.ctyPath.isEmpty())
        text = data.describe();
    return text;
}

QString StationLine::problemsText() const
{
    QStringList problems;
    for (const country::LoadError &problem : m_lookup.data().problems)
        problems << QStringLiteral("%1: %2").arg(problem.path, problem.reason);
    return problems.isEmpty() ? QString() : QStringLiteral("Not used: %1").arg(problems.join(QStringLiteral("; ")));
}

void StationLine::refresh()
{
    const QString typed = m_form.fieldText(QsoRecord::Call).trimmed();
    const bool typing = !typed.isEmpty();
    // A problem with the files is told in the line at start, until the first call is typed.
    const QString problems = m_loaded ? problemsText() : QString();
    if (typing && m_loaded)
        m_problemsTold = true;
    const bool telling = !typing && !problems.isEmpty() && !m_problemsTold;
    // The rows show while there is something to say: the window keeps its size otherwise.
    m_form.showStatusRow(m_row, typing || telling);
    m_form.showStatusRow(m_partialRow, typing);

    Mark mark;
    QString partOf;
    country::KnownCalls::Matches matches;
    QString partialNote;
    if (telling) {
        const QString text = problems + separator() + filesText();
        showText(m_row, text, text);
    } else if (typing && !m_loaded) {
        showText(m_row, QStringLiteral("Reading the country file\u2026"), QString());
        partialNote = QStringLiteral("Reading the known calls\u2026");
    } else if (typing) {
        const QString band = m_form.fieldText(QsoRecord::Band);
        const QString mode = m_form.fieldText(QsoRecord::Mode);
        const bool contest = m_contest && m_contest->isChecked();
        const country::StationInfo info = m_lookup.info(typed, band, mode, m_sessionFrom, m_sessionTo);
        const country::CallParts parts = country::splitCall(typed);

        QStringList words;
        switch (info.country.status) {
        case CallInfo::Status::Found: {
            const country::Entity &e = info.country.entity;
            words << e.name << e.continent << QStringLiteral("CQ %1").arg(e.cqZone)
                  << QStringLiteral("ITU %1").arg(e.ituZone);
            if (info.headingDeg && info.distanceKm)
                words << QStringLiteral("beam %1\u00b0, %2 km")
                                 .arg(qRound(*info.headingDeg) % 360)
                                 .arg(qRound(*info.distanceKm));
            break;
        }
        case CallInfo::Status::MaritimeMobile:
            words << QStringLiteral("Maritime mobile: no country");
            break;
        case CallInfo::Status::AeronauticalMobile:
            words << QStringLiteral("Aeronautical mobile: no country");
            break;
        case CallInfo::Status::Unknown:
            words << (m_lookup.data().table.isEmpty() ? QStringLiteral("No country file")
                                                      : QStringLiteral("No country for this call"));
            break;
        }

        const StatusLook status = look(info.worked.status(contest));
        QString said = QLatin1String(status.text);
        if (info.worked.callContacts > 0) {
            QStringList latest;
            for (const Worked::Contact &contact : info.worked.latest)
                latest << contactText(contact);
            const QString before = QStringLiteral("%1 %2: %3")
                                           .arg(info.worked.callContacts)
                                           .arg(info.worked.callContacts == 1 ? QStringLiteral("contact")
                                                                              : QStringLiteral("contacts"),
                                                latest.join(QStringLiteral(", ")));
            said = said.isEmpty() ? before : said + QStringLiteral(": ") + before;
        }
        mark.colour = status.colour;
        const bool busted = info.worked.callContacts == 0 && looksComplete(parts)
                && m_lookup.possiblyBusted(QString::fromLatin1(parts.base));
        if (busted) {
            const QString warning = QStringLiteral("Possibly busted: in neither MASTER.SCP nor the logbook");
            said = said.isEmpty() ? warning : warning + separator() + said;
            mark.colour = bustedColour();
        }
        if (!said.isEmpty())
            words << said;
        if (mark.colour.isValid())
            mark.text = said;
        const QString line = words.join(separator());
        showText(m_row, line, line);

        partOf = typed.toUpper();
        if (!parts.base.isEmpty() && partOf.contains(QLatin1Char('/')))
            partOf = QString::fromLatin1(parts.base);
        if (partOf.size() >= kPartialFrom) {
            matches = m_lookup.partial(partOf, kPartialLimit);
            if (matches.calls.isEmpty())
                partialNote = QStringLiteral("No known call holds %1").arg(partOf);
        } else {
            partOf.clear();
            partialNote = QStringLiteral("Check partial from the third character");
        }
        // The files in use, where the list has room for them.
        if (!partialNote.isEmpty())
            partialNote += separator() + filesText();
    }
    m_partial->showCalls(partOf, matches.calls, matches.more);
    m_partial->setGeometry(m_partialRow->contentsRect());
    m_partial->setVisible(!matches.calls.isEmpty());
    if (typing)
        showText(m_partialRow, partialNote, matches.calls.isEmpty() ? partialNote : m_partial->accessibleDescription());

    if (mark != m_mark) {
        m_mark = mark;
        Q_EMIT markChanged();
    }
}

void StationLine::showText(QLabel *row, const QString &text, const QString &description)
{
    // The row shows what fits; the whole line is its tooltip and what a screen reader says.
    const int width = row->contentsRect().width();
    row->setText(row->fontMetrics().elidedText(text, Qt::ElideRight, width));
    row->setToolTip(description);
    row->setAccessibleDescription(description);
}

qint64 StationLine::firstOnBandAndMode(const QString &call, const QString &band, const QString &mode,
                                       QsoRecord &record, QString &problem)
{
    takePending();
    problem = m_lookup.refresh();
    if (!problem.isEmpty())
        return 0;
    const Worked worked = m_lookup.index().worked(call, band, mode);
    const QByteArrayView bytes = m_lookup.index().record(worked.firstOnBandAndMode);
    if (bytes.size() != QsoRecord::Size)
        return 0;
    std::memcpy(record.bytes.data(), bytes.data(), QsoRecord::Size);
    return worked.firstOnBandAndMode;
}

void StationLine::pick(const QString &call)
{
    m_form.setFieldText(QsoRecord::Call, call);
    m_form.control(QsoRecord::Call)->setFocus(Qt::OtherFocusReason);
}

bool StationLine::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down
        && m_partial->count() > 0) {
        m_partial->setFocus(Qt::OtherFocusReason);
        if (!m_partial->currentItem())
            m_partial->setCurrentRow(0);
        m_partial->currentItem()->setSelected(true);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
