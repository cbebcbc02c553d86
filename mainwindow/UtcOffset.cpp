#include "mainwindow/UtcOffset.h"

#include <QLocale>
#include <QRegularExpression>

#include <cstdlib>

std::optional<double> parseUtcHours(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
    // Hours and minutes as a clock shows them: -5:30 is five and a half hours back.
    static const QRegularExpression clock(QStringLiteral("^([+-]?)(\\d{1,2}):([0-5]\\d)$"));
    QString trimmed = text.trimmed();
    if (const auto m = clock.match(trimmed); m.hasMatch()) {
        const double hours = m.captured(2).toInt() + m.captured(3).toInt() / 60.0;
        return m.captured(1) == QLatin1String("-") ? -hours : hours;
    }
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    trimmed.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double hours = QLocale::c().toDouble(trimmed, &ok);
    if (!ok)
        return std::nullopt;
    return hours;
}

QString clockHint(int offsetSeconds)
{
    if (offsetSeconds == 0)
        return QStringLiteral("This computer's clock is at UTC: enter 0 to log in UTC");
    const int minutes = std::abs(offsetSeconds) / 60;
    const QString at = QStringLiteral("UTC%1%2:%3")
                               .arg(offsetSeconds > 0 ? QLatin1Char('+') : QLatin1Char('-'))
                               .arg(minutes / 60)
                               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    // The delay undoes the clock's offset: a clock ahead of UTC needs a negative one.
    const QString delay = QLocale::c().toString(-offsetSeconds / 3600.0, 'g', 6);
    return QStringLiteral("This computer's clock is at %1: enter %2 to log in UTC").arg(at, delay);
}
