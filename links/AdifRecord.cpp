#include "links/AdifRecord.h"

#include "adif/Reader.h"

#include <QBuffer>

namespace links::adif {

Parsed<QHash<QString, QString>> firstRecord(const QString &text)
{
    using Result = Parsed<QHash<QString, QString>>;
    using Kind = ::adif::Problem::Kind;
    if (text.size() > MaxText)
        return Result::failure(QStringLiteral("ADIF text over %1 characters").arg(MaxText));
    QByteArray bytes = text.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ::adif::Reader reader(&buffer, ::adif::Reader::Encoding::Utf8);
    auto record = reader.next();
    if (!record)
        return Result::failure(QStringLiteral("ADIF without a record"));
    // A dropped overlong value or a cut character costs a field, not the contact.
    for (const ::adif::Problem &problem : record->problems) {
        if (problem.kind != Kind::ValueTooLong && problem.kind != Kind::CutCharacter)
            return Result::failure(QStringLiteral("ADIF: ") + problem.text());
    }
    return std::move(record->fields);
}

} // namespace links::adif
