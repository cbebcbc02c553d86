#include "FuzzFiles.h"
#include "storage/Settings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzzFile("setting", data, size);
    const auto value = storage::readSetting(path);
    if (!value.ok() || value.value().size() > storage::MaxSettingLength)
        std::abort();
    if (value.value().isEmpty())
        return 0;
    // What was read writes back to the same bytes.
    const QString copy = fuzzFolder().filePath(QStringLiteral("copy"));
    QFile::remove(copy);
    if (!storage::writeSetting(copy, value.value()).ok())
        std::abort();
    QFile file(copy);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray written = file.readAll();
    if (written != QByteArray(reinterpret_cast<const char *>(data), qsizetype(written.size())))
        std::abort();
    return 0;
}
