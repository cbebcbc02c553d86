#pragma once

#include "storage/QsoRecord.h"

#include <QValidator>

class QLineEdit;

// Keeps out of a field what its record cannot hold as shown: control characters (a
// pasted tab or line break would break the listing) and characters with no byte in
// Windows-1252 (they would be stored as "?"). Typed or pasted, they are dropped.
class RecordTextValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

    // Whether a character can stand in a record as typed.
    static bool allowed(QChar c);
};

// The rules of a record field for a line edit: the validator above, and at most as
// many characters as the field stores (not for the number, which the program fills
// and which may run past its three stored digits), so what is seen is what is saved.
void applyFieldRules(QLineEdit *edit, storage::QsoRecord::Field field);
