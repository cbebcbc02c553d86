#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace links {

// What a parser made of a peer's bytes, or why it made nothing of them. Peers are not
// trusted: every reader returns one of these and never throws.
template<typename T>
class [[nodiscard]] Parsed
{
public:
    Parsed(T value) : m_data(std::move(value)) { }
    static Parsed failure(QString why) { return Parsed(Why { std::move(why) }); }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T &value() const { return std::get<0>(m_data); }
    T &value() { return std::get<0>(m_data); }
    QString error() const { return ok() ? QString() : std::get<1>(m_data).text; }

private:
    struct Why
    {
        QString text;
    };
    explicit Parsed(Why why) : m_data(std::move(why)) { }
    std::variant<T, Why> m_data;
};

} // namespace links
