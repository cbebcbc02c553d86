#include "contest/RuleSet.h"

#include "radio/Band.h"

#include <QRegularExpression>

namespace contest {
namespace {

struct Line
{
    int number = 0;
    QString error;
    bool fail(const QString &why)
    {
        error = QStringLiteral("line %1: %2").arg(number).arg(why);
        return false;
    }
};

bool readSet(const QString &value, Condition::Set *set, bool bands, Line &line)
{
    QString list = value;
    set->negated = list.startsWith(QLatin1Char('!'));
    if (set->negated)
        list.remove(0, 1);
    set->words = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (set->words.isEmpty())
        return line.fail(QStringLiteral("an empty list"));
    for (QString &word : set->words) {
        if (!bands) {
            word = word.toUpper();
            continue;
        }
        const radio::Band *band = radio::bandNamed(word);
        if (!band)
            return line.fail(QStringLiteral("\"%1\" is no band").arg(word));
        word = QLatin1String(band->adif);
    }
    return true;
}

// The words after the first one or two of a line: key=value conditions.
bool readCondition(const QStringList &words, Condition *when, Line &line)
{
    for (const QString &word : words) {
        const qsizetype eq = word.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return line.fail(QStringLiteral("\"%1\" is no condition (key=value)").arg(word));
        const QString key = word.left(eq);
        const QString value = word.mid(eq + 1);
        if (key == QLatin1String("worked")) {
            static const QHash<QString, Condition::Relation> relations = {
                { QStringLiteral("same-country"), Condition::Relation::SameCountry },
                { QStringLiteral("same-continent"), Condition::Relation::SameContinent },
                { QStringLiteral("other-continent"), Condition::Relation::OtherContinent },
            };
            if (!relations.contains(value))
                return line.fail(QStringLiteral("worked=%1 is none of same-country, same-continent, "
                                                "other-continent")
                                         .arg(value));
            when->worked = relations.value(value);
            continue;
        }
        Condition::Set *set = key == QLatin1String("continent")  ? &when->continent
                : key == QLatin1String("entity")                 ? &when->entity
                : key == QLatin1String("own-continent")          ? &when->ownContinent
                : key == QLatin1String("own-entity")             ? &when->ownEntity
                : key == QLatin1String("band")                   ? &when->band
                                                                 : nullptr;
        if (!set)
            return line.fail(QStringLiteral("unknown condition \"%1\"").arg(key));
        if (!readSet(value, set, set == &when->band, line))
            return false;
    }
    return true;
}

template<typename Kind>
std::optional<Kind> kindNamed(const QString &word, const QHash<QString, Kind> &kinds)
{
    if (!kinds.contains(word))
        return std::nullopt;
    return kinds.value(word);
}

bool readLine(const QStringList &words, RuleSet &rules, Line &line)
{
    const QString &key = words.first();
    const QStringList rest = words.mid(1);
    if (key == QLatin1String("title")) {
        rules.title = rest.join(QLatin1Char(' '));
        return true;
    }
    if (key == QLatin1String("contest")) {
        static const QRegularExpression name(QStringLiteral("^[A-Z0-9][A-Z0-9-]*$"));
        for (const QString &word : rest) {
            if (!name.match(word).hasMatch())
                return line.fail(QStringLiteral("\"%1\" is no Cabrillo contest name").arg(word));
        }
        rules.names += rest;
        return true;
    }
    if (rest.isEmpty())
        return line.fail(QStringLiteral("%1 needs a value").arg(key));
    if (key == QLatin1String("dupe")) {
        if (rest.size() != 1 || (rest[0] != QLatin1String("band") && rest[0] != QLatin1String("band-mode")))
            return line.fail(QStringLiteral("dupe is band or band-mode"));
        rules.dupePerMode = rest[0] == QLatin1String("band-mode");
        return true;
    }
    if (key == QLatin1String("band-weight")) {
        for (const QString &word : rest) {
            const QStringList pair = word.split(QLatin1Char('='));
            const radio::Band *band = pair.size() == 2 ? radio::bandNamed(pair[0]) : nullptr;
            bool ok = false;
            const int weight = pair.size() == 2 ? pair[1].toInt(&ok) : 0;
            if (!band || !ok || weight < 1 || weight > 100)
                return line.fail(QStringLiteral("\"%1\" is no band=weight").arg(word));
            rules.bandWeights.insert(QLatin1String(band->adif), weight);
        }
        return true;
    }
    if (key == QLatin1String("exchange")) {
        static const QHash<QString, ExchangeKind> kinds = {
            { QStringLiteral("none"), ExchangeKind::None },
            { QStringLiteral("serial"), ExchangeKind::Serial },
            { QStringLiteral("zone"), ExchangeKind::Zone },
            { QStringLiteral("region"), ExchangeKind::Region },
            { QStringLiteral("any"), ExchangeKind::Any },
        };
        ExchangeRule rule;
        const auto kind = kindNamed(rest[0], kinds);
        if (!kind)
            return line.fail(QStringLiteral("exchange %1 is none of none, serial, zone, region, any")
                                     .arg(rest[0]));
        rule.kind = *kind;
        if (!readCondition(rest.mid(1), &rule.when, line))
            return false;
        rules.exchanges << rule;
        return true;
    }
    if (key == QLatin1String("points")) {
        PointRule rule;
        bool ok = false;
        rule.points = rest[0].toInt(&ok);
        if (!ok || rule.points < 0 || rule.points > 1000)
            return line.fail(QStringLiteral("points %1 is no number from 0 to 1000").arg(rest[0]));
        if (!readCondition(rest.mid(1), &rule.when, line))
            return false;
        rules.points << rule;
        return true;
    }
    if (key == QLatin1String("multiplier")) {
        static const QHash<QString, MultiplierKind> kinds = {
            { QStringLiteral("prefix"), MultiplierKind::Prefix },
            { QStringLiteral("cq-zone"), MultiplierKind::CqZone },
            { QStringLiteral("country"), MultiplierKind::Country },
            { QStringLiteral("dxcc"), MultiplierKind::Dxcc },
            { QStringLiteral("exchange"), MultiplierKind::Exchange },
        };
        MultiplierRule rule;
        const auto kind = kindNamed(rest[0], kinds);
        if (!kind)
            return line.fail(QStringLiteral("multiplier %1 is none of prefix, cq-zone, country, "
                                            "dxcc, exchange")
                                     .arg(rest[0]));
        rule.kind = *kind;
        QStringList conditions = rest.mid(1);
        rule.perBand = conditions.removeAll(QStringLiteral("per-band")) > 0;
        if (!readCondition(conditions, &rule.when, line))
            return false;
        rules.multipliers << rule;
        return true;
    }
    return line.fail(QStringLiteral("unknown word \"%1\"").arg(key));
}

} // namespace

ExchangeKind RuleSet::exchangeFor(const QString &ownContinent, const QString &ownEntity) const
{
    for (const ExchangeRule &rule : exchanges) {
        if (rule.when.ownContinent.holds(ownContinent) && rule.when.ownEntity.holds(ownEntity))
            return rule.kind;
    }
    return ExchangeKind::None;
}

ParsedRules parseRules(const QString &text)
{
    RuleSet rules;
    Line line;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        ++line.number;
        const QString content = raw.section(QLatin1Char('#'), 0, 0).trimmed();
        if (content.isEmpty())
            continue;
        if (!readLine(content.split(QRegularExpression(QStringLiteral("\\s+"))), rules, line))
            return { std::nullopt, line.error };
    }
    if (rules.names.isEmpty())
        return { std::nullopt, QStringLiteral("no contest line names the contest") };
    return { rules, {} };
}

} // namespace contest
