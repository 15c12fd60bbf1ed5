#pragma once

#include "platform/vb/export.h"

#include <QString>
#include <exception>
#include <string>

namespace vb {

// Error numbers the runtime raises itself.
enum ErrNumber : int {
    errInvalidCall = 5,          // Invalid procedure call or argument
    errOverflow = 6,
    errSubscript = 9,            // Subscript out of range
    errDivisionByZero = 11,
    errTypeMismatch = 13,
    errObjectRequired = 424,
    errObjectNotSet = 91,
    errInvalidUseOfNull = 94,
    errInvalidProperty = 380,    // Invalid property value
    errFileNotFound = 53,
    errPermissionDenied = 70,
    errPathNotFound = 76,
    errAutomation = 440,         // Automation error (outside components)
    errUserDefined = 1000,
};

// The one run-time error type: what VB's Err object carries.
class QM_EXPORT Error : public std::exception {
public:
    Error(int number, QString description, QString source = {});
    ~Error() override;

    int number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    QString source_;
    std::string what_;
};

// The text VB gives an error number when the raiser supplies none.
QM_EXPORT QString DefaultDescription(int number);

// The description a handler shows for any exception: a run-time error's own
// description, otherwise what the exception says.
QM_EXPORT QString ErrorDescription(const std::exception& e);

// Err.Raise: throws vb::Error; an empty description takes the standard one.
[[noreturn]] QM_EXPORT void Raise(int number, const QString& description = {},
                                  const QString& source = {});

// The failures dropped on purpose (a statement under "On Error Resume Next",
// a guard that must not fail): they are shown to nobody, and logged as
// debug messages of the category "quillmere.swallowed", off unless a rule
// turns it on (QT_LOGGING_RULES="quillmere.swallowed.debug=true"), so that a
// fault can still be found.
// Called inside a catch block: logs the exception being handled, with where
// it was dropped (the caller's place, by default).
QM_EXPORT void LogSwallowed(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE(),
                            const char* function = __builtin_FUNCTION()) noexcept;

// A statement whose failure is ignored ("On Error Resume Next"): one that
// fails is skipped, logged, and the code goes on with the next.
template <class F>
void ResumeNext(F&& statement, const char* file = __builtin_FILE(), unsigned line = __builtin_LINE(),
                const char* function = __builtin_FUNCTION()) noexcept {
    try {
        statement();
    } catch (...) {
        LogSwallowed(file, line, function);
    }
}

// The common text of the windows' error handlers: the fixed sentence, a line
// break and the run-time error's description.
QM_EXPORT QString UnexpectedErrorText(const QString& description);

} // namespace vb
