#include "mainwindow/FldigiLink.h"

#include "links/FieldText.h"
#include "links/FldigiClient.h"
#include "mainwindow/Form1.h"
#include "mainwindow/PeerRow.h"
#include "mainwindow/LinkNote.h"
#include "radio/Band.h"
#include "radio/Mode.h"

#include <QAction>
#include <QLabel>

using storage::QsoRecord;

FldigiLink::FldigiLink(Form1 &form, LinkNote &note, QObject *parent)
    : Link(form, note, parent)
{
    // A word about an F3 that failed belongs to that contact, not to the next one.
    connect(&form, &Form1::logbookChanged, this, [this] { m_note.clear(this); });
}

void FldigiLink::addSettings(links::LinkSettings &settings) const
{
    settings.add(Group, "fldigi", links::PeerSettings { false, QStringLiteral("127.0.0.1"), 7362 });
}

void FldigiLink::apply(const links::LinkSettings &all)
{
    const auto &settings = all.get<links::PeerSettings>(Group);
    delete m_client;
    m_client = nullptr;
    if (settings.enabled)
        m_client = new links::FldigiClient(settings.host, settings.port, this);
}

QStringList FldigiLink::fieldTexts() const
{
    QStringList texts;
    for (int f = 0; f < QsoRecord::FieldCount; ++f)
        texts << m_form.fieldText(QsoRecord::Field(f));
    return texts;
}

bool FldigiLink::takeKey()
{
    if (!m_client)
        return false;
    const QString where = m_client->where();
    // The answer belongs to the contact on screen when F3 was pressed: if the operator
    // has typed, saved or pressed F3 again since, it is dropped, never put into another.
    const quint64 request = m_request + 1;
    const QStringList asked = fieldTexts();
    // A second F3 while the first is out adds nothing: the first answer is awaited.
    const bool asking = m_client->fetchContact(
        [this, where, request, asked](const links::Parsed<links::FldigiContact> &contact) {
            if (request != m_request)
                return;
            if (!contact) {
                // A note, not a box: a box coming late would take the keys the operator types.
                m_note.show(QStringLiteral("fldigi: no answer"),
                    QStringLiteral("fldigi at %1 did not answer (%2); nothing was filled in.")
                        .arg(where, contact.error()),
                    true, this);
                return;
            }
            if (fieldTexts() != asked) {
                m_note.show(QStringLiteral("fldigi: answered late"),
                    QStringLiteral("fldigi at %1 answered after the contact had changed; "
                                   "nothing was filled in. Press F3 again.")
                        .arg(where),
                    true, this);
                return;
            }
            m_note.clear(this);
            fill(contact.value());
        });
    if (asking)
        m_request = request;
    return true;
}

void FldigiLink::fill(const links::FldigiContact &contact)
{
    std::array<QString, QsoRecord::FieldCount> texts;
    const auto put = [&texts](QsoRecord::Field field, const QString &text) {
        texts[field] = links::fieldText(text, field);
    };
    const bool contest = m_form.contestMode();
    put(QsoRecord::Call, contact.call);
    put(QsoRecord::Recv, contact.rstIn);
    // A contest exchange carries the serial fldigi knows nothing of.
    if (!contest)
        put(QsoRecord::Sent, contact.rstOut);
    bool isNumber = false;
    const double khz = contact.frequencyKhz.trimmed().toDouble(&isNumber);
    if (isNumber) {
        if (const auto band = radio::bandTextForFrequency(khz * 1000.0))
            put(QsoRecord::Band, *band);
    }
    // A modem that makes no contact (fldigi idle, measuring) leaves the mode as it is.
    if (const auto mode = radio::modeTextForFldigi(contact.modem))
        put(QsoRecord::Mode, *mode);
    // Name and QTH are hidden in contest mode; nothing is saved unseen.
    if (!contest) {
        put(QsoRecord::Name, contact.name);
        put(QsoRecord::Qth, contact.qth);
    }
    m_form.takeAsTyped(texts);
}

std::unique_ptr<ConnectionRow> FldigiLink::connectionRow(QWidget *dialog, const links::LinkSettings &settings)
{
    const auto probe = [](const QString &host, quint16 port, QLabel *status, QObject *probes) {
        auto *client = new links::FldigiClient(host, port, probes);
        client->probe([status](const links::Parsed<QString> &version) {
            status->setText(version ? QStringLiteral("yes: fldigi %1").arg(version.value().left(20))
                                    : QStringLiteral("no: %1").arg(version.error()));
        });
    };
    return std::make_unique<PeerRow>(dialog, Group, QStringLiteral("&fldigi (XML-RPC)"), settings,
                                     probe);
}
