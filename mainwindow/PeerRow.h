#pragma once

#include "mainwindow/ConnectionRow.h"

#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QWidget;

// The row of a peer that answers questions at a host and port (fldigi, rigctld).
class PeerRow : public ConnectionRow
{
public:
    // Asks the peer at host:port and writes the answer into `status`.
    using Probe = void (*)(const QString &host, quint16 port, QLabel *status, QObject *probes);

    // `name` is the link's block in vantel.ini and the prefix of the row's object names.
    PeerRow(QWidget *dialog, const char *name, const QString &caption,
        const links::LinkSettings &settings, Probe probe);

    bool read(links::LinkSettings &into) override;
    void check(QObject *probes) override;

    static QSpinBox *portBox(QWidget *parent, const QString &name, quint16 port);

private:
    std::array<QWidget *, 4> cells() const override;
    const char *m_name;
    Probe m_probe;
    QCheckBox *m_enabled = nullptr;
    QLineEdit *m_host = nullptr;
    QSpinBox *m_port = nullptr;
    QLabel *m_status = nullptr;
};
