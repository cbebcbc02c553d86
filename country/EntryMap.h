#pragma once

#include <QtGlobal>

#include <string_view>
#include <vector>

namespace country {

// A flat open-addressing hash from a call or prefix (pointing into the file's text) to
// what its entry says. Built once per load with one allocation: a node per entry, as
// std::unordered_map makes, costs more than the whole parse.
template<typename Value>
class EntryMap
{
public:
    struct Slot
    {
        std::string_view key; // empty for a free slot
        Value value;
    };

    // Room for `count` keys at a load of at most three quarters.
    void reserve(size_t count)
    {
        size_t capacity = 16;
        while (capacity * 3 < count * 4)
            capacity *= 2;
        m_slots.assign(capacity, Slot {});
        m_size = 0;
    }

    // The slot for `key`, filled with `value` if the key is new; `inserted` says which.
    Slot &insert(std::string_view key, const Value &value, bool *inserted)
    {
        Slot &slot = m_slots[position(key)];
        *inserted = slot.key.empty();
        if (*inserted) {
            slot = Slot { key, value };
            ++m_size;
        }
        return slot;
    }

    const Value *find(std::string_view key) const
    {
        if (m_slots.empty() || key.empty())
            return nullptr;
        const Slot &slot = m_slots[position(key)];
        return slot.key.empty() ? nullptr : &slot.value;
    }

    size_t size() const { return m_size; }

    template<typename Function>
    void forEach(Function function) const
    {
        for (const Slot &slot : m_slots)
            if (!slot.key.empty())
                function(slot.key, slot.value);
    }

private:
    // FNV-1a; calls are short.
    size_t position(std::string_view key) const
    {
        quint64 hash = 14695981039346656037ull;
        for (const char c : key)
            hash = (hash ^ quint8(c)) * 1099511628211ull;
        const size_t mask = m_slots.size() - 1;
        size_t i = size_t(hash ^ (hash >> 29)) & mask;
        while (!m_slots[i].key.empty() && m_slots[i].key != key)
            i = (i + 1) & mask;
        return i;
    }

    std::vector<Slot> m_slots;
    size_t m_size = 0;
};

} // namespace country
