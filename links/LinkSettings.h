#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace links {

// Where a peer that answers questions is found.
struct PeerSettings
{
    bool enabled = false;
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 0;
};

struct WsjtxSettings
{
    bool enabled = false;
    quint16 port = 2237;
    // Where to listen, and which other machines may send: by default this machine alone.
    QString address = QStringLiteral("127.0.0.1");
    QList<QHostAddress> accept;
};

// The links to the programs beside vantel, all off unless the operator turns them on.
// Kept in vantel.ini in the working folder, never in the logbook's settings files.
struct LinkSettings
{
    PeerSettings fldigi { false, QStringLiteral("127.0.0.1"), 7362 };
    PeerSettings rig { false, QStringLiteral("127.0.0.1"), 4532 };
    WsjtxSettings wsjtx;

    static QString fileName() { return QStringLiteral("vantel.ini"); }
    bool anyEnabled() const { return fldigi.enabled || rig.enabled || wsjtx.enabled; }
};

struct LoadedLinkSettings
{
    LinkSettings settings;
    // One sentence for each value that could not be used; its link stays off.
    QStringList problems;
};

// A missing file is all defaults. A value that is not one turns its link off, and a
// file that is not a small regular file (a FIFO, a device, a folder) is not read at all.
LoadedLinkSettings loadLinkSettings(const QString &path);

// Writes every value; the reason on failure.
std::optional<QString> saveLinkSettings(const QString &path, const LinkSettings &settings);

// Whether a host name or address can be looked up at all.
bool isHostName(const QString &host);

} // namespace links
