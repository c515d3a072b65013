#pragma once

#include <QString>
#include <stdexcept>

// An error raised by a record, list or catalogue operation. The text is the
// message the user sees; the operation that raised it has stopped.
class ZentrelError : public std::runtime_error {
public:
    explicit ZentrelError(const QString& text)
        : std::runtime_error(text.toStdString()), m_text(text) {}

    const QString& text() const noexcept { return m_text; }

private:
    QString m_text;
};
