// A numbered run-time error with its readable text, raised where the platform fails and caught
// by the procedure that handles it by number.
#pragma once

#include <QString>
#include <stdexcept>

class RuntimeError : public std::runtime_error
{
public:
    RuntimeError(int number, const QString &text)
        : std::runtime_error(text.toStdString()), m_number(number), m_text(text) {}
    int number() const { return m_number; }
    QString text() const { return m_text; }

private:
    int m_number;
    QString m_text;
};
