#pragma once

#include "state/mdlGenel.h"

// The second edition's module of state shared with the pages that read the
// host: its ExcelApp is the one host object every window reads, set by the
// connection event and never released or asked to quit.
namespace edition2::modSharedCode {
using ::ExcelApp;
} // namespace edition2::modSharedCode
