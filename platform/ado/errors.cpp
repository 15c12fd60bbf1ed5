#include "platform/ado/errors.h"

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

namespace ado::detail {

namespace {
QString describe(int number) {
    switch (number) {
    case adErrInvalidArgument:
        return QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in conflict "
                              "with one another.");
    case adErrNoCurrentRecord:
        return QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                              "operation requires a current record.");
    case adErrIllegalOperation: return QStringLiteral("Operation is not allowed in this context.");
    case adErrFeatureNotAvailable:
        return QStringLiteral("Current Recordset does not support updating. This may be a limitation of the "
                              "provider, or of the selected locktype.");
    case adErrItemNotFound:
        return QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                              "ordinal.");
    case adErrObjectInCollection: return QStringLiteral("Object is already in collection. Cannot append.");
    case adErrObjectClosed: return QStringLiteral("Operation is not allowed when the object is closed.");
    case adErrObjectOpen: return QStringLiteral("Operation is not allowed when the object is open.");
    case adErrProviderNotFound: return QStringLiteral("Provider cannot be found. It may not be properly installed.");
    case adErrInvalidConnection:
        return QStringLiteral("The connection cannot be used to perform this operation. It is either closed or "
                              "invalid in this context.");
    case errMultipleStep: return QStringLiteral("Multiple-step operation generated errors. Check each status value.");
    default: return {};
    }
}
} // namespace

void Fail(int number) { vb::Raise(number, describe(number)); }

void Fail(int number, const QString& description) { vb::Raise(number, description); }

} // namespace ado::detail

namespace ado {

DatabaseFailure DatabaseFailureOf(const std::exception& failure) {
    const auto* database = dynamic_cast<const detail::DatabaseError*>(&failure);
    return database ? database->kind() : DatabaseFailure::Other;
}

} // namespace ado
