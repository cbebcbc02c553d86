#pragma once

#include "storage/Settings.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

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

// Reads the values of vantel.ini: a value that is none is one sentence among the problems.
class SettingsReader
{
public:
    SettingsReader(QSettings &settings, QStringList &problems)
        : m_settings(settings), m_problems(problems)
    {
    }

    // Reads group/key into `out` through `check`, which says what the text should have
    // been when it is no value; false then (and one sentence).
    bool read(const char *group, const char *key,
              const std::function<std::optional<QString>(const QString &text)> &check);

private:
    QSettings &m_settings;
    QStringList &m_problems;
};

// The blocks of a peer and of WSJT-X: a link's settings type comes with these two.
bool readBlock(SettingsReader &reader, const char *group, PeerSettings &peer);
void writeBlock(QSettings &file, const char *group, const PeerSettings &peer);
bool readBlock(SettingsReader &reader, const char *group, WsjtxSettings &wsjtx);
void writeBlock(QSettings &file, const char *group, const WsjtxSettings &wsjtx);

// The links to the programs beside vantel, all off unless the operator turns them on.
// Kept in vantel.ini in the working folder, never in the logbook's settings files. Each
// link adds its own block (its group, its values and their defaults); the file has the
// blocks in the order they were added.
class LinkSettings
{
public:
    LinkSettings() = default;
    LinkSettings(const LinkSettings &other);
    LinkSettings &operator=(const LinkSettings &other);
    LinkSettings(LinkSettings &&) = default;
    LinkSettings &operator=(LinkSettings &&) = default;
    ~LinkSettings() = default;

    static QString fileName() { return QLatin1String(storage::IniFileName); }

    // `group` is the block's [group] in vantel.ini, `name` the link's name for people.
    template<typename T>
    void add(const char *group, const char *name, T defaults)
    {
        m_blocks.push_back(std::make_unique<Of<T>>(group, name, std::move(defaults)));
    }
    template<typename T>
    T &get(const char *group)
    {
        return dynamic_cast<Of<T> &>(find(group)).value;
    }
    template<typename T>
    const T &get(const char *group) const
    {
        return dynamic_cast<const Of<T> &>(find(group)).value;
    }

    // Reads every block; a block with a value that is none turns its link off and says so
    // after its own complaints.
    void read(QSettings &file, QStringList &problems);
    void write(QSettings &file) const;

private:
    struct Block
    {
        Block(const char *g, const char *n) : group(g), name(n) { }
        Block(const Block &) = default;
        Block &operator=(const Block &) = delete;
        virtual ~Block() = default;
        virtual bool read(SettingsReader &reader) = 0;
        virtual void write(QSettings &file) const = 0;
        virtual std::unique_ptr<Block> clone() const = 0;
        const char *group;
        const char *name;
    };
    template<typename T>
    struct Of : Block
    {
        Of(const char *g, const char *n, T v) : Block(g, n), value(std::move(v)) { }
        bool read(SettingsReader &reader) override { return readBlock(reader, group, value); }
        void write(QSettings &file) const override { writeBlock(file, group, value); }
        std::unique_ptr<Block> clone() const override { return std::make_unique<Of>(*this); }
        T value;
    };
    // The blocks are the settings' own: a const LinkSettings hands out const values only.
    Block &find(const char *group) const;

    std::vector<std::unique_ptr<Block>> m_blocks;
};

struct LoadedLinkSettings
{
    LinkSettings settings;
    // One sentence for each value that could not be used; its link stays off.
    QStringList problems;
};

// `defaults` with what the file holds. A missing file is all defaults. A value that is not one turns its link off, and a
// file that is not a small regular file (a FIFO, a device, a folder) is not read at all.
LoadedLinkSettings loadLinkSettings(const QString &path, const LinkSettings &defaults);

// Writes every value; the reason on failure.
std::optional<QString> saveLinkSettings(const QString &path, const LinkSettings &settings);

// Whether a host name or address can be looked up at all.
bool isHostName(const QString &host);

} // namespace links
