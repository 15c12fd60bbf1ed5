#pragma once

#include <QString>
#include <vector>

// The add-ins' registration in the registry stand-in, laid out as COM and
// Excel lay it out on Windows:
//   HKCU\Software\Microsoft\Office\Excel\Addins\<ProgID>
//       FriendlyName, Description, LoadBehavior
//   HKCR\<ProgID>\CLSID\               (default) = {clsid}
//   HKCR\CLSID\{clsid}\InprocServer32\ (default) = the library's path
//   HKCR\CLSID\{clsid}\ProgID\         (default) = <ProgID>
namespace host {

inline const QString kExcelAddinsKey = QStringLiteral("HKCU\\Software\\Microsoft\\Office\\Excel\\Addins");
// The data-access components' class, as the add-in's version probe finds it.
inline const QString kAdoProgId = QStringLiteral("ADODB.Connection");
inline const QString kAdoClassId = QStringLiteral("{00000514-0000-0010-8000-00AA006D2EA4}");

// The class id a ProgID is registered under: a name-based UUID, so that
// registering again gives the same one; ProgIDs that differ only in letter
// case, which the registry takes for one, give the same one.
QString ClassIdFor(const QString& progId);

// Registers the add-in library at `libraryPath` for the user, and the
// data-access library at `adoLibraryPath` with it. Raises vb::Error when the
// library is no add-in.
void RegisterAddin(const QString& libraryPath, const QString& adoLibraryPath);
// Removes the add-in's keys; the data-access registration stays. A library
// that no longer loads is found by its path. Returns the ProgIDs removed.
QStringList UnregisterAddin(const QString& libraryPath);

struct RegisteredAddin {
    QString progId;
    QString path;         // empty when its class has no server path
    int loadBehavior = 0;
};
// Every add-in registered for the user, in the registry's order.
std::vector<RegisteredAddin> RegisteredAddins();

} // namespace host
