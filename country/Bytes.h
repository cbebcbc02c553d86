#pragma once

#include <QByteArrayView>
#include <QList>

#include <algorithm>

// Clamped slices of byte views, as QByteArray has them (Qt 6.4's view asserts instead).
namespace country::bytes {

inline QByteArrayView left(QByteArrayView v, qsizetype n)
{
    return v.first(std::clamp<qsizetype>(n, 0, v.size()));
}

inline QByteArrayView mid(QByteArrayView v, qsizetype pos, qsizetype n = -1)
{
    pos = std::clamp<qsizetype>(pos, 0, v.size());
    const qsizetype rest = v.size() - pos;
    return v.sliced(pos, n < 0 ? rest : std::min(n, rest));
}

inline QList<QByteArrayView> split(QByteArrayView v, char sep)
{
    QList<QByteArrayView> parts;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = v.indexOf(sep, from);
        if (at < 0) {
            parts.append(v.sliced(from));
            return parts;
        }
        parts.append(v.sliced(from, at - from));
        from = at + 1;
    }
}

} // namespace country::bytes
