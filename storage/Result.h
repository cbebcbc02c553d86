#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace storage {

// What went wrong, as data: the windows decide how to tell the operator.
struct StorageError
{
    enum class Kind {
        File, // the system refused an open, read or write; reason holds its words
        Overflow, // a count or number beyond the 16-bit record count
        RecordLength, // a value too long for its record
        RecordExists, // a whole record already stands where a new one was to go
        RecordsMissing, // the file ends before the record that should precede a new one
        Locked, // another program holds the logbook's lock and did not let go in time
        Changed, // the record on disk is no longer the one the operator saw
        NotALogbook, // the file is no logbook of ours; reason says what it looks like
        JournalInTheWay, // a file that is no journal of this logbook lies at the journal's
                         // path (path names it; reason says what it is)
    };
    Kind kind = Kind::File;
    QString path; // native path of the file concerned
    QString reason; // the system's reason, e.g. "Permission denied"
};

// A value or the error that prevented it. Ignoring one fails the build.
template<typename T>
class [[nodiscard]] Result
{
public:
    Result(T value) : m_data(std::move(value)) { }
    Result(StorageError error) : m_data(std::move(error)) { }

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return std::get<T>(m_data); }
    T &value() { return std::get<T>(m_data); }
    const StorageError &error() const { return std::get<StorageError>(m_data); }

private:
    std::variant<T, StorageError> m_data;
};

using Status = Result<std::monostate>;
inline Status success()
{
    return Status(std::monostate {});
}

} // namespace storage
