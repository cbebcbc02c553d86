#include "formats/PlainText.h"

#include <algorithm>
#include <array>

namespace formats {

QString toAscii(const QString &text, bool *lost)
{
    static const std::array<std::pair<char16_t, const char *>, 14> spelled = { {
            { u'ß', "ss" }, { u'æ', "ae" }, { u'Æ', "AE" }, { u'ø', "o" }, { u'Ø', "O" },
            { u'œ', "oe" }, { u'Œ', "OE" }, { u'ł', "l" }, { u'Ł', "L" }, { u'đ', "d" },
            { u'Đ', "D" }, { u'þ', "th" }, { u'Þ', "Th" }, { u'ı', "i" },
    } };
    QString out;
    for (QChar c : text.normalized(QString::NormalizationForm_D)) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F) {
            out += c;
            continue;
        }
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        bool found = false;
        for (const auto &[from, to] : spelled) {
            if (from == u) {
                out += QLatin1String(to);
                found = true;
            }
        }
        if (!found && lost)
            *lost = true;
    }
    return out;
}

bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool isPrintableAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

QString headerWordProblem(QStringView word)
{
    if (hasControl(word))
        return QStringLiteral("holds a control character");
    if (!isPrintableAscii(word))
        return QStringLiteral("holds a character outside ASCII");
    if (word.contains(QLatin1Char(' ')))
        return QStringLiteral("holds a space");
    if (word.contains(QLatin1Char('<')))
        return QStringLiteral("holds \"<\"");
    return {};
}

} // namespace formats
