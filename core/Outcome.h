#pragma once
// How the program's libraries report a failure: an Outcome is either success or a failure with
// its kind (what a caller branches on), its reason in words the message box can show, and the
// library's own text (SQLite's, the server's, the system's) kept apart as a detail. Result<T> is
// an Outcome that carries a value on success.
#include <QString>
#include <optional>
#include <utility>

// What went wrong, as far as a caller decides what to do about it.
enum class FailureKind {
    None,
    General,       // no finer kind is known
    Invalid,       // a value, a file's content or an argument that does not hold
    Busy,          // another program holds the lock: a later try may succeed
    NoPermission,  // a file may not be written or read (its permissions)
    DiskFull,      // no room on the disk
    Io,            // reading or writing a file failed
    Damaged,       // pages or bytes that do not read back as they were written
    Foreign,       // a file that is not ours
    Newer,         // made by a newer program
    Missing,       // the file, the database or the row is not there
    NeedsPassword, // the server asks for a password and none was given
    Refused,       // a login, a right or the data refused: trying again will not help
    Unreachable,   // a server that cannot be reached: try again later
    Interrupted,   // let in, then broken off (a lock or statement timeout, a lost connection): try later
    Incompatible,  // a server not set up for this program, or set up by a newer one
    Conflict,      // another change came first
    Cancelled,     // stopped at the user's request
};

class [[nodiscard]] Outcome {
public:
    // Success.
    Outcome() = default;
    static Outcome Failure(QString reason) { return Failure(FailureKind::General, std::move(reason)); }
    static Outcome Failure(FailureKind kind, QString reason, QString detail = {}) {
        Outcome failed;
        failed.m_kind = kind == FailureKind::None ? FailureKind::General : kind;
        failed.m_reason = std::move(reason);
        failed.m_detail = std::move(detail);
        return failed;
    }

    bool ok() const { return m_kind == FailureKind::None; }
    explicit operator bool() const { return ok(); }
    FailureKind kind() const { return m_kind; }
    // Why it failed, for the user; empty on success.
    const QString& reason() const { return m_reason; }
    // The library's own text, as the reason quotes it in parentheses; may be empty.
    const QString& detail() const { return m_detail; }

private:
    FailureKind m_kind = FailureKind::None;
    QString m_reason;
    QString m_detail;
};

template <typename T> class [[nodiscard]] Result : public Outcome {
public:
    // Success with a default value (what a queued signal's copy starts from).
    Result() : m_value(std::in_place) {}
    Result(T value) : m_value(std::move(value)) {}
    // A failure; an Outcome that is a success gives a default value.
    Result(Outcome outcome) : Outcome(std::move(outcome)) {
        if (ok())
            m_value.emplace();
    }

    // The value; only on success.
    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }

private:
    std::optional<T> m_value;
};
