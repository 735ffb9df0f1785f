#pragma once
// The engine's public class Util: string, path and name helpers that both
// the engine and the restore program use. It reads the fields of a NodeKey
// (the text key of a listing entry), replaces and finds separators,
// validates file and folder names (showing the engine's message box for a
// refused name), builds and checks zip file names and e-mail addresses,
// tests whether a restore destination can be written, and splits one line
// of the rsync client's list output.
//
// The class has no fields: every call depends only on its arguments, the
// clock, the file system and, for the message box, the engine state. The
// engine itself uses the singleton gUtil(); the restore program creates its
// own instances.

#include <QString>
#include <QStringList>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

// A NodeKey joins its fields with ">", but a Mac file name may hold ">".
// Whoever writes a key puts such a ">" of a path field as this private-use
// character, and GetInfoFromKey gives it back as ">".
inline constexpr char16_t kKeyFieldGreaterThan = u'\uE03E';

// `field` ready to be joined into a NodeKey: every ">" becomes
// kKeyFieldGreaterThan; nothing else changes.
[[nodiscard]] ORVANESRV_EXPORT QString EscapeKeyField(const QString& field);

class ORVANESRV_EXPORT Util : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("Util"); }

  // Members in the order of the class's interface.

  // `sString` with every `sToReplace` replaced by `sReplaceWith`.
  [[nodiscard]] QString ReplaceSection(const QString& sString, const QString& sToReplace,
                                       const QString& sReplaceWith);
  // The 1-based position of the last `oftype` in `fpath`, 0 when none.
  [[nodiscard]] qsizetype PositionOfString(const QString& fpath, const QString& oftype);
  // The part of `Folderpath` after the last `Shtype`: all of it when there
  // is none, "" when it ends with `Shtype`.
  [[nodiscard]] QString StringEndFolder(const QString& Folderpath, const QString& Shtype);

  // A name for a file or folder to be created or restored. Refused (false)
  // are the service's main web host name and "My Orvane" (message 14), the name
  // of the encrypted backup folder "Encrypted_Data" in any case (message 19)
  // and names holding any of  " | > < ? * : \ /  (message 15). Unless
  // `bNoMsg`, a refusal shows its message in the engine's message box.
  bool ValidateFileName(const QString& Iname, bool bNoMsg = false);
  // As ValidateFileName, but "\" and "/" are allowed and the encrypted
  // folder's name is not reserved (messages 16 and 17).
  bool ValidateFileFolderName(const QString& Iname, bool bNoMsg = false);
  // A valid zip file name made of `zipfilename` (written back into it):
  // ".zip" added, "tessara.zip" for an empty name, "Tessara.zip" for ".zip";
  // with `ENCF` the prefix "Enc." put in front (`encfval`) or taken away.
  // "" for a refused name, which is shown and left as it was.
  QString ValidateZipName(QString& zipfilename, bool ENCF, bool encfval);
  // The loose address test of the sign-in: an "@", no "." right after it and
  // a "." somewhere after that.
  [[nodiscard]] bool ValidateMailid(const QString& strmailid);
  // "Sunday.zip" ... "Saturday.zip" for today.
  [[nodiscard]] QString TodayZipFileName();
  // yymmdd, then hour and minute without leading zeros, then ".zip".
  [[nodiscard]] QString DateZipFileName();

  // One field of a NodeKey: 1 last-modified text, 2 size, 3 path, 5 raw
  // server path, 4 the last "\"-separated name of the whole key; "" for any
  // other type. A text without ">" comes back unchanged. A field the key
  // lacks gives "" and a trace line.
  [[nodiscard]] QString GetInfoFromKey(Integer nInfoType, const QString& sFullText);
  // All parts of `sFullText` split at `sKey` into `sStrArr` (none for "").
  vb::Variant SplitFullText(const QString& sFullText, const QString& sKey, QStringList& sStrArr);
  // True when a restore can write into the folder `sDestFilePath`: its drive
  // is ready and writable and a file can be created and removed there.
  [[nodiscard]] bool CheckForWriteAccessPermission(const QString& sDestFilePath);
  // The size, date and time ("yyyy/mm/dd hh:mm:ss") and name of one line of
  // the rsync client's list output ("permissions size date time name").
  vb::Variant GetRsycListoutput(const QString& sFileInfo, QString& sTmpFileFolderPath, QString& sFileSize,
                                QString& szLastModified);

 private:
  // Whether the caller may open `path` with the access mask `desiredAccess`
  // (Win32 file rights, generic rights allowed). No operation calls it.
  bool HasWriteAccess(QString& path, Long desiredAccess);
  [[nodiscard]] bool IsNtPlatform();
};

// The engine's Util singleton.
Util& gUtil();

}  // namespace OrvaneSrv
