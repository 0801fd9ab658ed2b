#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace quorvale {

// Base of every error this system throws: each carries the Chinese text the screens show.
class Error : public std::exception
{
public:
    virtual QString description() const = 0;
    const char *what() const noexcept override;

private:
    mutable QByteArray m_what;
};

// The core's single error for rejected input or data; the text is shown unchanged.
class DemoError : public Error
{
public:
    static DemoError message(const QString &text) { return DemoError(text); }
    QString description() const override { return m_text; }
    bool operator==(const DemoError &other) const { return m_text == other.m_text; }

private:
    explicit DemoError(const QString &text) : m_text(text) {}
    QString m_text;
};

// A JSON member that is missing, of the wrong type or holding a value of the wrong form, or a body
// that is not JSON at all.
class DecodingError : public Error
{
public:
    enum class Kind { MissingKey, WrongType, InvalidValue, Corrupted };

    DecodingError(Kind kind, const QString &key) : m_kind(kind), m_key(key) {}
    Kind kind() const { return m_kind; }
    // The member that failed, as a dotted path where known; for tests and diagnosis, not for display.
    QString key() const { return m_key; }
    QString description() const override;

private:
    Kind m_kind;
    QString m_key;
};

} // namespace quorvale
