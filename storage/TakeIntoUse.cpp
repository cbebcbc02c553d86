#include "storage/TakeIntoUse.h"

#include "storage/LogbookShape.h"

#include <algorithm>

namespace storage {
namespace {

// Records looked at at either end: one page each, as cheap as a single record.
constexpr qint64 kSampleRecords = 48;

} // namespace

bool TakenLogbook::full() const
{
    return !nextNumber(count);
}

bool TakenLogbook::beyondLimit() const
{
    return records > MaxRecords;
}

Result<TakenLogbook> takeIntoUse(const QString &path, IfMissing missing, int lockWaitMs,
                                 JournalWork work)
{
    auto opened = FileHandle::open(path, missing == IfMissing::Create ? FileHandle::Mode::Read
                                                                     : FileHandle::Mode::ReadExisting);
    if (!opened)
        return opened.error();
    const FileHandle &file = opened.value();
    auto size = file.size();
    if (!size)
        return size.error();
    // Nothing is done to a file that is no logbook, its journal's path included.
    if (Status shape = checkLogbookShape(file, size.value(), kSampleRecords); !shape)
        return shape.error();

    TakenLogbook taken;
    if (work == JournalWork::Recover) {
        auto recovered = recoverJournal(path, lockWaitMs);
        if (!recovered)
            return recovered.error();
        taken.journal = recovered.value();
        auto appended = recoverAppend(path, lockWaitMs);
        if (!appended)
            return appended.error();
        taken.append = appended.value();
        // A rollback of a correction rewrites a record in place; one of an import cuts.
        if (taken.append.outcome == AppendRecovery::Outcome::RolledBack)
            size = file.size();
        if (!size)
            return size.error();
    }
    taken.records = size.value() / QsoRecord::Size;
    taken.count = static_cast<qint16>(std::min<qint64>(taken.records, MaxRecords));
    return taken;
}

} // namespace storage
