#pragma once
// The engine's public class clsWebdavController: the WebDAV side of a
// restore. It signs the engine's one WebDAV client in and out and restores a
// restore item set over WebDAV; most of its small members are kept for the
// interface and called by nothing. The engine keeps one object,
// gWebdavController(); every field starts false or empty.

#include <QString>

#include <array>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT clsWebdavController : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("clsWebdavController"); }

  // Members in the order of the class's interface.

  // The file being restored is an encrypted item (its remote name begins
  // "ENC.").
  [[nodiscard]] bool ENCF() const { return ENCF_; }
  void ENCF(bool value) { ENCF_ = value; }
  // The compressed-item flag of the older backup product; only this
  // property sets it.
  [[nodiscard]] bool ZIPF() const { return ZIPF_; }
  void ZIPF(bool value) { ZIPF_ = value; }
  // The uncompress option of the running restore.
  [[nodiscard]] bool UNZIPF() const { return UNZIPF_; }
  void UNZIPF(bool value) { UNZIPF_ = value; }

  // Signs the WebDAV client in: port and secure flag from the SSL setting,
  // the connection opened. The unattended run (mode 0) answers whether the
  // account root accepts the credentials; the restore program's modes
  // answer true without a request and learn it from the first listing.
  bool Cont_login(const QString& sUsername, const QString& sPassword, bool bNonSSLPort = false);
  // Closes the WebDAV connection; the internet session stays open.
  void Cont_DisConnect();
  // Each character replaced by the one of twice its 8-bit code ("" and a
  // trace for codes from 128 up).
  QString contEncrypt(const QString& txt);
  // Each character replaced by the one of half its 8-bit code, rounded to
  // the even neighbour.
  QString contDecrypt(const QString& txt);
  // Whether the local file `sourcepath` needs sending to `destPath` (a test
  // of the backup product).
  bool Cont_CheckForIncrementalBackup(const QString& sourcepath, const QString& destPath);
  // Answers `destdir` unchanged.
  QString Cont_GetAddPath(const QString& localfilepath, const QString& localfilename, const QString& destdir);
  // `addpath` without its ":" characters.
  QString Cont_GetColonChecked(const QString& addpath);
  [[nodiscard]] bool cont_getincflag() const { return bIncrementalFlag; }
  // True when ENCF or ZIPF is set and the file's archive attribute is clear.
  bool Cont_CheckArchiveBitForEncComp(const QString& sourcepath, const QString& destPath);
  // The number of files in the folder tree `sRootFolder` (ending in "\").
  double GetNooffiles(const QString& sRootFolder);
  // The restore walk and the restoring of one file are declared in their
  // interface places and built with the restore route.
  vb::Variant Cont_Restore(const QString& destdir, bool UNCompressopt, bool IncrementalOpt, bool mirroropt,
                           bool bRestoreOriginal = false);
  bool Cont_RestoreFile(const QString& filepath, const QString& destdir);
  // The statistics texts, each followed by CR LF: 1, 2, 4 and then 3 when
  // text 3 is not empty.
  [[nodiscard]] QString GetStatsMsg() const;
  [[nodiscard]] QString GetRestStatsMsg() const;
  // Empties both sets of statistics texts; answers Empty.
  vb::Variant ClearAllMessages();

 private:
  // True when the file's read-only attribute is set; nothing calls it.
  bool Cont_chkfileattr(const QString& path);

  // The restore walk (clsWebdavControllerRestore.cpp).
  void Cont_SetRestoreOptions(bool UNCompressopt, bool IncrementalOpt, bool mirroropt);
  bool Cont_RestoreMain(bool bRestoreOriginal);
  bool Cont_RestoreFolder(const QString& folderpath, const QString& destdir, bool bRestoreOriginal);
  vb::Variant CheckDestinationWritable(const QString& item);
  void EnumEncryptedFiles();
  bool CheckNonDecryptedFiles();
  void DecryptEncryptedFiles();
  // The restoring of one file.
  bool Cont_CheckForIncrementalRestore(const QString& remotepath, const QString& localpath);
  void RestorelogfileEntry(bool ok, const QString& displaypath, const QString& localpath);
  void Cont_EndRestoreOpr();

  bool ENCF_ = false;
  bool ZIPF_ = false;
  bool UNZIPF_ = false;
  bool bIncrementalFlag = false;
  QString sRestoreDest;
  // The running restore puts files back in their original places.
  bool bRestoreOriginal_ = false;
  // Texts 1 to 4 at indexes 0 to 3.
  std::array<QString, 4> asStatsMsg;
  std::array<QString, 4> asRestStatsMsg;
};

// The engine's WebDAV restore controller, created on first use.
clsWebdavController& gWebdavController();

}  // namespace OrvaneSrv
