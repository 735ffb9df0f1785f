#include "ZQwinSrv/foundation/Transfer.h"

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/SideFiles.h"
#include "platform/clock/Clock.h"
#include "platform/errors/Win32Error.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {
namespace {

// The legacy profile buffer: 256 characters, so 255 come back at most.
constexpr int kProfileBuffer = 256;

const QString kOrvane = QStringLiteral("Orvane");
const QString kDateFormat = QStringLiteral("DateFormat");

// The section of a user key: "DateFormat" for that key in any case, else "Orvane".
QString UserSection(const QString& key) {
  return vb::StrComp(key, kDateFormat, vb::vbTextCompare) == 0 ? kDateFormat : kOrvane;
}

QString UserProfilePath() { return AppFolder() + QStringLiteral("\\orvane.ini"); }
QString DetailsPath() { return AppFolder() + QStringLiteral("\\OrvaneDetails.ini"); }

// A profile read as the legacy code made it: the key through the identity
// Encrypt, a non-empty value through the identity Decrypt.
QString ReadKey(const QString& file, const QString& section, const QString& key) {
  const win::ProfileString read =
      win::GetPrivateProfileString(section, Encrypt(key), QString(), kProfileBuffer, file);
  const QString value = read.value.left(read.length);
  return value.isEmpty() ? value : Decrypt(value);
}

// A profile write; a refused write raises the Win32 code it reported, for
// the caller's trace.
void WriteKey(const QString& file, const QString& section, const QString& key, const QString& value) {
  if (!win::WritePrivateProfileString(section, key, value, file)) {
    const win::DWORD code = win::ProfileLastError();
    vb::Raise(static_cast<long>(code), QStringLiteral("Transfer"), win::SystemErrorText(code));
  }
}

}  // namespace

Transfer& gTransfer() { return Singleton(Engine().gTransfer); }

QString Transfer::Trf_ReadProxyProfile(const QString& param) {
  return vb::OnErrorGoTo(
      [&] {
        if (vb::StrComp(vb::Trim(param), QStringLiteral("ProxyPass"), vb::vbTextCompare) == 0) {
          return ReadProfileFile(QString(), 5);
        }
        return ReadKey(UserProfilePath(), QStringLiteral("Proxy"), param);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Trf_ReadProxyProfile  ") + QString::number(err.number) + err.description);
        return QString();
      });
}

QString Transfer::Trf_ReadDateFormatProfile(const QString& param) {
  return vb::OnErrorGoTo([&] { return ReadKey(UserProfilePath(), kDateFormat, param); },
                         [](const vb::ErrorInfo& err) {
                           WriteTrace(QStringLiteral("Trf_ReadDateFormatProfile") + QString::number(err.number) +
                                      err.description);
                           return QString();
                         });
}

QString Transfer::Trf_ReadUserProfile(QString param, bool bWebSchedule, bool bUserPwd) {
  QString value;
  vb::ResumeNext next;
  if (bUserPwd) {
    // The side file is read whole: a scrambled password may hold NUL or CR,
    // and cutting there would answer a different password.
    next([&] {
      const QString stored = ReadProfileFile(param, 1);
      if (!stored.isEmpty()) value = ::OrvaneSrv::DecryptPwd(stored);
    });
  } else if (bWebSchedule) {
    next([&] {
      value = vb::Trim(ReadKey(AppFolder() + QStringLiteral("\\ScheduleDataWeb.ini"), UserSection(param), vb::Trim(param)));
    });
  } else {
    next([&] { value = ReadKey(UserProfilePath(), UserSection(param), param); });
  }
  if (next.Err().Failed()) WriteTrace(QStringLiteral("Trf_ReadUserProfile = ") + QString::number(next.Err().number));
  return value;
}

void Transfer::Trf_WriteUserProfile(const QString& param, const QString& paramval, bool sUserPwd) {
  vb::OnErrorGoTo(
      [&] {
        if (sUserPwd) {
          WriteProfileFile(param, ::OrvaneSrv::EncryptPwd(paramval), 1);
          return;
        }
        // The profile beside the engine library, which the program installs
        // in its own folder: the same file the readers use.
        const QString file = win::JoinPath(win::JoinPath(win::ProgramFolder(), Engine().gsAppWord),
                                           QStringLiteral("orvane.ini"));
        WriteKey(file, UserSection(param), param, paramval);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in Trf_WriteUserProfile") + QString::number(err.number) + err.description);
      });
}

void Transfer::Trf_WriteZQDetails(const QString& param, const QString& paramval) {
  vb::OnErrorGoTo([&] { WriteKey(DetailsPath(), kOrvane, param, paramval); },
                  [](const vb::ErrorInfo& err) {
                    WriteTrace(QStringLiteral("Error in Trf_WriteZQDetails") + QString::number(err.number) +
                               err.description);
                  });
}

vb::Variant Transfer::Trf_CreateSession(const QString& LogEventType) {
  WriteTrace(QStringLiteral("Enter Trf_CreateSession()"));
  vb::ResumeNext next;
  EngineState& state = Engine();
  // One reading of the clock for the date and the time, so a session opened
  // at midnight is not named after two different days.
  const QDateTime now = vb::Now();
  state.gsSessionFile = LogEventType + QStringLiteral(" ") + vb::Format(now, QStringLiteral("mm-dd-yyyy")) +
                        QStringLiteral("  ") + vb::Format(now, QStringLiteral("HH-MM-SS")) + QStringLiteral(".txt");
  const QString folder = AppFolder() + QStringLiteral("\\Session");
  const QString path = folder + QStringLiteral("\\") + state.gsSessionFile;
  bool exists = false;
  next([&] { exists = win::FileExists(path); });
  if (!exists) {
    next([&] {
      if (!win::FolderExists(folder)) win::CreateFolder(folder);
    });
    next([&] { win::CreateTextFile(path, false, true).Close(); });
    if (state.gsSessionFile.startsWith(QStringLiteral("Schedule"))) {
      next([&] { Trf_WriteZQDetails(QStringLiteral("SessionFile"), path); });
    }
    if (state.gsSessionFile.startsWith(QStringLiteral("Restore"))) {
      next([&] { Trf_WriteZQDetails(QStringLiteral("SessionFileRestore"), path); });
    }
  }
  WriteTrace(QStringLiteral("exit Trf_CreateSession()") + state.gsSessionFile);
  if (next.Err().Failed()) WriteTrace(QStringLiteral("Trf_CreateSession = ") + QString::number(next.Err().number));
  return {};
}

vb::Variant Transfer::Trf_ResetSession() {
  WriteTrace(QStringLiteral("Enter Trf_ResetSession()"));
  Engine().gsSessionFile.clear();
  WriteTrace(QStringLiteral("Exit Trf_ResetSession()"));
  return {};
}

QString Transfer::Trf_ReadProfile(const QString& sFilepath, const QString& sSection, const QString& param) {
  return vb::OnErrorGoTo(
      [&] {
        const win::ProfileString read =
            win::GetPrivateProfileString(sSection, param, QString(), kProfileBuffer, sFilepath);
        // A missing file, section or key (2) and a value cut to the buffer
        // (234) are ordinary answers; anything else is worth a trace.
        const win::DWORD code = win::ProfileLastError();
        if (code != 0 && code != 2 && code != 234) {
          WriteTrace(win::SystemErrorText(code) + QStringLiteral("  ") + QString::number(code));
        }
        return read.value.left(read.length);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(err.description + QStringLiteral("  ") + QString::number(err.number));
        return QString();
      });
}

QString Transfer::DecryptPwd(const QString& strText) { return ::OrvaneSrv::DecryptPwd(strText); }
QString Transfer::EncryptPwd(const QString& strText) { return ::OrvaneSrv::EncryptPwd(strText); }

}  // namespace OrvaneSrv
