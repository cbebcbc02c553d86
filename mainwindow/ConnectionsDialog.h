#pragma once

#include "links/LinkSettings.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The "Connections..." window: turns the links to fldigi, the rig and WSJT-X on and
// off, says where each peer is found and whether it answers right now. Checking never
// waits: the answers come in while the window stays usable.
class ConnectionsDialog : public QDialog
{
    Q_OBJECT
public:
    ConnectionsDialog(const links::LinkSettings &settings, std::function<QString()> wsjtxStatus,
                      QWidget *parent = nullptr);

    // What the fields say, or nothing (and a word beside the field) where one is no value.
    std::optional<links::LinkSettings> chosen();
    // Asks fldigi and the rig at the addresses in the fields.
    void check();

Q_SIGNALS:
    void settingsChosen(const links::LinkSettings &settings);

private:
    struct PeerRow
    {
        QCheckBox *enabled = nullptr;
        QLineEdit *host = nullptr;
        QSpinBox *port = nullptr;
        QLabel *status = nullptr;
    };
    PeerRow addPeer(int row, const char *name, const QString &caption,
                    const links::PeerSettings &peer);
    void checkFldigi();
    void checkRig();
    void showWsjtxStatus();

    links::LinkSettings m_settings;
    std::function<QString()> m_wsjtxStatus;
    PeerRow m_fldigi;
    PeerRow m_rig;
    QCheckBox *m_wsjtxEnabled = nullptr;
    QSpinBox *m_wsjtxPort = nullptr;
    QLabel *m_wsjtxStatusLabel = nullptr;
    QObject *m_probes = nullptr; // the checks under way; dropped when a new check starts
};
