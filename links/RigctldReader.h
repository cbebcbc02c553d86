#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace links {

// What the rig said when last asked.
struct RigReading
{
    std::optional<qint64> frequencyHz;
    std::optional<QString> mode;
};

// Reads rigctld's answer to the two commands "f" and "m", as the socket delivers it:
// a frequency line, then a mode line and a passband line; either may be an error
// line "RPRT -n" instead. Bounded: a line over MaxLine bytes ends the reading.
class RigctldReader
{
public:
    static constexpr qsizetype MaxLine = 256;
    // The commands whose answers this reads.
    static QByteArray question() { return QByteArrayLiteral("f\nm\n"); }

    enum class State { Reading, Complete, Failed };

    State feed(QByteArrayView bytes);

    State state() const { return m_state; }
    const RigReading &reading() const { return m_reading; }
    QString error() const { return m_error; }

private:
    State fail(const QString &why);
    State takeLine(QByteArrayView line);

    enum class Expect { Frequency, Mode, Passband };
    Expect m_expect = Expect::Frequency;
    State m_state = State::Reading;
    QByteArray m_partial;
    RigReading m_reading;
    QString m_error;
};

} // namespace links
