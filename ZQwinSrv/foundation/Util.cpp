#include "ZQwinSrv/foundation/Util.h"

#include <QFile>
#include <QRandomGenerator>

#include <unistd.h>

#include "ZQwinSrv/foundation/EngineMessages.h"
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "platform/clock/Clock.h"
#include "platform/clock/DateTime.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/Drive.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/paths/WinPath.h"
#include "platform/system/SystemInfo.h"
#include "platform/text/Strings.h"
#include "platform/ui/MessageBoxService.h"

namespace OrvaneSrv {
namespace {

// Reserved besides the service's main web host.
const QString kMyOrvane = QStringLiteral("My Orvane");
// The folder the Mac client keeps encrypted backups in.
const QString kEncryptedFolder = QStringLiteral("Encrypted_Data");

const QString kKeySeparator = QStringLiteral(">");

// Message numbers of the engine's table.
constexpr Long kMsgInvalidName = 14;
constexpr Long kMsgSpecialCharacters = 15;
constexpr Long kMsgInvalidFileFolderName = 16;
constexpr Long kMsgSpecialCharactersFolder = 17;
constexpr Long kMsgEncryptedFolderName = 19;

bool HoldsAnyOf(const QString& text, QStringView characters) {
  for (const QChar ch : characters) {
    if (text.contains(ch)) return true;
  }
  return false;
}

// Names that belong to the service: its main web host and "My Orvane",
// compared exactly.
bool IsReservedName(const QString& name) { return name == CurrentServiceHosts().sMainWebHost || name == kMyOrvane; }

QString UnescapeKeyField(QString field) { return field.replace(QChar(kKeyFieldGreaterThan), u'>'); }

// Shows a refused name's message: error picture, OK only; the answer means
// nothing here.
void ShowRefusal(Long message) {
  gOptions().clsMessageBox(GetMessageText(message), win::MB_ICON_ERROR, win::MB_STYLE_OK);
}

// A probe name of our own: a user's file of any fixed name in the
// destination would be overwritten and then deleted by the test.
QString ProbeName() {
  return QStringLiteral("~orvane-write-probe-%1.mtp")
      .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// Win32 file rights and their generic forms.
constexpr quint32 kFileReadData = 0x0001;
constexpr quint32 kFileWriteData = 0x0002;
constexpr quint32 kFileAppendData = 0x0004;
constexpr quint32 kFileExecute = 0x0020;
constexpr quint32 kGenericRead = 0x80000000U;
constexpr quint32 kGenericWrite = 0x40000000U;
constexpr quint32 kGenericExecute = 0x20000000U;
constexpr quint32 kGenericAll = 0x10000000U;
constexpr quint32 kFileGenericRead = 0x00120089;
constexpr quint32 kFileGenericWrite = 0x00120116;
constexpr quint32 kFileGenericExecute = 0x001200A0;
constexpr quint32 kFileAllAccess = 0x001F01FF;

// The generic rights of `mask` replaced by the file rights they stand for.
quint32 MapGenericFileRights(quint32 mask) {
  if (mask & kGenericRead) mask |= kFileGenericRead;
  if (mask & kGenericWrite) mask |= kFileGenericWrite;
  if (mask & kGenericExecute) mask |= kFileGenericExecute;
  if (mask & kGenericAll) mask |= kFileAllAccess;
  return mask & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll);
}

}  // namespace

QString EscapeKeyField(const QString& field) {
  QString escaped = field;
  return escaped.replace(u'>', QChar(kKeyFieldGreaterThan));
}

Util& gUtil() { return Singleton(Engine().gUtil); }

QString Util::ReplaceSection(const QString& sString, const QString& sToReplace, const QString& sReplaceWith) {
  return ::OrvaneSrv::ReplaceSection(sString, sToReplace, sReplaceWith);
}

qsizetype Util::PositionOfString(const QString& fpath, const QString& oftype) {
  return ::OrvaneSrv::PositionOfString(fpath, oftype);
}

QString Util::StringEndFolder(const QString& Folderpath, const QString& Shtype) {
  const qsizetype at = ::OrvaneSrv::PositionOfString(Folderpath, Shtype);
  if (at == 0) return Folderpath;
  return Folderpath.mid(at - 1 + Shtype.size());
}

bool Util::ValidateFileName(const QString& Iname, bool bNoMsg) {
  Long message = 0;
  if (IsReservedName(Iname)) {
    message = kMsgInvalidName;
  } else if (vb::StrComp(Iname, kEncryptedFolder, vb::vbTextCompare) == 0) {
    message = kMsgEncryptedFolderName;
  } else if (HoldsAnyOf(Iname, u"\"|><?*:\\/")) {
    message = kMsgSpecialCharacters;
  }
  if (message == 0) return true;
  if (!bNoMsg) ShowRefusal(message);
  return false;
}

bool Util::ValidateFileFolderName(const QString& Iname, bool bNoMsg) {
  Long message = 0;
  if (IsReservedName(Iname)) {
    message = kMsgInvalidFileFolderName;
  } else if (HoldsAnyOf(Iname, u"\"|><?*:")) {
    message = kMsgSpecialCharactersFolder;
  }
  if (message == 0) return true;
  if (!bNoMsg) ShowRefusal(message);
  return false;
}

QString Util::ValidateZipName(QString& zipfilename, bool ENCF, bool encfval) {
  if (!ValidateFileName(zipfilename, false)) return {};
  QString name = zipfilename.isEmpty() ? QStringLiteral("tessara.zip") : zipfilename;
  if (name.endsWith(u'.')) {
    name += QStringLiteral("zip");
  } else if (name.right(4).toLower() != QLatin1String(".zip")) {
    name += QStringLiteral(".zip");
  }
  // A bare extension (given as ".zip", or "." completed to it) would make a
  // nameless hidden file.
  if (name == QLatin1String(".zip")) name = QStringLiteral("Tessara.zip");
  if (ENCF) {
    const bool prefixed = name.startsWith(QLatin1String("Enc."));
    if (!prefixed && encfval) name.prepend(QStringLiteral("Enc."));
    if (prefixed && !encfval) name.remove(0, 4);
  }
  zipfilename = name;
  return name;
}

bool Util::ValidateMailid(const QString& strmailid) {
  const qsizetype at = vb::InStr(strmailid, QStringLiteral("@"));
  if (at == 0) return false;
  if (vb::Mid(strmailid, at + 1, 1) == QLatin1String(".")) return false;
  return vb::InStr(at + 2, strmailid, QStringLiteral(".")) > 0;
}

QString Util::TodayZipFileName() {
  static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  return QLatin1String(kDays[vb::Weekday(vb::Today()) - 1]) + QStringLiteral(".zip");
}

QString Util::DateZipFileName() {
  const QDateTime now = vb::Now();
  const QDate d = now.date();
  return QString::asprintf("%02d%02d%02d%d%d.zip", d.year() % 100, d.month(), d.day(), now.time().hour(),
                           now.time().minute());
}

QString Util::GetInfoFromKey(Integer nInfoType, const QString& sFullText) {
  if (!sFullText.contains(kKeySeparator)) return sFullText;
  return vb::OnErrorGoTo(
      [&] {
        QStringList fields = vb::Split(sFullText, kKeySeparator);
        auto field = [&](qsizetype index) -> QString& {
          if (index >= fields.size()) vb::Raise(vb::errSubscriptOutOfRange);
          return fields[index];
        };
        switch (nInfoType) {
          case 1: return UnescapeKeyField(field(1));
          case 2: return UnescapeKeyField(field(2));
          case 3: return UnescapeKeyField(field(3));
          case 5: return UnescapeKeyField(field(4));
          case 4: {
            QString text = sFullText;
            if (text.endsWith(u'\\')) text.chop(1);
            field(4) = StringEndFolder(text, QStringLiteral("\\"));
            return UnescapeKeyField(field(4));
          }
          default: return QString();
        }
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in GetInfoFromKey ") + err.description);
        return QString();
      });
}

vb::Variant Util::SplitFullText(const QString& sFullText, const QString& sKey, QStringList& sStrArr) {
  vb::OnErrorGoTo([&] { sStrArr = vb::Split(sFullText, sKey); },
                  [](const vb::ErrorInfo& err) {
                    WriteTrace(QStringLiteral("Error in SplitFullText ") + err.description);
                  });
  return {};
}

bool Util::CheckForWriteAccessPermission(const QString& sDestFilePath) {
  return vb::OnErrorGoTo(
      [&] {
        const QString driveName = vb::Left(sDestFilePath, 2);
        if (vb::Trim(driveName).isEmpty()) return false;
        const win::Drive drive = win::GetDrive(driveName);
        if (!drive.IsReady() || drive.DriveType() == win::DriveTypeCDRom) return false;

        // The probe is created only where no entry of its name exists, so
        // the one file deleted below is the one made here.
        QString probe;
        for (int attempt = 0;; ++attempt) {
          probe = win::JoinPath(sDestFilePath, ProbeName());
          try {
            win::CreateTextFile(probe, false, true).Close();
            break;
          } catch (const vb::RuntimeError& e) {
            if (e.Number() != vb::errFileAlreadyExists || attempt >= 15) throw;
          }
        }
        vb::Sleep(10);
        if (win::FileExists(probe)) win::DeleteFile(probe, true);
        vb::Sleep(10);
        return true;
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in CheckForWriteAccessPermission ") + err.description);
        return false;
      });
}

vb::Variant Util::GetRsycListoutput(const QString& sFileInfo, QString& sTmpFileFolderPath, QString& sFileSize,
                                    QString& szLastModified) {
  sTmpFileFolderPath.clear();
  sFileSize.clear();
  szLastModified.clear();
  const QString blank = QStringLiteral(" ");
  const qsizetype first = vb::InStr(sFileInfo, blank);
  if (first == 0) return {};
  // permissions, size, date, time, then the name with any blanks inside it
  QString rest = vb::LTrim(vb::Mid(sFileInfo, first));
  qsizetype at = vb::InStr(rest, blank);
  if (at > 0) {
    sFileSize = vb::Trim(vb::Left(rest, at));
    rest = vb::LTrim(vb::Mid(rest, at));
  }
  szLastModified = vb::Trim(vb::Left(rest, 19));
  at = vb::InStr(rest, blank);
  if (at > 0) rest = vb::LTrim(vb::Mid(rest, at));
  at = vb::InStr(rest, blank);
  if (at > 0) sTmpFileFolderPath = vb::LTrim(vb::Mid(rest, at));
  return {};
}

bool Util::HasWriteAccess(QString& path, Long desiredAccess) {
  if (!IsNtPlatform()) return true;
  const QString host = win::ToHostPath(win::FullPath(path));
  // Security that cannot be read at all (a missing path) answers true, as
  // the size request of the legacy check did.
  if (host.isEmpty() || ::access(QFile::encodeName(host).constData(), F_OK) != 0) return true;
  const quint32 rights = MapGenericFileRights(static_cast<quint32>(desiredAccess));
  int mode = 0;
  if (rights & kFileReadData) mode |= R_OK;
  if (rights & (kFileWriteData | kFileAppendData)) mode |= W_OK;
  if (rights & kFileExecute) mode |= X_OK;
  if (mode == 0) return true;
  return ::access(QFile::encodeName(host).constData(), mode) == 0;
}

bool Util::IsNtPlatform() {
  win::OSVERSIONINFO info;
  return win::GetVersionEx(info) && info.dwPlatformId == win::VER_PLATFORM_WIN32_NT;
}

}  // namespace OrvaneSrv
