#pragma once

#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <QString>

namespace ado::detail {

// A database file's failure, with what it was for the callers that tell
// the kinds apart.
class DatabaseError : public vb::Error {
public:
    DatabaseError(int number, QString description, DatabaseFailure kind)
        : vb::Error(number, std::move(description)), kind_(kind) {}
    DatabaseFailure kind() const { return kind_; }

private:
    DatabaseFailure kind_;
};

// Raises one of the data objects' errors with the description they give it.
[[noreturn]] void Fail(int number);
[[noreturn]] void Fail(int number, const QString& description);

} // namespace ado::detail
