#include "program/session/Transfer.h"

#include <memory>

#include "ZQwinSrv/foundation/SideFiles.h"
#include "program/foundation/Options.h"
#include "program/foundation/SettingsStores.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

constexpr int kProfileBuffer = 256;
const QString kOrvane = QStringLiteral("Orvane");
const QString kDateFormat = QStringLiteral("DateFormat");
const QString kProxy = QStringLiteral("Proxy");

QString UserSection(const QString& param) {
  return vb::StrComp(param, kDateFormat, vb::vbTextCompare) == 0 ? kDateFormat : kOrvane;
}

QString ReadKey(const QString& file, const QString& section, const QString& key) {
  const win::ProfileString read = win::GetPrivateProfileString(section, key, QString(), kProfileBuffer, file);
  return read.value.left(read.length);
}

void WriteKey(const QString& file, const QString& section, const QString& key, const QString& value) {
  (void)win::WritePrivateProfileString(section, key, value, file);
}

QString NumberAndDescription(const vb::ErrorInfo& err) {
  return QString::number(err.number) + QStringLiteral("  ") + err.description;
}

}  // namespace

QString UserProfilePath() { return AppFolder() + QStringLiteral("\\orvane.ini"); }
QString DetailsFilePath() { return AppFolder() + QStringLiteral("\\OrvaneDetails.ini"); }

Transfer& gTransfer() {
  static std::unique_ptr<Transfer> transfer;
  if (!transfer) transfer = std::make_unique<Transfer>();
  return *transfer;
}

void Transfer::Trf_WriteUserProfile(const QString& param, const QString& paramval, bool sUserPwd) {
  vb::OnErrorGoTo(
      [&] {
        if (sUserPwd) {
          modGeneral::SavePasswordFile(param, paramval, 1);
          return;
        }
        WriteKey(UserProfilePath(), UserSection(param), param, paramval);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in Trf_WriteUserProfile ") + NumberAndDescription(err));
      });
}

void Transfer::Trf_WriteZQDetails(const QString& param, const QString& paramval) {
  vb::OnErrorGoTo([&] { WriteKey(DetailsFilePath(), kOrvane, param, paramval); },
                  [](const vb::ErrorInfo& err) {
                    WriteTrace(QStringLiteral("Error in Trf_WriteZQDetails ") + NumberAndDescription(err));
                  });
}

QString Transfer::Trf_ReadUserProfile(const QString& param, bool bUserPwd) {
  return vb::OnErrorGoTo(
      [&] {
        if (bUserPwd) return modGeneral::ReadPasswordFile(param, 1);
        return ReadKey(UserProfilePath(), UserSection(param), param);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(NumberAndDescription(err));
        return QString();
      });
}

void Transfer::Trf_WriteProxyProfile(const QString& param, const QString& paramval) {
  vb::OnErrorGoTo(
      [&] {
        WriteKey(UserProfilePath(), kProxy, modGeneral::EncodeProfileText(param),
                 modGeneral::EncodeProfileText(paramval));
      },
      [](const vb::ErrorInfo& err) { WriteTrace(NumberAndDescription(err)); });
}

QString Transfer::Trf_ReadProxyProfile(const QString& param) {
  return vb::OnErrorGoTo(
      [&] {
        const QString value = ReadKey(UserProfilePath(), kProxy, modGeneral::EncodeProfileText(param));
        return value.isEmpty() ? QString() : modGeneral::DecodeProfileText(value);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(NumberAndDescription(err));
        return QString();
      });
}

vb::Variant Transfer::Trf_CreateSession(const QString& LogEventType) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter Trf_CreateSession()"));
        // One reading of the clock, so a log opened at midnight is not
        // named after two different days.
        const QDateTime now = vb::Now();
        auto& state = Program();
        state.SessionLogFile = LogEventType + QStringLiteral(" ") + vb::Format(now, QStringLiteral("mm-dd-yyyy")) +
                               QStringLiteral("  ") + vb::Format(now, QStringLiteral("hh-nn-ss")) +
                               QStringLiteral(".txt");
        const QString folder = AppFolder() + QStringLiteral("\\Session");
        const QString path = folder + u'\\' + state.SessionLogFile;
        if (!win::FileExists(path)) {
          if (!win::FolderExists(folder)) win::CreateFolder(folder);
          win::CreateTextFile(path, true, false).Close();
        }
        WriteTrace(QStringLiteral("exit Trf_CreateSession()") + state.SessionLogFile);
      },
      [](const vb::ErrorInfo& err) { TraceError(err, QStringLiteral("Trf_CreateSession"), vb::OwnerKind::ClassModule,
                                                QStringLiteral("Transfer")); });
  return {};
}

vb::Variant Transfer::Trf_ResetSession() {
  vb::OnErrorGoTo(
      [] {
        WriteTrace(QStringLiteral("Enter Trf_ResetSession()"));
        Program().SessionLogFile.clear();
        WriteTrace(QStringLiteral("Exit Trf_ResetSession()"));
      },
      [](const vb::ErrorInfo& err) {
        TraceError(err, QStringLiteral("Trf_ResetSession"), vb::OwnerKind::ClassModule, QStringLiteral("Transfer"));
      });
  return {};
}

QString Transfer::Trf_ReadProfile(const QString& sFilepath, const QString& sSection, const QString& param) {
  return vb::OnErrorGoTo([&] { return ReadKey(sFilepath, sSection, param); },
                         [](const vb::ErrorInfo& err) {
                           WriteTrace(NumberAndDescription(err));
                           return QString();
                         });
}

QString Transfer::DecryptPwd(const QString& strText) { return OrvaneSrv::DecryptPwd(strText); }
QString Transfer::EncryptPwd(const QString& strText) { return OrvaneSrv::EncryptPwd(strText); }

}  // namespace OrvaneMac

namespace OrvaneMac::modGeneral {

QString EncodeProfileText(const QString& text) { return text; }
QString DecodeProfileText(const QString& text) { return text; }

}  // namespace OrvaneMac::modGeneral
