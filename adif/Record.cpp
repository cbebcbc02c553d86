#include "adif/Record.h"

#include <algorithm>

namespace adif {

QString Problem::text() const
{
    const QString name = field.toUpper();
    switch (kind) {
    case Kind::LengthPastEnd:
        return QStringLiteral("the length of %1 runs past the end of the file").arg(name);
    case Kind::NoEndOfRecord:
        return QStringLiteral("the file ends before <EOR>");
    case Kind::BadLength:
        return QStringLiteral("the length of %1 is not a number").arg(name);
    case Kind::ValueTooLong:
        return QStringLiteral("%1 is longer than the reader keeps: dropped").arg(name);
    case Kind::TooManyFields:
        return QStringLiteral("more fields than the reader keeps: %1 and later dropped").arg(name);
    case Kind::CutCharacter:
        return QStringLiteral("the length of %1 ends inside a character").arg(name);
    }
    return {};
}

bool Record::hasProblem(Problem::Kind kind) const
{
    return std::any_of(problems.cbegin(), problems.cend(),
                       [kind](const Problem &problem) { return problem.kind == kind; });
}

} // namespace adif
