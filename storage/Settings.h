#pragma once

#include "storage/Result.h"

#include <QDir>
#include <QString>

namespace storage {

// What vantel keeps beyond the six files (the links, the station profile, the contest) is
// one INI file in the working folder.
inline constexpr const char *IniFileName = "vantel.ini";
inline QString iniPath()
{
    return QDir::current().absoluteFilePath(QLatin1String(IniFileName));
}

// A setting fits a 128-byte record behind its 4-byte header.
constexpr int MaxSettingLength = 124;

// The value of a settings file: tag 8, 16-bit little-endian length, the bytes.
// A file of length 0 (created here when missing) holds the empty value; so does a
// file with another tag or a length running past its end.
Result<QString> readSetting(const QString &fileName);

// Writes the value at offset 0 without shortening the file. A value over 124
// characters is refused before the file is touched.
Status writeSetting(const QString &fileName, const QString &value);

// Whether the settings file can be opened for writing (created when missing), so a
// command can find out before it changes anything else.
Status checkSettingWritable(const QString &fileName);

} // namespace storage
