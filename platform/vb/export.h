#pragma once

// Platform libraries are shared by the host and by every add-in loaded into
// it; the add-ins themselves are built with hidden symbols, so anything the
// platform offers across that boundary is exported explicitly.
#define QM_EXPORT __attribute__((visibility("default")))
