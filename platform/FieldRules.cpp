#include "platform/FieldRules.h"

#include "storage/TextCodec.h"

#include <QLineEdit>

bool RecordTextValidator::allowed(QChar c)
{
    // Format characters (the soft hyphen) are invisible: a call would not read as stored.
    return c.category() != QChar::Other_Control && c.category() != QChar::Other_Format
            && storage::diskByte(c) >= 0;
}

QValidator::State RecordTextValidator::validate(QString &input, int &pos) const
{
    QString kept;
    kept.reserve(input.size());
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (allowed(input.at(i)))
            kept += input.at(i);
        else if (i < pos)
            --pos;
    }
    input = kept;
    return Acceptable;
}

void RecordTextValidator::fixup(QString &input) const
{
    int pos = 0;
    validate(input, pos);
}

void applyFieldRules(QLineEdit *edit, storage::QsoRecord::Field field)
{
    edit->setValidator(new RecordTextValidator(edit));
    if (field != storage::QsoRecord::Number)
        edit->setMaxLength(storage::QsoRecord::Widths[field]);
}
