#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// Test-side byte builders: written independently of the program's encoders.
namespace ts {

inline QByteArray pad(const char *text, int width)
{
    QByteArray bytes(text);
    bytes = bytes.left(width);
    return bytes + QByteArray(width - bytes.size(), ' ');
}

// An 85-byte record laid out field by field.
inline QByteArray record(const char *number, const char *call, const char *dateTime = "",
                         const char *recv = "", const char *sent = "", const char *band = "",
                         const char *mode = "", const char *name = "", const char *qth = "")
{
    return pad(number, 3) + pad(call, 15) + pad(dateTime, 15) + pad(recv, 8) + pad(sent, 8)
            + pad(band, 4) + pad(mode, 7) + pad(name, 10) + pad(qth, 15);
}

// n records with call signs C1, C2, …
inline QByteArray records(int n, int first = 1)
{
    QByteArray out;
    out.reserve(n * 85);
    for (int i = first; i < first + n; ++i)
        out += record(QByteArray::number(i).constData(), ("C" + QByteArray::number(i)).constData());
    return out;
}

// A settings file holding a text value.
inline QByteArray setting(const QByteArray &value)
{
    QByteArray out("\x08\x00", 2);
    out.append(char(value.size() & 0xFF));
    out.append(char(value.size() >> 8));
    return out + value;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// A fresh working folder for each test: the program keeps its settings there.
class WorkDir
{
public:
    WorkDir() : m_old(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~WorkDir() { QDir::setCurrent(m_old); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString root() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_old;
};

} // namespace ts
