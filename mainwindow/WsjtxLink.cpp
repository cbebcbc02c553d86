#include "mainwindow/WsjtxLink.h"

#include "formats/PlainText.h"
#include "links/WsjtxListener.h"
#include "mainwindow/Form1.h"
#include "mainwindow/WsjtxRow.h"
#include "mainwindow/LinkNote.h"
#include "platform/Counted.h"
#include "storage/TextCodec.h"

#include <QApplication>
#include <QDir>
#include <QFile>

using storage::QsoRecord;

WsjtxLink::WsjtxLink(Form1 &form, LinkNote &note, QObject *parent)
    : Link(form, note, parent)
    , m_spool(QDir::current().absoluteFilePath(spoolFileName()))
{
    // A contact kept back by another station's lock is tried again; nothing else would
    // tell us that the lock is gone.
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &WsjtxLink::saveWaiting);
    // A contact that waits for the logbook is saved once the logbook can take it.
    connect(&form, &Form1::logbookChanged, this, [this] {
        if (!m_toSave.isEmpty())
            scheduleSaving();
    });
}

void WsjtxLink::addSettings(links::LinkSettings &settings) const
{
    settings.add(WsjtxRow::Group, "WSJT-X", links::WsjtxSettings());
}

void WsjtxLink::apply(const links::LinkSettings &settings)
{
    listen(settings.get<links::WsjtxSettings>(WsjtxRow::Group));
    // The contacts an earlier run left waiting, once the link knows its settings.
    if (!m_restored) {
        m_restored = true;
        restoreSpooled();
    }
}

void WsjtxLink::listen(const links::WsjtxSettings &settings)
{
    delete m_listener;
    m_listener = nullptr;
    m_problem.clear();
    m_settings = settings;
    if (!m_settings.enabled)
        return;
    m_listener = new links::WsjtxListener(m_settings, this);
    connect(m_listener, &links::WsjtxListener::logged, this, &WsjtxLink::save);
    if (const auto problem = m_listener->listen()) {
        m_problem = *problem;
        delete m_listener;
        m_listener = nullptr;
        m_form.platform().showError(
            QStringLiteral("vantel cannot listen for WSJT-X on %1 port %2: %3.\n\nThe "
                           "WSJT-X link stays off; choose another port under Tools, "
                           "Connections.")
                .arg(m_settings.address)
                .arg(m_settings.port)
                .arg(m_problem));
    }
}

QString WsjtxLink::status() const
{
    if (!m_settings.enabled)
        return QStringLiteral("off");
    if (!m_listener)
        return QStringLiteral("cannot listen: %1").arg(m_problem);
    const QString heard = m_listener->lastHeard();
    return heard.isEmpty() ? QStringLiteral("listening, nothing heard yet")
                           : QStringLiteral("heard %1").arg(heard);
}

void WsjtxLink::save(const links::LoggedContact &contact)
{
    if (!contact.refused.isEmpty()) {
        const QString call = formats::escaped(contact.call.left(20));
        m_note.show(QStringLiteral("WSJT-X: %1 not saved").arg(call),
            QStringLiteral("The contact with %1 from WSJT-X was not saved: %2. It is in "
                           "WSJT-X's own log; type it in here if you want it.")
                .arg(call, contact.refused),
            true);
        QApplication::alert(&m_form);
        return;
    }
    // Behind the ones that wait, or at once: the order WSJT-X logged them in is kept.
    if (m_toSave.isEmpty()) {
        QString whyNot;
        if (const auto number = m_form.saveContact(contact.record,
                QStringLiteral("The contact with %1 from WSJT-X").arg(contact.call), &whyNot)) {
            m_note.show(
                QStringLiteral("WSJT-X: %1 %2").arg(*number).arg(contact.call), QString(), false);
            // Seen without taking the focus: the window asks for attention when not in front.
            QApplication::alert(&m_form);
            return;
        }
        keep(contact);
        showWaiting(whyNot);
        m_retry.start();
        return;
    }
    keep(contact);
    showWaiting(QString());
}

// A contact the logbook cannot take now is the operator's all the same: it goes to the
// spool on disk as soon as the contacts that came with it are read, so that a crash or
// Exit does not lose it; one force to the disk for the lot keeps a flood from holding
// the window.
void WsjtxLink::keep(const links::LoggedContact &contact)
{
    m_toSave.enqueue({ contact, Unwritten });
    if (m_spoolScheduled)
        return;
    m_spoolScheduled = true;
    QMetaObject::invokeMethod(this, &WsjtxLink::writeSpool, Qt::QueuedConnection);
}

void WsjtxLink::writeSpool()
{
    m_spoolScheduled = false;
    QList<QsoRecord> records;
    for (const Waiting &waiting : std::as_const(m_toSave)) {
        if (waiting.spooled == Unwritten)
            records << waiting.contact.record;
    }
    if (records.isEmpty())
        return;
    const auto first = m_spool.append(records);
    if (!first)
        m_spoolProblem = QStringLiteral("%1: %2").arg(first.error().path, first.error().reason);
    qint64 next = first ? first.value() : NotKept;
    for (Waiting &waiting : m_toSave) {
        if (waiting.spooled == Unwritten)
            waiting.spooled = first ? next++ : NotKept;
    }
    if (!first)
        showWaiting(QString());
}

// A spool cut short or changed by something else holds contacts nobody can read back:
// they are told and counted, and the file is copied aside whole before the readable
// ones are saved (which ends with the spool's removal), so no byte of it is lost.
bool WsjtxLink::keepDamagedSpool(qint64 unreadable, qsizetype readable)
{
    QString aside = m_spool.path() + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_spool.path() + QStringLiteral(".damaged-%1").arg(n);
    const bool copied = QFile::copy(m_spool.path(), aside);
    m_form.platform().showError(
        QStringLiteral("%1 kept for WSJT-X in %2 could not be read back: the file was cut short "
                       "or changed by another program. %3\n\nThe %4 that could be read are saved "
                       "as usual.")
            .arg(contactCount(unreadable), QDir::toNativeSeparators(m_spool.path()),
                 copied ? QStringLiteral("The whole file is kept as %1 for you to look at.")
                                  .arg(QDir::toNativeSeparators(aside))
                        : QStringLiteral("It could not be copied aside, so it is left as it is "
                                         "and nothing is taken from it now."),
                 contactCount(readable)));
    return copied;
}

void WsjtxLink::restoreSpooled()
{
    qint64 unreadable = 0;
    const auto spooled = m_spool.waiting(&unreadable);
    if (!spooled) {
        m_form.platform().showError(
            QStringLiteral("The WSJT-X contacts kept in %1 could not be read: %2. The file "
                           "is left as it is.")
                .arg(QDir::toNativeSeparators(m_spool.path()), spooled.error().reason));
        return;
    }
    if (unreadable > 0 && !keepDamagedSpool(unreadable, spooled.value().size()))
        return;
    for (const links::ContactSpool::Entry &entry : spooled.value()) {
        links::LoggedContact contact;
        contact.record = entry.record;
        contact.call
            = storage::fromDisk(storage::trimSpaces(entry.record.fieldBytes(QsoRecord::Call)));
        m_toSave.enqueue({ contact, entry.index });
    }
    // A crash between the save and the mark in the spool left the first one saved.
    if (!m_toSave.isEmpty() && m_toSave.head().spooled >= 0
        && alreadyInLogbook(m_toSave.head().contact.record)) {
        (void)m_spool.markSaved(m_toSave.head().spooled);
        m_toSave.dequeue();
    }
    if (!m_toSave.isEmpty())
        scheduleSaving();
}

bool WsjtxLink::alreadyInLogbook(const QsoRecord &record) const
{
    const storage::LogbookSession &session = m_form.session();
    if (!session.isOpen() || session.qsoCount < 1)
        return false;
    QFile logbook(session.path());
    if (!logbook.open(QIODevice::ReadOnly)
        || !logbook.seek(qint64(session.qsoCount - 1) * QsoRecord::Size))
        return false;
    const QByteArray last = logbook.read(QsoRecord::Size);
    // The number is the save's own; the rest is what was kept.
    constexpr int NumberWidth = QsoRecord::Widths[QsoRecord::Number];
    return last.size() == QsoRecord::Size
        && last.mid(NumberWidth)
        == QByteArray(record.bytes.data() + NumberWidth, QsoRecord::Size - NumberWidth);
}

void WsjtxLink::scheduleSaving()
{
    if (m_savingScheduled)
        return;
    m_savingScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_savingScheduled = false;
            saveWaiting();
        },
        Qt::QueuedConnection);
}

void WsjtxLink::showWaiting(const QString &whyNot)
{
    if (!whyNot.isEmpty())
        m_lastWhyNot = whyNot;
    qsizetype lost = 0;
    for (const Waiting &waiting : std::as_const(m_toSave))
        lost += waiting.spooled == NotKept ? 1 : 0;
    const qsizetype count = m_toSave.size();
    QString more = m_lastWhyNot + QStringLiteral("\n\n");
    if (lost == 0)
        more += QStringLiteral("They are kept in %1 and saved as soon as the logbook can take "
                               "them, also after a restart.")
                    .arg(QDir::toNativeSeparators(m_spool.path()));
    else
        more += QStringLiteral("%1 of them could not be kept on disk (%2) and would be lost if "
                               "vantel ended now.")
                    .arg(lost)
                    .arg(m_spoolProblem);
    m_note.show(QStringLiteral("WSJT-X: ") + contactCount(count, "waits", "wait"), more, true);
    QApplication::alert(&m_form);
}

// Saves the contacts that wait, in order, one an event so that the keys go on: one
// that cannot be saved now (no logbook, another station's lock, or a logbook another
// program changed) raises no box that would take the keys from the operator; it waits,
// the note says so, and it is tried again every RetryMs and whenever the logbook changes.
void WsjtxLink::saveWaiting()
{
    if (m_saving || m_toSave.isEmpty())
        return; // a save tells of its own change of the logbook
    m_saving = true;
    const Waiting &head = m_toSave.head();
    QString whyNot;
    const auto number = m_form.saveContact(head.contact.record,
        QStringLiteral("The contact with %1 from WSJT-X").arg(head.contact.call), &whyNot);
    m_saving = false;
    if (!number) {
        showWaiting(whyNot);
        m_retry.start();
        return;
    }
    // Marked only once it is in the logbook: a crash in between costs no contact.
    if (head.spooled >= 0)
        (void)m_spool.markSaved(head.spooled);
    const QString call = head.contact.call;
    m_toSave.dequeue();
    if (m_toSave.isEmpty()) {
        m_retry.stop();
        m_note.show(QStringLiteral("WSJT-X: %1 %2").arg(*number).arg(call), QString(), false);
        QApplication::alert(&m_form);
        return;
    }
    showWaiting(QString());
    scheduleSaving();
}

QString WsjtxLink::unsavedContacts()
{
    writeSpool();
    // A last try: the logbook may take them now.
    while (!m_toSave.isEmpty()) {
        const qsizetype before = m_toSave.size();
        saveWaiting();
        if (m_toSave.size() == before)
            break;
    }
    QStringList calls;
    for (const Waiting &waiting : std::as_const(m_toSave)) {
        if (waiting.spooled == NotKept)
            calls << waiting.contact.call;
    }
    if (calls.isEmpty())
        return {};
    return QStringLiteral("%1 from WSJT-X could not be saved yet (%2) and will be lost.")
        .arg(contactCount(calls.size()), calls.join(QStringLiteral(", ")));
}

std::unique_ptr<ConnectionRow> WsjtxLink::connectionRow(QWidget *dialog, const links::LinkSettings &settings)
{
    return std::make_unique<WsjtxRow>(dialog, settings, [this] { return status(); });
}
