#include "platform/vb/error.h"

#include <QLoggingCategory>

namespace vb {

Error::Error(int number, QString description, QString source)
    : number_(number),
      description_(description.isEmpty() ? DefaultDescription(number) : std::move(description)),
      source_(std::move(source)),
      what_(description_.toStdString()) {}

Error::~Error() = default;

QString DefaultDescription(int number) {
    switch (number) {
    case errInvalidCall: return QStringLiteral("Invalid procedure call or argument");
    case errOverflow: return QStringLiteral("Overflow");
    case errSubscript: return QStringLiteral("Subscript out of range");
    case errDivisionByZero: return QStringLiteral("Division by zero");
    case errTypeMismatch: return QStringLiteral("Type mismatch");
    case errObjectNotSet: return QStringLiteral("Object variable or With block variable not set");
    case errInvalidUseOfNull: return QStringLiteral("Invalid use of Null");
    case errInvalidProperty: return QStringLiteral("Invalid property value");
    case errObjectRequired: return QStringLiteral("Object required");
    case errFileNotFound: return QStringLiteral("File not found");
    case errPermissionDenied: return QStringLiteral("Permission denied");
    case errPathNotFound: return QStringLiteral("Path not found");
    case errAutomation: return QStringLiteral("Automation error");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

QString ErrorDescription(const std::exception& e) {
    if (const auto* vbError = dynamic_cast<const Error*>(&e))
        return vbError->description();
    return QString::fromLocal8Bit(e.what());
}

void Raise(int number, const QString& description, const QString& source) {
    throw Error(number, description, source);
}

Q_LOGGING_CATEGORY(swallowed, "quillmere.swallowed", QtInfoMsg)

void LogSwallowed(const char* file, unsigned line, const char* function) noexcept {
    try {
        if (!swallowed().isDebugEnabled())
            return;
        QString what;
        try {
            if (const std::exception_ptr current = std::current_exception())
                std::rethrow_exception(current);
            what = QStringLiteral("no exception");
        } catch (const Error& e) {
            what = QStringLiteral("run-time error %1: %2").arg(e.number()).arg(e.description());
        } catch (const std::exception& e) {
            what = QString::fromLocal8Bit(e.what());
        } catch (...) {
            what = QStringLiteral("an exception of no known type");
        }
        qCDebug(swallowed, "%s:%u (%s): %s", file, line, function, qUtf8Printable(what));
    } catch (...) {
        // Logging what was dropped must not fail in its turn.
    }
}

QString UnexpectedErrorText(const QString& description) {
    return QStringLiteral("Tanımlanamayan bir hata oluştu.") + QStringLiteral("\r\n")
           + QStringLiteral("Sistemin ürettiği hata mesajı : ") + description;
}

} // namespace vb
