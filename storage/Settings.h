#pragma once

#include "storage/Result.h"

#include <QString>

#include <array>

namespace storage {

// The six settings files in the working folder. Their names are written here only.
namespace settingFile {
inline constexpr const char *UtcOffset = "utc_off";
inline constexpr const char *Band = "band";
inline constexpr const char *Sent = "sent";
inline constexpr const char *Recv = "recv";
inline constexpr const char *DefaultLogbook = "deflog";
inline constexpr const char *Mode = "mode";
} // namespace settingFile

// All of them, in the order start-up reads them.
inline constexpr std::array<const char *, 6> SettingFiles {
    settingFile::UtcOffset, settingFile::Band,           settingFile::Sent,
    settingFile::Recv,      settingFile::DefaultLogbook, settingFile::Mode,
};

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
