#include "links/AdifRecord.h"

namespace links::adif {

namespace {

constexpr qsizetype MaxTag = 80;

bool isDigits(QStringView text)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

Parsed<QHash<QString, QString>> firstRecord(const QString &text)
{
    using Result = Parsed<QHash<QString, QString>>;
    if (text.size() > MaxText)
        return Result::failure(QStringLiteral("ADIF text over %1 characters").arg(MaxText));
    // A text that starts with '<' has no header.
    qsizetype pos = 0;
    if (!text.startsWith(QLatin1Char('<'))) {
        const qsizetype eoh = text.indexOf(QLatin1String("<eoh>"), 0, Qt::CaseInsensitive);
        if (eoh >= 0)
            pos = eoh + 5;
    }
    QHash<QString, QString> fields;
    while (true) {
        const qsizetype open = text.indexOf(QLatin1Char('<'), pos);
        if (open < 0)
            return Result::failure(QStringLiteral("ADIF without <EOR>"));
        const qsizetype close = text.indexOf(QLatin1Char('>'), open);
        if (close < 0 || close - open > MaxTag)
            return Result::failure(QStringLiteral("an ADIF tag without its end"));
        const QStringView tag = QStringView(text).sliced(open + 1, close - open - 1);
        pos = close + 1;
        if (tag.compare(QLatin1String("eor"), Qt::CaseInsensitive) == 0)
            return fields;
        const qsizetype colon = tag.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue; // a tag without data, such as a stray <EOH>
        const QStringView rest = tag.sliced(colon + 1);
        const qsizetype typeColon = rest.indexOf(QLatin1Char(':'));
        const QStringView digits = typeColon < 0 ? rest : rest.first(typeColon);
        if (!isDigits(digits))
            return Result::failure(QStringLiteral("an ADIF length that is not a number"));
        const qsizetype length = digits.toInt();
        if (length > text.size() - pos)
            return Result::failure(QStringLiteral("an ADIF field running past the end"));
        const QString name = tag.first(colon).toString().toLower();
        if (!fields.contains(name)) {
            if (fields.size() >= MaxFields)
                return Result::failure(QStringLiteral("more than %1 ADIF fields").arg(MaxFields));
            fields.insert(name, text.sliced(pos, length));
        }
        pos += length;
    }
}

} // namespace links::adif
