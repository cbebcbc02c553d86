#pragma once

#include "platform/Platform.h"
#include "storage/Journal.h"
#include "storage/Result.h"
#include "storage/StorageText.h"
#include "storage/TakeIntoUse.h"

#include <QString>

// What the operator reads when storage could not do something is worded once, in
// storage (storage/StorageText.h), for every window and for vantel-export alike.
using storage::failureReason;
using storage::failureText;

// Undoes a correction of the logbook that was interrupted (see storage/Journal.h) before
// the logbook is used, and tells the operator when one was undone. Returns false, after
// saying why with `purpose` first, when the logbook must not be used yet. A correction
// under way elsewhere, and a journal path holding something else (told where the logbook
// was taken into use), pass quietly.
bool recoverBeforeUse(Platform &platform, const QString &path, const QString &purpose);

// Tells the operator what undoing an interrupted correction did, if anything.
void tellRecovery(Platform &platform, const QString &path, const storage::JournalRecovery &recovery);

// Tells the operator, in one box, what taking the logbook into use found and did: a
// correction undone, a journal path left alone, a file longer than a logbook can be.
// Says nothing when all was as it should be.
void tellTaken(Platform &platform, const QString &path, const storage::TakenLogbook &taken);

// The sentence for a logbook that another program is correcting right now.
QString correctionUnderWay(const QString &path);
