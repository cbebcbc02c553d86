#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>

namespace storage {

// One contact: nine fixed-width text fields, 85 bytes on disk, no separators.
class QsoRecord
{
public:
    enum Field { Number, Call, DateTime, Recv, Sent, Band, Mode, Name, Qth };
    static constexpr int FieldCount = 9;
    static constexpr int Size = 85;
    // The widths, in field order; each field starts where the one before it ends.
    static constexpr std::array<int, FieldCount> Widths = { 3, 15, 15, 8, 8, 4, 7, 10, 15 };
    static constexpr std::array<int, FieldCount> Offsets = [] {
        std::array<int, FieldCount> offsets {};
        for (int i = 1; i < FieldCount; ++i)
            offsets[i] = offsets[i - 1] + Widths[i - 1];
        return offsets;
    }();
    static_assert(Offsets[FieldCount - 1] + Widths[FieldCount - 1] == Size,
                  "the fields fill the 85-byte record exactly");

    QsoRecord() { bytes.fill(' '); }

    // Fits the text to the field: cut to the leftmost characters or padded with spaces.
    void setField(Field field, const QString &text);
    QString field(Field field) const;
    QByteArrayView fieldBytes(Field field) const;

    static QString fit(const QString &text, int width);

    std::array<char, Size> bytes;
};

// The bytes without leading and trailing spaces (only byte 32 counts as a space).
QByteArrayView trimSpaces(QByteArrayView bytes);

} // namespace storage
