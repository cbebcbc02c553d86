#include "formats/CabrilloRequest.h"

#include "contest/RuleFiles.h"
#include "country/CountryFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace formats {

const QList<std::pair<QString, QStringList>> &allCabrilloCategories()
{
    static const QList<std::pair<QString, QStringList>> all = [] {
        QList<std::pair<QString, QStringList>> out = cabrilloCategories();
        for (const auto &[key, words] :
             { std::pair { "CATEGORY-STATION", "DISTRIBUTED FIXED MOBILE PORTABLE ROVER ROVER-LIMITED "
                                               "ROVER-UNLIMITED EXPEDITION HQ SCHOOL EXPLORER" },
               std::pair { "CATEGORY-TIME", "6-HOURS 8-HOURS 12-HOURS 24-HOURS" },
               std::pair { "CATEGORY-OVERLAY", "CLASSIC ROOKIE TB-WIRES YOUTH NOVICE-TECH YL" } })
            out.append({ QLatin1String(key), QString::fromLatin1(words).split(QLatin1Char(' ')) });
        return out;
    }();
    return all;
}

QString categoryProblem(const QString &key, const QString &value)
{
    for (const auto &[category, words] : allCabrilloCategories()) {
        if (category.compare(key, Qt::CaseInsensitive) == 0)
            return words.contains(value.toUpper())
                    ? QString()
                    : QStringLiteral("is none of %1").arg(words.join(QStringLiteral(", ")));
    }
    return QStringLiteral("is no Cabrillo category");
}

void loadExportCountries(Options &options, QStringList &notes)
{
    const QStringList folders = { QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                                          .filePath(QStringLiteral("vantel")),
                                  QStringLiteral("/usr/share/hamradio-files") };
    const country::CountryData data = country::loadCountryData(folders);
    QStringList missing;
    for (const country::LoadError &problem : data.problems) {
        if (!QFileInfo(problem.path).fileName().startsWith(QLatin1String("cty.")))
            continue;
        if (data.table.isEmpty())
            missing << QStringLiteral("%1: %2").arg(problem.path, problem.reason);
        else
            notes << QStringLiteral("%1: %2").arg(problem.path, problem.reason);
    }
    options.countries = data.table;
    if (data.table.isEmpty())
        options.countriesMissing = missing.isEmpty() ? QStringLiteral("none found") : missing.join(u"; ");
}

void applyCabrilloRequest(Options &options, const CabrilloRequest &request, QStringList &notes)
{
    auto &list = options.station.categories;
    const auto &order = allCabrilloCategories();
    const auto rank = [&](const QString &k) {
        const auto found = std::find_if(order.begin(), order.end(), [&](const auto &p) { return p.first == k; });
        return found - order.begin();
    };
    for (const auto &given : request.categories) {
        // Named, not bound: a lambda cannot take a structured binding (C++20 as clang reads it).
        const QString &key = given.first;
        const QString &word = given.second;
        const auto it = std::find_if(list.begin(), list.end(), [&](const auto &p) { return p.first == key; });
        if (it != list.end()) {
            it->second = word;
            continue;
        }
        const auto at = std::find_if(list.begin(), list.end(), [&](const auto &p) { return rank(p.first) > rank(key); });
        list.insert(at, { key, word });
    }
    options.from = request.from;
    options.to = request.to;
    options.contest = request.contest;
    if (request.contest.isEmpty())
        return;
    const contest::RuleBook book = contest::loadRules();
    notes << book.problems;
    // Another contest's name is written as it is, with no score claimed.
    const contest::RuleSet *rules = book.find(request.contest);
    if (!rules)
        return;
    loadExportCountries(options, notes);
    if (options.countries.isEmpty())
        notes << QStringLiteral("no country file could be read (%1): no CLAIMED-SCORE").arg(options.countriesMissing);
    else
        options.rules = *rules;
}

} // namespace formats
