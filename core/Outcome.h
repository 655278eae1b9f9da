#pragma once
// How the file formats, the backups and the settings file report a failure: an Outcome is either
// success or a failure with its reason, in words the message box can show (the system's own text
// where it gave one, which may be empty). Result<T> is an Outcome that carries a value on success.
#include <QString>
#include <optional>
#include <utility>

class [[nodiscard]] Outcome {
public:
    // Success.
    Outcome() = default;
    static Outcome Failure(QString reason) {
        Outcome failed;
        failed.m_failed = true;
        failed.m_reason = std::move(reason);
        return failed;
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    // Why it failed; empty on success.
    const QString& reason() const { return m_reason; }

private:
    bool m_failed = false;
    QString m_reason;
};

template <typename T> class [[nodiscard]] Result : public Outcome {
public:
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
