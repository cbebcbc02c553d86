#pragma once

#include <QString>

// How many contacts, in the words every message uses: "1 contact", "2 contacts",
// "0 contacts"; with a verb, the verb agrees ("1 contact waits", "2 contacts wait").
QString contactCount(qint64 count);
QString contactCount(qint64 count, const char *verbForOne, const char *verbForMany);
