#include "platform/vb/export.h"

// The version the data-access probe reads from this library's file, the way
// it reads a file version resource elsewhere (see win32::FileSystemObject).
extern "C" QM_EXPORT const char qm_ado_file_version[] = "QMFILEVERSION:2.81.1117.0";
