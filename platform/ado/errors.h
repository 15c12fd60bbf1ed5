#pragma once

#include <QString>

namespace ado::detail {

// Raises one of the data objects' errors with the description they give it.
[[noreturn]] void Fail(int number);
[[noreturn]] void Fail(int number, const QString& description);

} // namespace ado::detail
