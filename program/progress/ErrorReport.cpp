#include "program/progress/ErrorReport.h"

#include "ZQwinSrv/server/WebDavControl.h"
#include "program/foundation/Options.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/SystemHelpers.h"
#include "program/foundation/modReg.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/registry/RegistryTypes.h"
#include "platform/system/LocaleInfo.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

#include <QSysInfo>

namespace OrvaneMac {
namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr qint64 kTailCapBytes = 20000;

const OrvaneSrv::WebDavControl& SharedWebDavControl() {
  static const OrvaneSrv::WebDavControl control;
  return control;
}

QString ScratchPath() { return AppFolder() + QStringLiteral("\\TmpLogAttach.txt"); }

QString RegistryText(const QString& key, const QString& value) {
  return modReg::ReadRegistryValue(win::HKEY_LOCAL_MACHINE, key, value).ToString();
}

}  // namespace

QString EncodeReportText(const QString& text) { return SharedWebDavControl().URLEncodeWebd(text); }

QString ReportMessageText(const QString& message) {
  if (vb::Trim(message).isEmpty()) return {};
  const QStringList lines = message.split(kCrLf);
  if (lines.size() == 1) return EncodeReportText(lines.front());
  QString text;
  for (const QString& line : lines) text += EncodeReportText(line) + QLatin1Char('\n');
  return text;
}

QString SystemReport(const SystemReportInput& input) {
  QString report;
  vb::OnErrorGoTo(
      [&] {
        const QString browser = RegistryText(QStringLiteral("SOFTWARE\\Microsoft\\Internet Explorer\\"),
                                             QStringLiteral("Version"));
        QString product;
        if (modGeneral::getVersion() == 1) {
          product = RegistryText(QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"),
                                 QStringLiteral("ProductName"));
        } else {
          product = RegistryText(QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"),
                                 QStringLiteral("ProductName"));
        }
        // The system's own version number says nothing here: the report
        // gives the kernel release the host runs.
        const QString version = QSysInfo::kernelVersion();
        const ProgramState& p = Program();
        report = QStringLiteral("<<< USER FEEDBACK FROM ORVANE FOR MAC - WINDOWS RESTORE version >>>") +
                 QStringLiteral("1.0.0") + kCrLf;
        report += QStringLiteral("User's Operating System:  ") + product + kCrLf;
        report += QStringLiteral("OS Version: ") + version + kCrLf;
        report += QStringLiteral("User's Browser: Internet Explorer version  ") + browser + kCrLf;
        report += QStringLiteral("Does the user connect through a proxy server? ") +
                  QStringLiteral("Direct (No Proxy Server)") + kCrLf;
        report += QStringLiteral("Orvane Username: ") + EncodeReportText(p.TypedLoginName) + kCrLf;
        report += QStringLiteral("User's Quota: ") + p.QuotaTotalText + kCrLf;
        report += QStringLiteral("User's Used Space: ") + p.QuotaUsedText + kCrLf;
        report += QStringLiteral("User's e-mail address: ") + EncodeReportText(input.emailAddress) + kCrLf;
        report += QStringLiteral("User's Contact Phone Number:") + EncodeReportText(input.contactNumber) + kCrLf;
        report += QStringLiteral("User 's technical issues/comments/suggestions:") + kCrLf + kCrLf;
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral(" Unable to get the setting IE for Tessara Log file, Reason: ") + err.description);
      });
  return report;
}

namespace modGeneral {

QString BuildErrorReportLogs(QString& report) {
  vb::ResumeNext next;
  struct Log {
    const char* file;
    const char* banner;
  };
  const Log logs[] = {{"OrvaneLogFile.txt", "----------OrvaneLogFile----------------"},
                      {"TraceFile.txt", "----------OrvaneTraceFile--------------"}};
  for (const Log& log : logs) {
    next([&] {
      const QString name = QString::fromLatin1(log.file);
      if (!win::FileExists(AppFolder() + QLatin1Char('\\') + name)) return;
      report += kCrLf + kCrLf + QString::fromLatin1(log.banner);
      report += kCrLf + CollectLogAttachment(name, false, false);
    });
  }
  next([&] {
    report += kCrLf + QStringLiteral("System language details: ") + kCrLf;
    report += kCrLf + QStringLiteral("Standards and format details:");
  });
  next([&] {
    const QString block = GetSystemLanguageDetails(QStringLiteral("Regional"));
    if (!vb::Trim(block).isEmpty()) report += kCrLf + vb::Trim(block);
  });
  next([&] { report += kCrLf + kCrLf + QStringLiteral("Language for non-Unicode programs:"); });
  next([&] {
    const QString block = GetSystemLanguageDetails(QStringLiteral("CodePage"));
    if (!StripNull(block).isEmpty()) report += kCrLf + block;
  });
  return report;
}

QString CollectLogAttachment(const QString& fileName, bool /*legacyFolder*/, bool /*eightBit*/) {
  const QString path = AppFolder() + QLatin1Char('\\') + fileName;
  if (!win::FileExists(path)) return {};
  const QString scratch = ScratchPath();
  QString tail;
  vb::ResumeNext next;
  next([&] {
    if (!win::FileExists(scratch)) win::CreateTextFile(scratch, true, true).Close();
  });
  QStringList pieces;
  next([&] {
    if (win::FileLen(path) == 0) return;
    win::TextStream stream = win::OpenTextFile(path, win::ForReading, false, win::TristateTrue);
    const QString text = stream.ReadAll();
    stream.Close();
    pieces = text.split(kCrLf);
  });
  if (pieces.size() >= 2) {
    for (qsizetype index = pieces.size() - 1; index >= 0; --index) {
      bool reachedCap = false;
      next([&] {
        vb::DoEvents();
        vb::DoEvents();
        const QString piece = pieces.at(index);
        const QString cut = StripNull(piece);
        if (vb::Trim(cut).isEmpty()) return;
        tail = EncodeReportText(piece) + QLatin1Char('\n') + tail;
        WriteTmpLogAttach(cut, scratch, false);
        if (win::FileLen(scratch) >= kTailCapBytes) reachedCap = true;
      });
      if (reachedCap) break;
      if (index % 50 == 0) vb::Sleep(1);
    }
  }
  next([&] {
    if (win::FileExists(scratch)) win::DeleteFile(scratch, true);
  });
  return tail;
}

void WriteTmpLogAttach(const QString& text, const QString& path, bool /*eightBit*/) {
  vb::ResumeNext next;
  next([&] {
    if (!win::FileExists(path)) win::CreateTextFile(path, true, true).Close();
    win::TextStream stream = win::OpenTextFile(path, win::ForAppending, false, win::TristateTrue);
    stream.Write(text);
    stream.Close();
  });
}

QString GetSystemLanguageDetails(const QString& section) {
  const bool system = section.compare(QStringLiteral("CodePage"), Qt::CaseInsensitive) == 0;
  const std::uint32_t lcid = system ? win::GetSystemDefaultLangID() : win::GetUserDefaultLCID();
  auto item = [lcid](std::uint32_t type) {
    QString value;
    vb::ResumeNext next;
    next([&] {
      QString data;
      const int needed = win::GetLocaleInfo(lcid, type, data, 0);
      if (needed <= 0) return;
      if (win::GetLocaleInfo(lcid, type, data, needed) <= 0) return;
      const qsizetype nul = data.indexOf(QChar(0));
      value = nul < 0 ? data : data.left(nul);
    });
    return value;
  };
  return QStringLiteral("Locale ID: ") + item(win::LOCALE_ILANGUAGE) + kCrLf + QStringLiteral("Country: ") +
         item(win::LOCALE_SCOUNTRY) + QStringLiteral("  (") + item(win::LOCALE_SABBREVCTRYNAME) + QStringLiteral(")") +
         kCrLf + QStringLiteral("Language: ") + item(win::LOCALE_SLANGUAGE) + kCrLf + QStringLiteral("Decimal: ") +
         item(win::LOCALE_SDECIMAL) + kCrLf + QStringLiteral("Thousands: ") + item(win::LOCALE_STHOUSAND) + kCrLf +
         QStringLiteral("Time Format: ") + item(win::LOCALE_STIMEFORMAT) + kCrLf + QStringLiteral("Short Date: ") +
         item(win::LOCALE_SSHORTDATE);
}

}  // namespace modGeneral
}  // namespace OrvaneMac
