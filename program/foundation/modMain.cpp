#include "program/foundation/modMain.h"

#include <QAction>

#include <cstdio>
#include <cstdlib>

#include "ZQwinSrv/facade/ClassRegistration.h"
#include "program/foundation/Options.h"
#include "program/foundation/Scheduler.h"
#include "program/foundation/SettingsStores.h"
#include "program/main/Smart.h"
#include "program/main/MainWindowServices.h"
#include "program/main/frmreswizscr3.h"
#include "program/progress/PreStatus.h"
#include "program/progress/clsMonitor.h"
#include "program/session/Login.h"
#include "program/session/Transfer.h"
#include "program/windows/MesgBox.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/objects/ClassRegistry.h"
#include "platform/paths/WinPath.h"
#include "platform/process/NamedMutex.h"
#include "platform/system/LocaleInfo.h"
#include "platform/text/Conversion.h"
#include "platform/ui/MessageBoxService.h"
#include "platform/ui/widgets/WidgetsUi.h"

namespace OrvaneMac::modGeneral {
namespace {

constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorAccessDenied = 5;

std::function<void()>& EndHandler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

void EndProgram() {
  if (EndHandler()) {
    EndHandler()();
    return;
  }
  std::fflush(nullptr);
  std::_Exit(0);
}

void SetEndProgramHandler(std::function<void()> handler) { EndHandler() = std::move(handler); }

bool IsPrevInstanceMode() { return Program().PrevInstanceMode; }

bool PrevInstance() {
  const auto& held = Program().SingleInstanceMutex;
  if (held && held->Owned()) return false;
  const win::NamedMutex::Created probe = win::NamedMutex::Create(kSingleInstanceName);
  return probe.lastError == kErrorAlreadyExists || probe.lastError == kErrorAccessDenied;
}

bool IsFirstInstance(const QString& name) {
  return vb::OnErrorGoTo(
      [&] {
        if (IsPrevInstanceMode()) return !PrevInstance();
        win::NamedMutex::Created created = win::NamedMutex::Create(name);
        Program().SingleInstanceMutex = std::shared_ptr<win::NamedMutex>(std::move(created.handle));
        if (created.lastError == kErrorAlreadyExists || created.lastError == kErrorAccessDenied) {
          Program().SingleInstanceMutex.reset();
          return false;
        }
        return true;
      },
      [&](const vb::ErrorInfo& err) {
        WriteTrace(QStringLiteral("Error in creating mutex for ") + name + QStringLiteral(" ") +
                   QString::number(err.number));
        return false;
      });
}

void RegisterProgramClasses() {
  OrvaneSrv::RegisterEngineClasses();
  static win::ClassRegistration monitor = [] {
    win::ClassInfo info;
    info.clsid = QStringLiteral("{2532C4B5-1734-4133-BAB2-B923A65AA016}");
    info.progId = QStringLiteral("OrvaneforMAC.clsMonitor");
    info.factory = [] { return std::make_shared<clsMonitor>(); };
    info.server = win::ServerKind::LocalServer;
    info.modulePath = win::JoinPath(win::ProgramFolder(), QStringLiteral("OrvaneMacRestore_100.exe"));
    return win::RegisterClassObject(std::move(info));
  }();
  (void)monitor;
  // The engine's folder-delete call-back reaches the delete window.
  SetDeleteProgressRoute([](const QString& item) { return DeleteWindowUpdateProgress(item); });
  // The wait box shows the text and answers its cancel request.
  SetRefreshProgressRoute([](const QString& item) { return PreStatus::Instance().UpdateProcess(item); });
}

bool Main() {
  vb::ResumeNext next;
  next([] { Program().AppWord = QStringLiteral("OrvaneMac"); });
  if (!IsFirstInstance(kSingleInstanceName)) return false;
  // The message boxes of both deliverables show in the program's own box,
  // and the engine can create its classes and the program's call-back.
  next([] { win::InstallWidgetsUi(); });
  next([] { MesgBox::InstallAsMessageBoxService(); });
  next([] { RegisterProgramClasses(); });
  next([] { ToolTip::SetProductStrings(); });
  next([] { Login::Instance().Load(); });
  next([] { Login::Instance().Show(); });
  return true;
}

void InitApplication() {
  if (PrevInstance()) {
    WriteTrace(QStringLiteral("An instance of this application is already running."));
    EndProgram();
    return;
  }
  auto& state = Program();
  vb::OnErrorGoTo(
      [&] {
        state.ShortDatePattern = gScheduler().GetLocaleString(static_cast<Long>(win::LOCALE_SSHORTDATE));
        if (!state.ShortDatePattern.isEmpty()) {
          gTransfer().Trf_WriteUserProfile(QStringLiteral("DateFormat"), state.ShortDatePattern, false);
        }

        if (ReadProfileFile(state.AccountName, 3).isEmpty()) {
          WriteProfileFile(state.AccountName, win::ProgramFolder() + QStringLiteral("\\ORVANETEMP"), 3);
        }

        if (!win::FolderExists(state.AppWord)) win::CreateFolder(state.AppWord);

        Integer n = 0;
        const QString stored = gTransfer().Trf_ReadUserProfile(QStringLiteral("Session"), false);
        if (!stored.isEmpty()) n = vb::CInt(stored);
        if (n == 3) {
          const QString traceFile =
              win::ProgramFolder() + u'\\' + state.AppWord + QStringLiteral("\\Tracefile.txt");
          if (win::FileExists(traceFile)) win::DeleteFile(traceFile);
          gTransfer().Trf_WriteUserProfile(QStringLiteral("Session"), QStringLiteral("1"), false);
        } else {
          if (n == 32767) vb::Raise(vb::errOverflow);
          gTransfer().Trf_WriteUserProfile(QStringLiteral("Session"), QString::number(n + 1), false);
        }
      },
      [&](const vb::ErrorInfo& err) {
        (void)win::MessageBox(QStringLiteral("Error loading ") + state.AppTitle + QStringLiteral("\r\nReason: ") +
                                  err.description + QStringLiteral("  ") + QString::number(err.number),
                              win::MB_ICON_INFORMATION, win::MB_STYLE_OK, state.AppTitle);
      });
}

}  // namespace OrvaneMac::modGeneral

namespace OrvaneMac::ToolTip {

void SetProductStrings() {
  vb::ResumeNext next;
  next([] { Program().AppProduct = QStringLiteral("Orvane for Mac"); });
  next([] { Program().AppTitle = QStringLiteral("Orvane for Mac - Windows Restore"); });
  next([] { Smart::Instance().mnuAboutTessara()->setText(QStringLiteral("About Orvane for Mac ...")); });
}

}  // namespace OrvaneMac::ToolTip
