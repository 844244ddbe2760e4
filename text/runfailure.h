#pragma once

#include <QString>
#include <exception>

// A failure that no operation traps: it travels to the top of the event handler (or out of the
// window's construction), where the program shows it and ends with its number as exit status.
class RunFailure : public std::exception
{
public:
    // The numbers and texts users of the original program know from its error boxes.
    enum Number {
        Overflow = 6,
        SubscriptOutOfRange = 9,
        LibraryNotLoaded = 48,
        FileNotFound = 53,
        InputPastEndOfFile = 62,
        PathFileAccess = 75
    };

    RunFailure(Number number, QString subject) : m_number(number), m_subject(std::move(subject)) {}

    int number() const { return m_number; }
    QString description() const;
    // What the message box says: number, description and the file or item concerned.
    QString message() const;
    const char *what() const noexcept override { return "run-time failure"; }

private:
    Number m_number;
    QString m_subject;
};
