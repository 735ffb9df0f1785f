#pragma once
// Creatable classes: the stand-in for COM class registration and creation
// in one process.
//
// A deliverable makes each of its creatable classes known in two ways, as
// its legacy counterpart did:
//   - RegisterClassObject (CoRegisterClassObject): the class becomes
//     creatable in this process, by class identifier and by program
//     identifier, for as long as the returned ClassRegistration lives. This
//     is how the restore program offers its call-back class
//     "OrvaneforMAC.clsMonitor": the engine's creation by program identifier
//     then yields an object of the running program, never of another one.
//   - RegisterServer (self-registration, DllRegisterServer or a program's
//     /RegServer): the class's entries are written to HKEY_CLASSES_ROOT of
//     the registry store:
//       <ProgID>                          (default) = <ProgID>
//       <ProgID>\CLSID                    (default) = <CLSID>
//       CLSID\<CLSID>                     (default) = <ProgID>
//       CLSID\<CLSID>\ProgID              (default) = <ProgID>
//       CLSID\<CLSID>\InprocServer32      (default) = module path, "ThreadingModel" = "Apartment"
//         or CLSID\<CLSID>\LocalServer32  (default) = program path
//       CLSID\<CLSID>\TypeLib             (default) = type library id (when given)
//
// Creation (CreateObject, CreateObjectFromClassId) looks the program
// identifier up in HKEY_CLASSES_ROOT first and then among the classes
// registered in this process; the class identifier must then have a class
// object in this process. Anything else raises 429 "ActiveX component can't
// create object": an unknown identifier, or a class the registry knows but
// no running code serves (there are no other processes or modules to start
// here). Program identifiers compare without regard to case; class
// identifiers are GUID texts ("{2532C4B5-1734-4133-BAB2-B923A65AA016}"),
// compared without regard to case, braces optional on input.
//
// The object comes back as a shared reference: the caller releases it by
// dropping the reference, and the object goes when its last reference does.

#include "platform/registry/RegistryTypes.h"
#include "platform/values/Object.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace win {

using ClassFactory = std::function<vb::ObjectRef()>;

enum class ServerKind { InProcess, LocalServer };

struct ClassInfo {
  QString clsid;   // the class identifier
  QString progId;  // the program identifier ("" when the class has none)
  ClassFactory factory;
  ServerKind server = ServerKind::InProcess;
  QString modulePath;  // Windows path of the library or program that serves the class
  QString typeLib;     // the type library identifier, optional
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, or "" when `text`
// is not a GUID (with or without braces).
[[nodiscard]] QString NormalizeClassId(const QString& text);

// A class object registered in this process; revoked when destroyed.
class ClassRegistration {
 public:
  ClassRegistration() = default;
  ~ClassRegistration();
  ClassRegistration(ClassRegistration&& other) noexcept;
  ClassRegistration& operator=(ClassRegistration&& other) noexcept;
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  // CoRevokeClassObject: the class is no longer creatable through this
  // registration (objects already made live on).
  void Revoke();
  [[nodiscard]] bool Active() const { return cookie_ != 0; }

 private:
  friend ClassRegistration RegisterClassObject(ClassInfo info);
  explicit ClassRegistration(unsigned long cookie) : cookie_(cookie) {}
  unsigned long cookie_ = 0;
};

// Makes the class creatable in this process. The latest registration of a
// class identifier serves it; revoking it uncovers an earlier one. Raises 5
// when the class identifier is not a GUID, the program identifier is not a
// valid name (empty is allowed; no "\", no blanks, not starting with a
// digit, at most 39 characters) or there is no factory.
[[nodiscard]] ClassRegistration RegisterClassObject(ClassInfo info);

// CLSIDFromProgID: the class identifier for a program identifier, from
// HKEY_CLASSES_ROOT or else from the classes registered in this process.
[[nodiscard]] std::optional<QString> ClassIdFromProgId(const QString& progId);

// CreateObject("Prog.Id"): a new object of the class; raises 429.
[[nodiscard]] vb::ObjectRef CreateObject(const QString& progId);

// A new object of the class with this identifier; raises 429.
[[nodiscard]] vb::ObjectRef CreateObjectFromClassId(const QString& clsid);

// Self-registration of `classes` into HKEY_CLASSES_ROOT (see above). Answers
// the first failing registry result (ERROR_INVALID_PARAMETER for a class
// whose identifiers are not valid), or ERROR_SUCCESS.
[[nodiscard]] LONG RegisterServer(const std::vector<ClassInfo>& classes);

// Removes the entries RegisterServer wrote. Entries that are already gone
// are no failure; a key that still holds keys it did not write stays and
// its registry result is answered.
[[nodiscard]] LONG UnregisterServer(const std::vector<ClassInfo>& classes);

}  // namespace win
