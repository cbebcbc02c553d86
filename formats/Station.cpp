#include "formats/Station.h"

#include "formats/PlainText.h"
#include "radio/Locator.h"

#include <QFileInfo>
#include <QSettings>

namespace formats {

const QList<std::pair<QString, QStringList>> &cabrilloCategories()
{
    static const QList<std::pair<QString, QStringList>> categories = [] {
        QList<std::pair<QString, QStringList>> out;
        for (const auto &[key, words] :
             { std::pair { "CATEGORY-OPERATOR", "SINGLE-OP MULTI-OP CHECKLOG" },
               std::pair { "CATEGORY-BAND", "ALL 160M 80M 40M 20M 15M 10M 6M 4M 2M 222 432 902 1.2G "
                                            "2.3G 3.4G 5.7G 10G 24G 47G 75G 122G 134G 241G LIGHT "
                                            "VHF-3-BAND VHF-FM-ONLY" },
               std::pair { "CATEGORY-MODE", "CW DIGI FM RTTY SSB MIXED" },
               std::pair { "CATEGORY-POWER", "HIGH LOW QRP" },
               std::pair { "CATEGORY-TRANSMITTER", "ONE TWO LIMITED UNLIMITED SWL" },
               std::pair { "CATEGORY-ASSISTED", "ASSISTED NON-ASSISTED" } })
            out.append({ QLatin1String(key), QString::fromLatin1(words).split(QLatin1Char(' ')) });
        return out;
    }();
    return categories;
}

QString stationValueProblem(const QString &key, const QString &value)
{
    if (key == QLatin1String("call") || key == QLatin1String("operator"))
        return headerWordProblem(value);
    if (key == QLatin1String("grid"))
        return radio::isLocator(value) ? QString()
                                       : QStringLiteral("is no Maidenhead locator of 4, 6 or 8 characters");
    if (key == QLatin1String("name")) {
        if (hasControl(value))
            return QStringLiteral("holds a control character");
        if (!isPrintableAscii(value))
            return QStringLiteral("holds a character outside ASCII");
        return value.contains(QLatin1Char('<')) ? QStringLiteral("holds \"<\"") : QString();
    }
    for (const auto &[category, words] : cabrilloCategories()) {
        if (key.compare(category, Qt::CaseInsensitive) == 0)
            return words.contains(value.toUpper())
                    ? QString()
                    : QStringLiteral("is none of %1").arg(words.join(QStringLiteral(", ")));
    }
    return QStringLiteral("is no setting of the station");
}

LoadedStation loadStation(const QString &path)
{
    LoadedStation loaded;
    const QFileInfo info(path);
    // QSettings would wait for a writer on a FIFO and read a device without end.
    if (!info.isFile())
        return loaded;
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("station"));
    Station &s = loaded.station;
    const auto take = [&](const QString &key, QString *into) {
        // QSettings reads a value with a comma as a list.
        const QVariant raw = file.value(key);
        const QString value = (raw.typeId() == QMetaType::QStringList ? raw.toStringList().join(QLatin1Char(','))
                                                                       : raw.toString())
                                      .trimmed();
        if (value.isEmpty())
            return;
        if (const QString problem = stationValueProblem(key, value); !problem.isEmpty())
            loaded.problems << QStringLiteral("%1: [station] %2 \"%3\" %4; left out")
                                       .arg(info.fileName(), key, escaped(value), problem);
        else
            *into = value;
    };
    take(QStringLiteral("call"), &s.call);
    take(QStringLiteral("operator"), &s.operatorCall);
    take(QStringLiteral("name"), &s.name);
    take(QStringLiteral("grid"), &s.grid);
    s.call = s.call.toUpper();
    s.operatorCall = s.operatorCall.toUpper();
    for (const auto &[category, words] : cabrilloCategories()) {
        QString value;
        take(category.toLower(), &value);
        if (!value.isEmpty())
            s.categories.append({ category, value.toUpper() });
    }
    return loaded;
}

std::optional<QString> saveStation(const QString &path, const Station &station)
{
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(path);
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("station"));
    const auto put = [&file](const QString &key, const QString &value) {
        if (value.isEmpty())
            file.remove(key);
        else
            file.setValue(key, value);
    };
    put(QStringLiteral("call"), station.call);
    put(QStringLiteral("operator"), station.operatorCall);
    put(QStringLiteral("name"), station.name);
    put(QStringLiteral("grid"), station.grid);
    for (const auto &[category, words] : cabrilloCategories()) {
        QString value;
        for (const auto &[key, chosen] : station.categories) {
            if (key == category)
                value = chosen;
        }
        put(category.toLower(), value);
    }
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError)
        return QStringLiteral("%1 could not be written").arg(path);
    return std::nullopt;
}

} // namespace formats
