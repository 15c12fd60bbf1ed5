#pragma once

#include <QFileInfo>
#include <QString>
#include <dlfcn.h>

namespace win32 {

// App.Path: the folder of the module this code is compiled into. The header
// is compiled into each deliverable, so an add-in gets its own folder, not
// the folder of the shared platform library or of the host.
namespace detail {
[[maybe_unused]] static int moduleAnchor = 0;
}

[[maybe_unused]] static QFileInfo ModuleFile() {
    Dl_info info{};
    if (dladdr(static_cast<const void*>(&detail::moduleAnchor), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname));
    return QFileInfo();
}

[[maybe_unused]] static QString AppPath() {
    QFileInfo f = ModuleFile();
    return f.filePath().isEmpty() ? QString() : f.absolutePath();
}

// App.EXEName: the module's file name without its extension ("quillmere"
// for build/addins/edition1/quillmere.so).
[[maybe_unused]] static QString AppEXEName() { return ModuleFile().completeBaseName(); }

} // namespace win32
