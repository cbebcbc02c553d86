#include "storage/LogbookSession.h"

namespace storage {

Result<TakenLogbook> LogbookSession::take(const QString &path, IfMissing missing, int lockWaitMs,
                                          JournalWork work)
{
    return takeIntoUse(path, missing, lockWaitMs, work);
}

void LogbookSession::use(const QString &path, qint16 count)
{
    m_path = path;
    qsoCount = count;
}

Result<TakenLogbook> LogbookSession::open(const QString &path, IfMissing missing)
{
    auto taken = take(path, missing);
    if (taken)
        use(path, taken.value().count);
    return taken;
}

Result<TakenLogbook> LogbookSession::create(const QString &path, std::optional<qint64> confirmed,
                                            bool *emptied)
{
    if (const Status done = emptyLogbook(path, confirmed); !done)
        return done.error();
    if (emptied)
        *emptied = true;
    // Nothing is left for a journal of ours to undo; only a journal of ours goes, and
    // anything else at that path is told by take().
    (void)storage::recoverJournal(path);
    return take(path, IfMissing::Fail);
}

void LogbookSession::close()
{
    m_path.clear();
    qsoCount = 0;
}

Result<qint16> LogbookSession::saveAsNext(const QsoRecord &record, int lockWaitMs)
{
    const auto number = nextNumber();
    if (!number)
        return StorageError { StorageError::Kind::Overflow, m_path, {} };
    if (Status written = writeRecord(m_path, *number, record, lockWaitMs); !written)
        return written.error();
    qsoCount = *number;
    return qsoCount;
}

Result<std::optional<qint64>> LogbookSession::checkDuplicate(const QString &call)
{
    return storage::findCall(m_path, call, curQso);
}

Result<std::optional<qint64>> LogbookSession::findCall(const QString &call) const
{
    QsoRecord scratch;
    return storage::findCall(m_path, call, scratch);
}

Status LogbookSession::correct(qint64 number, const QsoRecord &shown, const QsoRecord &corrected) const
{
    return correctRecord(m_path, number, shown, corrected);
}

Result<JournalRecovery> LogbookSession::recoverJournal() const
{
    return storage::recoverJournal(m_path);
}

} // namespace storage
