#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace adif {

// Something wrong with one record, where it was found. The record is still handed out
// with whatever could be read; the caller decides what it can use.
struct Problem
{
    enum class Kind {
        LengthPastEnd, // a field's length runs past the end of the file
        NoEndOfRecord, // the file ends inside a record
        BadLength, // a tag <NAME:...> whose length is not a number
        ValueTooLong, // a value over MaxValueBytes: dropped
        TooManyFields, // fields after the first MaxFields: dropped
        CutCharacter, // the length ends inside a UTF-8 character: the part is dropped
    };
    Kind kind;
    QString field; // lower-case field name; empty when the problem has none
    qint64 offset = 0; // byte offset in the file of the tag concerned

    QString text() const;
};

// One record of an ADIF file: its fields by lower-case name (the first of a repeated
// name counts), and where it was.
struct Record
{
    qint64 index = 0; // 0 for the first record of the file
    qint64 offset = 0; // byte offset in the file of its first tag
    QHash<QString, QString> fields;
    QList<Problem> problems;

    QString value(const QString &name) const { return fields.value(name); }
    bool hasProblem(Problem::Kind kind) const;
};

} // namespace adif
