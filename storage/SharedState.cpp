#include "storage/SharedState.h"

namespace storage {

QsoRecord curQso;
qint16 qsoCount = 0;

std::optional<qint16> nextNumber(qint16 count)
{
    if (count >= MaxRecords)
        return std::nullopt;
    return static_cast<qint16>(count + 1);
}

} // namespace storage
