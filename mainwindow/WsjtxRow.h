#pragma once

#include "mainwindow/ConnectionRow.h"

#include <QObject>

#include <functional>

class QCheckBox;
class QLabel;
class QSpinBox;
class QWidget;

// WSJT-X's row: vantel listens, so the row says where and what it has heard.
class WsjtxRow : public ConnectionRow
{
public:
    WsjtxRow(QWidget *dialog, const links::LinkSettings &settings, std::function<QString()> status);

    bool read(links::LinkSettings &into) override;
    // The link's block of vantel.ini.
    static constexpr const char *Group = "wsjtx";
    void check(QObject *probes) override;

private:
    std::array<QWidget *, 4> cells() const override;
    void showStatus();

    links::WsjtxSettings m_settings;
    std::function<QString()> m_statusNow;
    QCheckBox *m_enabled = nullptr;
    QLabel *m_listen = nullptr;
    QSpinBox *m_port = nullptr;
    QLabel *m_status = nullptr;
};
