#pragma once

// Running real programs for the contest tests: vantel-export, and TLF (Debian's contest
// logger) in tmux, which scores a Cabrillo log under its own rules.
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>

#include <functional>
#include <optional>

namespace tlf {

inline QByteArray run(const QString &program, const QStringList &args, const QString &folder = {},
                      int *status = nullptr)
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, args);
    p.waitForFinished(20000);
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput() + p.readAllStandardError();
}

inline QString pane(const QString &session)
{
    return QString::fromLatin1(run(QStringLiteral("tmux"), { "capture-pane", "-p", "-t", session }));
}

// Waits up to 30 s for `done`.
inline bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 30000)
            return false;
        QThread::msleep(100);
    }
    return true;
}

// The log file a TLF rules file names.
inline QString logName(const char *rules)
{
    return QString::fromLatin1(ts::readFile(QStringLiteral("/usr/share/tlf/rules/") + QLatin1String(rules)))
            .section(QStringLiteral("LOGFILE="), 1)
            .section(QLatin1Char('\n'), 0, 0);
}

struct Score
{
    qint64 points = 0, multipliers = 0, score = 0;
};

// TLF's score of `folder`/CALL.cbr under `rules`, with the cty.dat at `cty`; nothing
// when TLF did not get as far (`why` says where).
inline std::optional<Score> score(const QString &folder, const char *rules, const QString &call,
                                  const QString &cty, QString *why)
{
    if (!QFile::copy(cty, folder + QStringLiteral("/cty.dat"))
        || !ts::writeFile(folder + QStringLiteral("/logcfg.dat"),
                          QByteArray("RULES=") + rules + "\nCALL=" + call.toLatin1() + "\nTIME_OFFSET=0\n")) {
        *why = QStringLiteral("cannot prepare ") + folder;
        return std::nullopt;
    }
    const QString session = QStringLiteral("vantel-tlf1-%1").arg(QCoreApplication::applicationPid());
    const auto stop = qScopeGuard([session] { run(QStringLiteral("tmux"), { "kill-session", "-t", session }); });
    const auto start = [&](const char *command) {
        run(QStringLiteral("tmux"), { "new-session", "-d", "-s", session, "-x", "120", "-y", "40", "-c", folder, command });
    };
    start("tlf -i -r -n");
    int status = 0;
    if (!waitFor([&] {
            run(QStringLiteral("tmux"), { "has-session", "-t", session }, {}, &status);
            return status != 0;
        })) {
        *why = QStringLiteral("TLF's import did not end");
        return std::nullopt;
    }
    const QString log = folder + QLatin1Char('/') + logName(rules);
    QFile::remove(log);
    if (!QFile::rename(folder + QStringLiteral("/IMPORT_") + logName(rules), log)) {
        *why = QStringLiteral("TLF imported nothing");
        return std::nullopt;
    }
    start("tlf -r -n");
    if (!waitFor([&] { return pane(session).contains(QLatin1String("Press any key")); })) {
        *why = pane(session);
        return std::nullopt;
    }
    run(QStringLiteral("tmux"), { "send-keys", "-t", session, "Enter" });
    if (!waitFor([&] { return pane(session).contains(QLatin1String("Score:")); })) {
        *why = pane(session);
        return std::nullopt;
    }
    const auto m = QRegularExpression(QStringLiteral("Pts: (\\d+) +Mul: (\\d+) Score: (\\d+)")).match(pane(session));
    if (!m.hasMatch()) {
        *why = pane(session);
        return std::nullopt;
    }
    return Score { m.captured(1).toLongLong(), m.captured(2).toLongLong(), m.captured(3).toLongLong() };
}

} // namespace tlf
