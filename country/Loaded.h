#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace country {

// Why a file could not be used: the windows decide how to tell the operator.
struct LoadError
{
    QString path; // native path of the file concerned
    QString reason; // e.g. "No such file or directory" or "line 12: no ';' ends the entity"
};

// A value or the reason it could not be had.
template<typename T>
class [[nodiscard]] Loaded
{
public:
    Loaded(T value) : m_data(std::move(value)) { }
    Loaded(LoadError error) : m_data(std::move(error)) { }

    bool ok() const { return std::holds_alternative<T>(m_data); }
    const T &value() const { return std::get<T>(m_data); }
    T &value() { return std::get<T>(m_data); }
    const LoadError &error() const { return std::get<LoadError>(m_data); }

private:
    std::variant<T, LoadError> m_data;
};

} // namespace country
