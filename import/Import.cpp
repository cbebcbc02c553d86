#include "import/Import.h"

#include "adif/Reader.h"
#include "import/Fit.h"
#include "radio/Band.h"
#include "radio/Mode.h"
#include "storage/AppendRecords.h"
#include "storage/Logbook.h"
#include "storage/TextCodec.h"

#include <QFileInfo>
#include <QSet>

#include <cstring>

namespace importer {
namespace {

using F = storage::QsoRecord;

// The keys of the logbook's records from `first` on (1-based).
storage::Status readKeys(const QString &path, qint64 first, DuplicateKeys &keys,
                         QSet<QByteArray> &out, qint64 *records)
{
    auto opened = storage::LogbookReader::open(path, storage::IfMissing::Fail);
    if (!opened)
        return opened.error();
    storage::QsoRecord record;
    storage::LogbookReader &reader = opened.value();
    *records = 0;
    while (const char *bytes = reader.next()) {
        ++*records;
        if (reader.recordNumber() < first)
            continue;
        std::memcpy(record.bytes.data(), bytes, F::Size);
        out.insert(keys.key(record));
    }
    if (reader.error())
        return *reader.error();
    return storage::success();
}

} // namespace

QByteArray DuplicateKeys::reading(QByteArrayView text, bool band)
{
    const QByteArray bytes = storage::trimSpaces(text).toByteArray();
    QHash<QByteArray, QByteArray> &cache = band ? m_bands : m_modes;
    if (const auto it = cache.constFind(bytes); it != cache.constEnd())
        return *it;
    const QString typed = storage::fromDisk(bytes);
    QByteArray out = bytes.toLower();
    if (band) {
        const auto r = radio::readBandText(typed);
        if (r && r->band)
            out = QByteArray("=") + r->band->adif;
    } else if (const auto r = radio::readModeText(typed)) {
        out = '=' + (r->mode + QLatin1Char('/') + r->submode).toLatin1();
    }
    cache.insert(bytes, out);
    return out;
}

QByteArray DuplicateKeys::key(const storage::QsoRecord &record)
{
    QByteArray out = storage::trimSpaces(record.fieldBytes(F::Call)).toByteArray().toLower();
    out += '|';
    out += record.fieldBytes(F::DateTime).toByteArray();
    out += '|';
    out += reading(record.fieldBytes(F::Band), true);
    out += '|';
    out += reading(record.fieldBytes(F::Mode), false);
    return out;
}

qint64 Plan::unstorableCount() const
{
    qint64 n = 0;
    for (const qint64 count : unstorable)
        n += count;
    return n;
}

QStringList Plan::lines() const
{
    QStringList out;
    out << QStringLiteral("ADIF records read: %1").arg(read);
    if (toAdd.empty())
        out << QStringLiteral("contacts to add: 0");
    else
        out << QStringLiteral("contacts to add: %1 (numbers %2 to %3)")
                        .arg(toAdd.size())
                        .arg(logbookRecords + 1)
                        .arg(logbookRecords + qint64(toAdd.size()));
    out << QStringLiteral("already in the logbook, skipped: %1").arg(inLogbook);
    out << QStringLiteral("repeated within the file, skipped: %1").arg(repeated);
    out << QStringLiteral("cannot be stored: %1").arg(unstorableCount());
    for (auto it = unstorable.cbegin(); it != unstorable.cend(); ++it)
        out << QStringLiteral("  %1: %2").arg(it.key()).arg(it.value());
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        out << QStringLiteral("to fit: %1: %2").arg(it.key()).arg(it.value());
    if (!error.isEmpty())
        out << QStringLiteral("read error: %1").arg(error);
    return out;
}

Plan makePlan(const QString &adifPath, const QString &logbookPath)
{
    Plan plan;
    plan.adifPath = adifPath;
    plan.logbookPath = logbookPath;
    adif::Reader reader(adifPath);
    if (!reader.isAdif()) {
        plan.notAdif = true;
        plan.error = reader.error();
        plan.errorPath = adifPath;
        return plan;
    }
    DuplicateKeys keys;
    QSet<QByteArray> inLogbook;
    if (QFileInfo::exists(logbookPath)) {
        if (storage::Status read = readKeys(logbookPath, 1, keys, inLogbook, &plan.logbookRecords);
            !read) {
            plan.error = read.error().reason;
            plan.errorPath = logbookPath;
            return plan;
        }
    }
    const qint64 room = storage::MaxRecords - plan.logbookRecords;
    QSet<QByteArray> added;
    while (const std::optional<adif::Record> record = reader.next()) {
        ++plan.read;
        Fitted fitted = fitRecord(*record);
        if (!fitted.unstorable.isEmpty()) {
            ++plan.unstorable[fitted.unstorable];
            continue;
        }
        const QByteArray key = keys.key(fitted.record);
        if (inLogbook.contains(key)) {
            ++plan.inLogbook;
        } else if (added.contains(key)) {
            ++plan.repeated;
        } else if (qint64(plan.toAdd.size()) >= room) {
            ++plan.unstorable[QStringLiteral("beyond the logbook's 32767 contacts")];
        } else {
            added.insert(key);
            plan.toAdd.push_back(fitted.record);
            plan.keys.push_back(key);
            for (const QString &change : std::as_const(fitted.changes))
                ++plan.changes[change];
        }
    }
    plan.error = reader.error();
    if (!plan.error.isEmpty())
        plan.errorPath = adifPath;
    return plan;
}

storage::Result<Committed> commit(const Plan &plan, int lockWaitMs)
{
    Committed done;
    bool shortened = false;
    std::optional<storage::StorageError> readFailed;
    auto appended = storage::appendRecords(
            plan.logbookPath,
            [&](qint64 whole) {
                std::vector<F> records;
                done.firstNumber = whole + 1;
                if (whole < plan.logbookRecords) {
                    shortened = true;
                    return records;
                }
                // Another station saved meanwhile: its contacts count as the logbook's.
                QSet<QByteArray> meanwhile;
                done.savedMeanwhile = whole - plan.logbookRecords;
                if (done.savedMeanwhile > 0) {
                    DuplicateKeys keys;
                    qint64 seen = 0;
                    if (storage::Status read = readKeys(plan.logbookPath, plan.logbookRecords + 1,
                                                        keys, meanwhile, &seen);
                        !read) {
                        readFailed = read.error();
                        return records;
                    }
                }
                qint64 number = whole;
                for (size_t i = 0; i < plan.toAdd.size(); ++i) {
                    if (meanwhile.contains(plan.keys[i])) {
                        ++done.nowInLogbook;
                        continue;
                    }
                    if (number >= storage::MaxRecords) {
                        ++done.noRoom;
                        continue;
                    }
                    F record = plan.toAdd[i];
                    record.setField(F::Number, QString::number(++number));
                    records.push_back(record);
                }
                return records;
            },
            lockWaitMs);
    if (!appended)
        return appended.error();
    if (readFailed)
        return *readFailed;
    if (shortened)
        // Said as every writer says it (failureReason words each kind, not `reason`).
        return storage::StorageError { storage::StorageError::Kind::RecordsMissing, plan.logbookPath,
                                       QStringLiteral("the logbook holds fewer contacts than when "
                                                      "the import was planned") };
    done.added = appended.value();
    done.recordsNow = done.firstNumber - 1 + done.added;
    return done;
}

} // namespace importer
