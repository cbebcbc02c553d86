#include "country/CountryFiles.h"

#include "storage/FileHandle.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace country {

namespace {

// Candidates for one file name, the folder of `first` (if any) before the others.
QStringList candidates(const QStringList &folders, const QString &name, const QString &first = {})
{
    QStringList paths;
    if (!first.isEmpty())
        paths.append(QDir(first).filePath(name));
    for (const QString &folder : folders) {
        // No data folder known (no application name): never the working folder instead.
        if (folder.isEmpty())
            continue;
        const QString path = QDir(folder).filePath(name);
        if (!paths.contains(path))
            paths.append(path);
    }
    return paths;
}

bool present(const QString &path)
{
    return QFileInfo(path).exists();
}

QString missing(const QStringList &folders)
{
    QStringList natives;
    for (const QString &folder : folders)
        natives.append(QDir::toNativeSeparators(folder));
    return QStringLiteral("not found in %1").arg(natives.join(QStringLiteral(", ")));
}

} // namespace

QStringList countryFolders()
{
    return { QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
             QStringLiteral("/usr/share/hamradio-files") };
}

Loaded<QByteArray> readSmallFile(const QString &path, qint64 maxSize)
{
    const QString native = QDir::toNativeSeparators(path);
    auto handle = storage::FileHandle::open(path, storage::FileHandle::Mode::ReadExisting);
    if (!handle.ok())
        return LoadError { native, handle.error().reason };
    const auto size = handle.value().size();
    if (!size.ok())
        return LoadError { native, size.error().reason };
    const LoadError tooLarge { native, QStringLiteral("larger than %1 MB: not a file of this kind")
                                               .arg(maxSize >> 20) };
    if (size.value() > maxSize)
        return tooLarge;
    // One byte more than the size: a file growing while read is still cut at the limit.
    QByteArray bytes(qsizetype(size.value()) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const auto n = handle.value().readAt(bytes.data() + got, bytes.size() - got, got);
        if (!n.ok())
            return LoadError { native, n.error().reason };
        if (n.value() == 0)
            break;
        got += qsizetype(n.value());
    }
    if (got > maxSize)
        return tooLarge;
    bytes.truncate(got);
    return bytes;
}

CountryData loadCountryData(const QStringList &folders)
{
    CountryData data;
    for (const QString &path : candidates(folders, QStringLiteral("cty.dat"))) {
        if (!present(path))
            continue;
        const auto bytes = readSmallFile(path, MaxCountryFileSize);
        auto table = bytes.ok() ? CountryTable::fromCtyDat(bytes.value(), QDir::toNativeSeparators(path))
                                : Loaded<CountryTable>(bytes.error());
        if (!table.ok()) {
            data.problems.append(table.error());
            continue;
        }
        data.table = std::move(table.value());
        data.ctyPath = path;
        data.ctyRelease = data.table.release();
        break;
    }
    if (data.ctyPath.isEmpty() && data.problems.isEmpty())
        data.problems.append({ QStringLiteral("cty.dat"), missing(folders) });

    if (!data.ctyPath.isEmpty()) {
        const QString home = QFileInfo(data.ctyPath).path();
        const qsizetype csvProblems = data.problems.size();
        for (const QString &path : candidates(folders, QStringLiteral("cty.csv"), home)) {
            if (!present(path))
                continue;
            const auto bytes = readSmallFile(path, MaxCountryFileSize);
            const auto applied = bytes.ok()
                    ? data.table.applyCtyCsv(bytes.value(), QDir::toNativeSeparators(path))
                    : Loaded<int>(bytes.error());
            if (!applied.ok()) {
                data.problems.append(applied.error());
                continue;
            }
            data.csvPath = path;
            break;
        }
        if (data.csvPath.isEmpty() && data.problems.size() == csvProblems)
            data.problems.append({ QStringLiteral("cty.csv"), missing(folders) + QStringLiteral(": no DXCC numbers") });
    }

    const qsizetype scpProblems = data.problems.size();
    for (const QString &path : candidates(folders, QStringLiteral("MASTER.SCP"))) {
        if (!present(path))
            continue;
        const auto bytes = readSmallFile(path, MaxCountryFileSize);
        auto calls = bytes.ok() ? KnownCalls::fromMasterScp(bytes.value(), QDir::toNativeSeparators(path))
                                : Loaded<KnownCalls>(bytes.error());
        if (!calls.ok()) {
            data.problems.append(calls.error());
            continue;
        }
        data.calls = std::move(calls.value());
        data.scpPath = path;
        data.scpRelease = data.calls.release();
        break;
    }
    if (data.scpPath.isEmpty() && data.problems.size() == scpProblems)
        data.problems.append({ QStringLiteral("MASTER.SCP"), missing(folders) });
    return data;
}

QString CountryData::describe() const
{
    QStringList parts;
    if (!ctyPath.isEmpty())
        parts.append(QStringLiteral("cty.dat %1 (%2)")
                             .arg(ctyRelease.isValid() ? ctyRelease.toString(Qt::ISODate)
                                                       : QStringLiteral("of unknown release"),
                                  QDir::toNativeSeparators(ctyPath)));
    else
        parts.append(QStringLiteral("no country file"));
    if (!scpPath.isEmpty())
        parts.append(QStringLiteral("MASTER.SCP %1 (%2)")
                             .arg(scpRelease.isEmpty() ? QStringLiteral("of unknown release")
                                                       : scpRelease,
                                  QDir::toNativeSeparators(scpPath)));
    else
        parts.append(QStringLiteral("no list of known calls"));
    return parts.join(QStringLiteral(", "));
}

} // namespace country
