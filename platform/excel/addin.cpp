#include "platform/excel/addin.h"

namespace excel {

AddinConnection::~AddinConnection() = default;

} // namespace excel
