#pragma once

#include "storage/Journal.h"
#include "storage/Logbook.h"
#include "storage/QsoRecord.h"
#include "storage/Result.h"
#include "storage/TakeIntoUse.h"

#include <QString>

#include <optional>

namespace storage {

// The logbook a window works on: its path, its count and the record buffer, kept
// together so that a save never lands at a number counted in another file. Every read
// and write of the logbook in use goes through here; each window owns its own.
class LogbookSession
{
public:
    // The program's record buffer: a save fills it, the duplicate check reads into it.
    QsoRecord curQso;
    // Records in the logbook in use; 32767 is the logbook's limit.
    qint16 qsoCount = 0;

    const QString &path() const { return m_path; }
    bool isOpen() const { return !m_path.isEmpty(); }
    // The number the next save gets, which the exchange rule also sends; nothing when full.
    std::optional<qint16> nextNumber() const { return storage::nextNumber(qsoCount); }

    // The one step before a logbook is used (see takeIntoUse); changes nothing here, so
    // a window can remember the choice before it commits to it.
    static Result<TakenLogbook> take(const QString &path, IfMissing missing, int lockWaitMs = 0,
                                     JournalWork work = JournalWork::Recover);
    // From now on the session works on `path`, counted as `count`.
    void use(const QString &path, qint16 count);
    // take() and use() in one; on failure the session keeps its logbook.
    Result<TakenLogbook> open(const QString &path, IfMissing missing);
    // Empties (or creates) `path`, refused when it no longer holds `confirmed` records,
    // then takes it like take() (use() is the caller's, once it has remembered the
    // choice); an interrupted correction of the deleted contacts goes. `emptied` tells a
    // failure to take the emptied file from a failure to empty it.
    Result<TakenLogbook> create(const QString &path, std::optional<qint64> confirmed,
                                bool *emptied = nullptr);
    void close();

    // Writes `record` as record qsoCount + 1 and counts it; the count stays on failure.
    Result<qint16> saveAsNext(const QsoRecord &record, int lockWaitMs = 1500);
    // The duplicate check: the first record with this call sign, read into curQso.
    Result<std::optional<qint64>> checkDuplicate(const QString &call);
    // The same look-up without touching curQso (the live mark as the call is typed).
    Result<std::optional<qint64>> findCall(const QString &call) const;
    Status correct(qint64 number, const QsoRecord &shown, const QsoRecord &corrected) const;
    // Undoes a correction another program left half-done in the logbook in use.
    Result<JournalRecovery> recoverJournal() const;

private:
    QString m_path;
};

} // namespace storage
