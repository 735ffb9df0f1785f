#pragma once
// The engine's public class Transfer: the user profile ("orvane.ini",
// "OrvaneDetails.ini" and the web-schedule profile), the stored passwords of
// the side files, the session log of a restore, the per-user server profile,
// local folders and the engine's collections. All instances work on the one
// engine state; the engine itself uses the singleton gTransfer().
//
// The profiles are plain INI files that the restore program writes between
// engine calls, so every read goes to the file again. Keys and values are
// read into the legacy 256-character buffer: at most 255 characters come
// back, and a missing file, section or key reads as "".

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Collection.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT Transfer : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("Transfer"); }

  // Members in the order of the class's interface.

  // Kept for the interface; nothing reads it.
  [[nodiscard]] bool NoItemAutoZqWin() const;
  void NoItemAutoZqWin(bool value);
  // The text up to its first NUL; the argument is cut as well.
  QString StripNulls(QString& OriginalStr);
  void Trf_ClearEnumBackupItemSet();

  // A setting of section "Proxy" of "orvane.ini"; "ProxyPass" (any case,
  // blanks around it allowed) is the unscrambled proxy-password side file.
  [[nodiscard]] QString Trf_ReadProxyProfile(const QString& param);
  // A value of section "DateFormat" of "orvane.ini".
  [[nodiscard]] QString Trf_ReadDateFormatProfile(const QString& param);
  // One user value of "orvane.ini" (section "DateFormat" for the key
  // "DateFormat" in any case, else "Orvane"); with `bWebSchedule` of
  // "ScheduleDataWeb.ini"; with `bUserPwd` the unscrambled password of the
  // user named `param`, from the user's side file (or its registry fallback).
  [[nodiscard]] QString Trf_ReadUserProfile(QString param, bool bWebSchedule = false, bool bUserPwd = false);

  void Trf_ClearEnumLocalDirContent();
  void setLindex();
  // While an interactive restore runs, sets the quota-full flag from the
  // WebDAV server's quota reading; otherwise only clears it.
  void Trf_UpdateTessaraDiskInfo();
  bool Trf_RemoveLocalDir(QString sPathToDel);
  void Trf_CreateLocalDir(QString newlcdir);

  // Stores one user value in "orvane.ini" beside the engine library; with
  // `sUserPwd`, `paramval` scrambled as the side-file password of user `param`.
  void Trf_WriteUserProfile(const QString& param, const QString& paramval, bool sUserPwd = false);
  // Stores one value in section "Orvane" of "OrvaneDetails.ini".
  void Trf_WriteZQDetails(const QString& param, const QString& paramval);

  // Opens a session log of kind `LogEventType` ("Restore"): the empty UTF-16
  // file "Session\<kind> mm-dd-yyyy  HH-MM-SS.txt" of the application folder,
  // whose path goes to "SessionFileRestore" (or, for a "Schedule" kind,
  // "SessionFile") of "OrvaneDetails.ini". The result is always Empty.
  vb::Variant Trf_CreateSession(const QString& LogEventType);
  // Closes the session log; the result is always Empty.
  vb::Variant Trf_ResetSession();

  // The value of `param` in section `sSection` of the INI file `sFilepath`
  // (at most 255 characters), "" when anything is missing.
  [[nodiscard]] QString Trf_ReadProfile(const QString& sFilepath, const QString& sSection, const QString& param);

  void Trf_ClearEnumRemoteDirContent();
  void Trf_ClearEnum(vb::CollectionPtr& cEnum);
  void Trf_ClearEnumRestoreItemSet();
  vb::Variant readIncludeFile(QString sAutoFileExtnPath, const QString& sCurrUsername = {});

  // The per-user server profile "orvaneserver.ini".
  [[nodiscard]] QString Trf_ReadUserServerProfile(QString param, QString ProfileUsername);
  void WriteUserServerProfile(const QString& param, const QString& paramval, const QString& PrfileUserName);

  // The password scrambler shared with the restore program (SideFiles.h).
  [[nodiscard]] QString DecryptPwd(const QString& strText);
  [[nodiscard]] QString EncryptPwd(const QString& strText);

  // The members of the server profile (Trf_ReadUserServerProfile,
  // WriteUserServerProfile) and of the local folders, collections and
  // include list (NoItemAutoZqWin, StripNulls, the Trf_ClearEnum family,
  // setLindex, Trf_UpdateTessaraDiskInfo, Trf_RemoveLocalDir,
  // Trf_CreateLocalDir, readIncludeFile) are defined with the server-profile
  // and local-folder work; these fields are theirs.
 private:
  bool NoItemAutoZqWin_ = false;
  double lindex_ = 0;
};

// The engine's Transfer singleton.
Transfer& gTransfer();

}  // namespace OrvaneSrv
