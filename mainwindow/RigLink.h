#pragma once

#include "mainwindow/Link.h"

#include <QDateTime>

class QLabel;
namespace links {
class RigPoller;
}

// The rig (hamlib's rigctld): the band and mode fills take the rig's frequency and mode,
// a status row says what the rig answers, and F3 (when fldigi is off) fills band and mode.
class RigLink : public Link
{
    Q_OBJECT
public:
    RigLink(Form1 &form, LinkNote &note, QObject *parent);

    // The link's block of vantel.ini.
    static constexpr const char *Group = "rig";
    void addSettings(links::LinkSettings &settings) const override;
    void apply(const links::LinkSettings &settings) override;
    std::unique_ptr<ConnectionRow> connectionRow(QWidget *dialog, const links::LinkSettings &settings) override;
    bool takeKey() override;
    bool takesKey() const override { return m_poller != nullptr; }

private:
    void show(bool answers);

    links::PeerSettings m_settings;
    links::RigPoller *m_poller = nullptr;
    QLabel *m_row = nullptr; // Form1's status row for the rig, shown while the link is on
    // The rig's last answer and when it came (the window's clock), for the row.
    QString m_last;
    QDateTime m_answeredAt;
};
