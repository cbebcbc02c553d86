#include "contest/RuleFiles.h"

#include "country/CountryFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>

namespace contest {

const RuleSet *RuleBook::find(const QString &name) const
{
    for (const RuleSet &rules : contests) {
        for (const QString &own : rules.names) {
            if (own.compare(name, Qt::CaseInsensitive) == 0)
                return &rules;
        }
    }
    return nullptr;
}

QStringList RuleBook::names() const
{
    QStringList out;
    for (const RuleSet &rules : contests)
        out += rules.names;
    return out;
}

QStringList ruleFolders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath()
                                   + QStringLiteral("/../share/vantel/contests"));
    folders << QStringLiteral(VANTEL_SOURCE_RULES);
    return folders;
}

RuleBook loadRules(const QStringList &folders)
{
    RuleBook book;
    QSet<QString> seen;
    QSet<QString> names;
    for (const QString &folder : folders) {
        const QStringList files = QDir(folder).entryList({ QStringLiteral("*.rules") }, QDir::Files,
                                                         QDir::Name);
        for (const QString &file : files) {
            if (seen.contains(file))
                continue;
            seen.insert(file);
            const QString path = QDir(folder).filePath(file);
            const auto bytes = country::readSmallFile(path, MaxRuleFileSize);
            if (!bytes.ok()) {
                book.problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                              bytes.error().reason);
                continue;
            }
            const ParsedRules parsed = parseRules(QString::fromUtf8(bytes.value()));
            if (!parsed.rules) {
                book.problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                              parsed.error);
                continue;
            }
            // Two files claiming one name would make --contest a guess: the first keeps it.
            RuleSet rules = *parsed.rules;
            for (const QString &name : std::as_const(rules.names)) {
                if (names.contains(name))
                    book.problems << QStringLiteral("%1: %2 is named by another file already")
                                             .arg(QDir::toNativeSeparators(path), name);
            }
            rules.names.removeIf([&](const QString &name) { return names.contains(name); });
            if (rules.names.isEmpty())
                continue;
            for (const QString &name : std::as_const(rules.names))
                names.insert(name);
            book.contests << rules;
        }
    }
    return book;
}

} // namespace contest
