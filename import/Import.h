#pragma once

#include "storage/QsoRecord.h"
#include "storage/Result.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

namespace importer {

// What an import will do, worked out before anything is written: the contacts to add
// (fitted, not yet numbered), those already in the logbook or repeated within the file,
// those that cannot be stored and why, and what was cut to fit. Memory stays bounded
// however long the file: at most a full logbook of contacts is kept.
struct Plan
{
    QString adifPath;
    QString logbookPath;
    bool notAdif = false; // the file is no ADIF file: nothing may be written
    QString error; // the file or the logbook could not be read (whole or in part)
    QString errorPath; // which of the two

    qint64 logbookRecords = 0; // whole records when the plan was made
    qint64 read = 0; // records in the ADIF file
    std::vector<storage::QsoRecord> toAdd;
    std::vector<QByteArray> keys; // the duplicate key of each of toAdd
    qint64 inLogbook = 0; // same call, band, mode and start minute as a contact there
    qint64 repeated = 0; // the same as an earlier record of the file
    QMap<QString, qint64> unstorable; // why → how many
    QMap<QString, qint64> changes; // what was cut or replaced → how many contacts

    qint64 unstorableCount() const;
    // The plan as plain lines, for the command line and the window's summary.
    QStringList lines() const;
};

// Reads the ADIF file through and compares it with the logbook, which the caller has
// taken into use. A logbook that does not exist yet counts as empty.
Plan makePlan(const QString &adifPath, const QString &logbookPath);

struct Committed
{
    qint64 added = 0;
    qint64 firstNumber = 0; // the number of the first contact added
    qint64 recordsNow = 0; // whole records in the logbook afterwards
    qint64 savedMeanwhile = 0; // contacts another station saved since the plan was made
    qint64 nowInLogbook = 0; // of the plan's contacts, those such a contact made duplicates
    qint64 noRoom = 0; // of the plan's contacts, those such contacts left no room for
};

// Appends the plan's contacts, all or nothing (storage::appendRecords), numbered from the
// logbook's count at that moment. Contacts another station saved since the plan are
// compared too; a logbook shortened since is refused (StorageError::Kind::RecordsMissing).
storage::Result<Committed> commit(const Plan &plan, int lockWaitMs = 10000);

// What the duplicate check compares: call (letter case ignored), the date/time field
// (the start minute), the band and the mode as the radio model reads them.
class DuplicateKeys
{
public:
    QByteArray key(const storage::QsoRecord &record);

private:
    QByteArray reading(QByteArrayView text, bool band);
    QHash<QByteArray, QByteArray> m_bands;
    QHash<QByteArray, QByteArray> m_modes;
};

} // namespace importer
