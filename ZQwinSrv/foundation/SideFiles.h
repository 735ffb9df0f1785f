#pragma once
// Side files and the registry store of the engine's general module.
//
// Besides its INI profiles the client keeps a few single values in one-line
// UTF-16 text files (side files) and reads a few values under the registry
// key "Software\OVMac":
//
//   kind  file                        folder                          registry fallback
//   1     <user name> & ".txt"        application folder\<user name>  value named EncryptPwd(<user name>)
//   2     "ZQOpenfilepath.txt"        application folder\<name>       "VSSTEMPPATH"
//   3     "ZQTemppath.txt" (engine),  application folder\<name>       "TempFolder"
//         "OVTemppath.txt" (program)
//   4     "ZQSystemStatePath.txt"     application folder\<name>       "SYSSTATE"
//   5     "ZQProxyUser.txt"           application folder itself       none
//
// Kinds 1 and 5 hold passwords scrambled by EncryptPwd. A scrambled password
// may hold any code 0-255, blanks, CR and LF included, so those two kinds are
// stored untrimmed and read back whole up to the final line end; the path
// kinds are trimmed as they always were.
//
// The restore program keeps the same files and the same scrambler: it calls
// the exported routines below with its own SideFileSettings, so both
// deliverables read and write the files one way.

#include <QString>

#include <functional>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/errors/RuntimeError.h"
#include "platform/registry/RegistryTypes.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

// ---- The password scrambler (shared with the restore program) -------------

// Shifts each UTF-16 code unit by the code of a letter of the fixed key
// "VEZIRUD" (text position i pairs with key letter (i mod 7) + 1), modulo
// 256. A text that is blank after trimming gives "". Units above U+00FF lose
// their high byte, so only texts of codes 0-255 survive a round trip.
ORVANESRV_EXPORT QString EncryptPwd(const QString& strText);
// The inverse: the key letter's code is subtracted, modulo 256.
ORVANESRV_EXPORT QString DecryptPwd(const QString& strText);

// ---- Side files and "Software\OVMac" (shared with the restore program) ------

// What one look-up under "Software\OVMac" found, handed to the caller's
// trace hook: the value name and whether a value was there (never the
// value: the store holds scrambled passwords and key texts), and a run-time
// error that the look-up passed over.
struct RegistryLookup {
  QString valueName;
  bool found = false;
  vb::ErrorInfo error;
};

// Where and how one deliverable keeps its side files.
struct SideFileSettings {
  // The application folder (Windows form, no trailing "\"), e.g.
  // "C:\Program\OrvaneMac".
  QString appFolder;
  // The file name of kind 3.
  QString tempPathFileName = QStringLiteral("ZQTemppath.txt");
  // The writer creates the application folder when it is missing (the
  // program's writer does; the engine's expects it).
  bool createAppFolder = false;
  // How a registry text is cut: always at its first NUL, and at its first CR
  // unless (true) that CR is the text's first character.
  bool keepLeadingCr = true;
  // Called after every registry look-up, for the caller's trace (may be empty).
  std::function<void(const RegistryLookup&)> traceLookup;
};

// The hive of "Software\OVMac" (and of the restore program's start-up
// entry): the machine hive before OS major version 6, the current user's
// hive from 6 on. Shared with the restore program.
[[nodiscard]] ORVANESRV_EXPORT win::HKEY OVMacHive();

// The string value `valueName` of "Software\OVMac": "" when the key or the
// value is missing or the value does not fit the 2048-byte buffer (1024
// characters or more). Cut as `settings.keepLeadingCr` says.
ORVANESRV_EXPORT QString ReadProfilefromRegistry(const SideFileSettings& settings, const QString& valueName);

// The value of a side file of kind 1-5 with its registry fallback, or "".
// Kinds 1 and 5 answer the file's whole text (kind 5 unscrambled); the path
// kinds and every registry fallback answer trimmed. Errors are passed over.
ORVANESRV_EXPORT QString ReadProfileFile(const SideFileSettings& settings, const QString& name, Integer kind);

// Replaces a side file of kind 1-5 with `value` and a line end; kinds 1 and 5
// are written as given (the caller scrambles them first), the path kinds
// trimmed. An empty value of kind 5 only deletes the file. Errors are
// passed over.
ORVANESRV_EXPORT void WriteProfileFile(const SideFileSettings& settings, const QString& name, const QString& value,
                                       Integer kind);

// ---- The engine's own routines ----------------------------------------------

// The engine's side files: read in the application folder given to
// InitEngine, written in the one beside the engine library (the same folder
// when the library is installed beside the program); kind 3 is
// "ZQTemppath.txt"; registry look-ups are traced by name and outcome.
[[nodiscard]] SideFileSettings EngineSideFiles(const QString& appFolder);
[[nodiscard]] QString ReadProfileFile(const QString& name, Integer kind);
void WriteProfileFile(const QString& name, const QString& value, Integer kind);
[[nodiscard]] QString ReadProfilefromRegistry(const QString& valueName);

// How RegReadValue answers a string value. The engine cuts it at its first
// NUL; the restore program's reader also cuts it at its first CR and
// answers Empty for a string it could not read whole or that holds no data.
struct RegistryReadForm {
  bool cutAtCr = false;
  bool emptyUnlessRead = false;
};

// A registry value under `root`: a string (cut at its first NUL), a 32-bit
// number, a byte (the first of a binary value), or Empty (missing key or
// value, no full access, another type). One leading "\" of the path is
// dropped. Shared with the restore program, which passes its own form.
[[nodiscard]] ORVANESRV_EXPORT vb::Variant RegReadValue(win::HKEY root, QString keyPath, const QString& valueName,
                                                        RegistryReadForm form = {});

// Writes a REG_SZ (type 1) or REG_DWORD (type 4) value into an existing key
// of the current user's hive; nothing when the key cannot be opened.
void SetKeyValue(const QString& keyPath, const QString& valueName, const vb::Variant& value, Long type);
// Writes one value into an open key; other types write nothing and answer 0.
Long SetValueEx(win::HKEY key, const QString& valueName, Long type, const vb::Variant& value);

// True when the installation type is "service": the key "Type" of section
// "Orvane" of "OrvaneDetails.ini", else the machine hive's "Software\OVMac"
// value "Type", trimmed and compared without case.
[[nodiscard]] bool GetAppType();

// The trimmed first line of an 8-bit text file; "" when it is missing or empty.
[[nodiscard]] QString ReadTextFileLine(const QString& path);

// The stored private encryption key's scrambler, on Windows-1252 codes with
// the first seven letters of the key "àéñóúüçãõâê": direction 0 unscrambles
// (code + 1, then XOR), any other direction scrambles (XOR, then code - 1).
// Codes wrap modulo 256, so the two directions undo each other for every
// text of 8-bit characters.
[[nodiscard]] QString ScrambleKeyText(Integer direction, const QString& text);

// The profile routines pass every key and value through these; they keep
// the text as it is.
[[nodiscard]] QString Encrypt(const QString& text);
[[nodiscard]] QString Decrypt(const QString& text);

// Copy `source` to `destination` through Encrypt or Decrypt. Both keep the
// bytes, so the copy is raw: the destination ends up equal to the source.
// Without `keepDestination` an existing destination is deleted first. A
// file copied onto itself is left untouched. False only when reading or
// writing fails.
bool EncryptFile(const QString& source, const QString& destination, bool keepDestination);
bool DecryptFile(const QString& source, const QString& destination, bool keepDestination);

}  // namespace OrvaneSrv
