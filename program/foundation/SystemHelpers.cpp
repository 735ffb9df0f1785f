#include "program/foundation/SystemHelpers.h"

#include <QWidget>

#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "program/foundation/Options.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"
#include "platform/shell/Shell.h"
#include "platform/system/SystemInfo.h"

namespace OrvaneMac::modGeneral {
namespace {

const QString kModule = QStringLiteral("modGeneral");

int HexDigit(QChar ch) {
  const char16_t c = ch.unicode();
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The version record, or a run-time error.
win::OSVERSIONINFO VersionRecord() {
  win::OSVERSIONINFO info;
  info.dwOSVersionInfoSize = 276;
  win::GetVersionEx(info);
  return info;
}

}  // namespace

QString StripNull(const QString& text, Integer /*flag*/) { return OrvaneSrv::StripNull(text, false); }

void ShowHelpFile(const QWidget* window, const QString& topic) {
  vb::OnErrorGoTo(
      [&] {
        WriteTrace(QStringLiteral("Enter ShowHelpFile") + (window ? window->objectName() : QString()) + topic);
        (void)win::ShowHelpTopic(topic);
        WriteTrace(QStringLiteral("Exit ShowHelpFile"));
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Could not exit normally from ShowHelpFile. Reason: ") + err.description);
      });
}

QString GetProperSizeValue(double bytes) { return OrvaneSrv::GetProperSizeValue(bytes, false); }

Long getVersion() {
  return vb::OnErrorGoTo([] { return static_cast<Long>(VersionRecord().dwPlatformId); },
                         [](const vb::ErrorInfo& err) {
                           TraceError(err, QStringLiteral("getVersion"), vb::OwnerKind::Module, kModule);
                           return Long{0};
                         });
}

bool IsXP() {
  return vb::OnErrorGoTo(
      [] {
        const win::OSVERSIONINFO info = VersionRecord();
        return info.dwMajorVersion == 5 && info.dwMinorVersion == 1;
      },
      [](const vb::ErrorInfo& err) {
        TraceError(err, QStringLiteral("IsXP"), vb::OwnerKind::Module, kModule);
        return false;
      });
}

QString GetRemotePath(const QString& path, Integer raw) {
  return vb::OnErrorGoTo(
      [&] {
        const QString inside = OrvaneSrv::GetRemotePath(path);
        if (raw != 0 || Program().SearchDeleteMode) return inside;
        return DecodeServerPath(inside);
      },
      [](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("GetRemotePath  ") + QString::number(err.number) + err.description);
        return QString();
      });
}

bool IsExeRunning(const QString& name, Integer kill, Long osHint) {
  return OrvaneSrv::IsExeRunning(name, kill != 0, osHint);
}

QString DecodeServerPath(const QString& path) {
  constexpr qsizetype kMaxBytes = 1024;
  constexpr qsizetype kMaxChars = 500;
  QByteArray bytes;
  for (qsizetype i = 0; i < path.size() && bytes.size() < kMaxBytes; ++i) {
    const QChar ch = path.at(i);
    if (ch == u'%' && i + 2 < path.size()) {
      // "%" and the two characters after it are one byte; a pair that is
      // no hexadecimal number leaves a zero byte, which ends the text.
      const int high = HexDigit(path.at(i + 1));
      const int low = HexDigit(path.at(i + 2));
      bytes.append(high >= 0 && low >= 0 ? static_cast<char>(high * 16 + low) : '\0');
      i += 2;
      continue;
    }
    const int code = win::AnsiCode(ch);
    bytes.append(code < 0 ? '\0' : static_cast<char>(code));
  }
  const qsizetype zero = bytes.indexOf('\0');
  if (zero >= 0) bytes.truncate(zero);
  return OrvaneSrv::StripNull(win::FromUtf8(bytes)).left(kMaxChars);
}

}  // namespace OrvaneMac::modGeneral
