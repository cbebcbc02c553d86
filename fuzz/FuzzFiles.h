#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// The readers take file names, so each input goes through a real file.
inline QTemporaryDir &fuzzFolder()
{
    static QTemporaryDir dir;
    return dir;
}

inline QString fuzzFile(const char *name, const uint8_t *data, size_t size)
{
    const QString path = fuzzFolder().filePath(QLatin1String(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}
