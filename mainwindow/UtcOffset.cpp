#include "mainwindow/UtcOffset.h"

#include <QLocale>
#include <QRegularExpression>

std::optional<double> parseUtcHours(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
    QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    trimmed.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double hours = QLocale::c().toDouble(trimmed, &ok);
    if (!ok)
        return std::nullopt;
    return hours;
}
