#include "links/FieldText.h"

#include "storage/TextCodec.h"

namespace links {

QString fieldText(const QString &text, storage::QsoRecord::Field field)
{
    // Nothing is dropped without a trace: dropping would make "Łukasz" into another name.
    // A control character becomes a space, one a record cannot hold a "?", as the
    // logbook's own codec writes it.
    QString kept;
    const QString trimmed = text.trimmed();
    kept.reserve(trimmed.size());
    for (const QChar c : trimmed) {
        if (c.isLowSurrogate())
            continue; // its high half already stands for the character
        if (c.category() == QChar::Other_Control)
            kept += QLatin1Char(' ');
        else if (c.isHighSurrogate() || storage::diskByte(c) < 0)
            kept += QLatin1Char('?');
        else
            kept += c;
    }
    return kept.trimmed().left(storage::QsoRecord::Widths[field]);
}

} // namespace links
