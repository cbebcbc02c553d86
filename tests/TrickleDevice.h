#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

// A pipe-like device that hands out its bytes a few at a time, so that a reader meets
// every possible cut between two reads; optionally failing once `failAt` bytes are out.
class TrickleDevice : public QIODevice
{
public:
    explicit TrickleDevice(QByteArray bytes, quint32 seed = 1, qsizetype failAt = -1)
        : m_bytes(std::move(bytes)), m_seed(seed), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_failAt >= 0 && m_pos >= m_failAt) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        m_seed = m_seed * 1103515245u + 12345u;
        const qint64 step = std::min<qint64>({ maxSize, m_bytes.size() - m_pos, 1 + (m_seed >> 16) % 7 });
        std::copy_n(m_bytes.constData() + m_pos, step, data);
        m_pos += step;
        return step;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
    quint32 m_seed;
    qsizetype m_failAt;
};
