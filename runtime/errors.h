#pragma once
// The one runtime-error type. Any failing call into a screen, a control or the
// runtime throws it; only the runtime's event dispatch catches it, shows the
// message box and ends the program.

#include <QString>
#include <stdexcept>

namespace rt {

// Error numbers, in the numbering the course's screens were written against.
namespace err {
inline constexpr int InvalidCall = 5;      // invalid procedure call or argument
inline constexpr int Overflow = 6;         // arithmetic overflow
inline constexpr int DivisionByZero = 11;  // division by zero
inline constexpr int NoSuchArrayElement = 340;
inline constexpr int ObjectRequired = 424;  // no control of that name on the screen
inline constexpr int CannotCreateObject = 429;
inline constexpr int NotSupported = 438;  // property or method not supported by the object
inline constexpr int AutomationError = 440;
}  // namespace err

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, QString description);

    int number() const { return number_; }
    const QString& description() const { return description_; }

    // The text of the message box: number and description, in French.
    QString message() const;

private:
    int number_;
    QString description_;
};

// Factories for the errors the runtime itself raises, with their French texts.
RuntimeError noSuchArrayElement(const QString& control, int index);
RuntimeError objectRequired(const QString& control);
RuntimeError notSupported(const QString& control, const QString& member);
RuntimeError cannotCreateObject(const QString& control, const QString& reason);
RuntimeError automationFailed(const QString& member, qint32 status);
RuntimeError invalidCall(const QString& what);

// Floating-point status test after a handler's arithmetic. Constructing it
// clears the status; check() raises Overflow, DivisionByZero or InvalidCall
// when the arithmetic since then raised the matching exception flag.
class FloatStatus {
public:
    FloatStatus();
    void check() const;
};

}  // namespace rt
