#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// The real programs beside vantel, started by a test and stopped with it: a bare X
// server, fldigi (headless, fresh configuration) and rigctld's dummy rig. The helpers
// here talk to them synchronously with bytes written out by hand, independent of the
// program's own encoders.
namespace peers {

// A port nobody listens on right now.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// One request on its own connection; the whole answer, or empty.
inline QByteArray exchange(quint16 port, const QByteArray &request, const QByteArray &until,
                           int timeoutMs = 3000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(timeoutMs))
        return {};
    socket.write(request);
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (!answer.contains(until) && clock.elapsed() < timeoutMs) {
        if (socket.waitForReadyRead(100))
            answer += socket.readAll();
        else if (socket.state() != QAbstractSocket::ConnectedState)
            break;
    }
    return answer;
}

// An XML-RPC call to fldigi with parameters written as XML; the first <value> text.
inline QByteArray rpc(quint16 port, const char *method, const QByteArray &params = {})
{
    const QByteArray body = QByteArray("<?xml version=\"1.0\"?><methodCall><methodName>") + method
            + "</methodName><params>" + params + "</params></methodCall>";
    const QByteArray answer = exchange(
            port,
            "POST /RPC2 HTTP/1.0\r\nContent-Type: text/xml\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body,
            "</methodResponse>");
    const auto match = QRegularExpression("<value>(?:<[a-z0-9]+>)?([^<]*)").match(QString::fromUtf8(answer));
    return match.hasMatch() ? match.captured(1).toUtf8() : QByteArray("<no answer>");
}

inline QByteArray text(const QByteArray &value)
{
    return "<param><value><string>" + value + "</string></value></param>";
}

// One rigctld command line; its answer.
// rigctld serves one client at a time: on a busy machine a command may wait behind
// another client's, so it is asked again before the test gives up.
inline QByteArray rig(quint16 port, const QByteArray &line)
{
    QByteArray answer;
    for (int attempt = 0; attempt < 3 && !answer.contains('\n'); ++attempt)
        answer = exchange(port, line + '\n', "\n");
    return answer;
}

inline bool stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        return process.waitForFinished(5000);
    }
    return true;
}

class Programs
{
public:
    ~Programs()
    {
        stop(m_fldigi);
        stop(m_rigctld);
        stop(m_xvfb);
    }

    // Xvfb picks a free display and writes its number to standard output.
    bool startX()
    {
        m_xvfb.start(QStringLiteral("Xvfb"), { "-displayfd", "1", "-noreset", "-nolisten", "tcp",
                                               "-screen", "0", "800x600x24" });
        if (!m_xvfb.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_xvfb.canReadLine() && clock.elapsed() < 10000)
            m_xvfb.waitForReadyRead(200);
        m_display = ":" + m_xvfb.readLine().trimmed();
        return m_display.size() > 1;
    }

    // fldigi with a configuration of its own that skips the first-start wizard; ready
    // once it answers (a taken port leaves it running without XML-RPC, so ask).
    bool startFldigi()
    {
        fldigiPort = freePort();
        const QString dir = m_dir.path();
        QFile defs(dir + "/fldigi_def.xml");
        if (!defs.open(QIODevice::WriteOnly) || defs.write("<FLDIGI_DEFS>\n</FLDIGI_DEFS>\n") < 0)
            return false;
        defs.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        m_fldigi.setProcessEnvironment(env);
        m_fldigi.setStandardOutputFile(QProcess::nullDevice());
        m_fldigi.setStandardErrorFile(QProcess::nullDevice());
        m_fldigi.start(QStringLiteral("fldigi"),
                       { "--config-dir", dir, "--home-dir", dir, "--xmlrpc-server-port",
                         QString::number(fldigiPort), "--arq-server-port", QString::number(freePort()) });
        if (!m_fldigi.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000) {
            if (rpc(fldigiPort, "fldigi.version").startsWith("4."))
                return true;
            QTest::qWait(200);
        }
        return false;
    }

    bool startRigctld()
    {
        rigPort = freePort();
        m_rigctld.start(QStringLiteral("rigctld"),
                        { "-m", "1", "-T", "127.0.0.1", "-t", QString::number(rigPort) });
        if (!m_rigctld.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            if (rig(rigPort, "f").endsWith('\n'))
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    quint16 fldigiPort = 0;
    quint16 rigPort = 0;
    // For a test that stops the rig in the middle.
    QProcess &rigctld() { return m_rigctld; }

private:
    QTemporaryDir m_dir;
    QString m_display;
    QProcess m_xvfb;
    QProcess m_fldigi;
    QProcess m_rigctld;
};

} // namespace peers
