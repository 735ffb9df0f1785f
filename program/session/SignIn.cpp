#include "program/session/SignIn.h"

#include <QFile>

#include <utility>

#include "ZQwinSrv/server/HttpFunctions.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessageBoxService.h"
#include "program/browse/MainWindowControls.h"
#include "program/browse/RemoteListingSource.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/MessageTable.h"
#include "program/foundation/Options.h"
#include "program/foundation/modMain.h"
#include "program/main/MainWindowServices.h"
#include "program/session/SignInLookups.h"
#include "program/session/Transfer.h"
#include "program/session/clsController.h"

namespace OrvaneMac::modGeneral {
namespace {

const QString kAccountTypeScript = QStringLiteral("/cgi-bin/orvanee_get_tessara_and_orvane?");
const QString kEmailScript = QStringLiteral("/cgi-bin/get_email_user?");
const QString kWrongCredentials = QStringLiteral("Your username or password is incorrect.");
const QString kFirewallSentence = QStringLiteral(
    "Login may also fail if firewall settings do not allow necessary privileges for the application to run. If you "
    "are behind a proxy server, make sure to set the proxy server settings under 'Settings'.");
const QString kRevocationLine = QStringLiteral(
    "Unable to connect to Orvane. Reason : Security certificate revocation failed : 12057. Uncheck the option 'Check "
    "for server certificate revocation (requires restart)' present on your internet explorer menu item "
    "Tools->Internet Options...->Advanced->'Check for server certificate revocation (requires restart)' and try "
    "connecting again.");

QString (*gTypedNameSource)() = nullptr;
QString (*gTypedPasswordSource)() = nullptr;

void Show(const QString& text, long icon) { (void)win::MessageBox(text, icon, win::MB_STYLE_OK, Program().AppTitle); }
QString Msg(Long id) { return modReg::GetMessageText(id); }

void Pump(int times) {
  for (int i = 0; i < times; ++i) vb::DoEvents();
}

QString TypedName(const QString& fallback) {
  const QString typed = gTypedNameSource ? vb::Trim(gTypedNameSource()) : QString();
  return typed.isEmpty() ? vb::Trim(fallback) : typed;
}

// The password box as typed, trimmed. An account of the older product signs
// in with the password the service gave for it, but the typed name's
// password file keeps what the user typed: the next start fills the box
// from it.
QString TypedPassword(const QString& fallback) {
  const QString typed = gTypedPasswordSource ? vb::Trim(gTypedPasswordSource()) : QString();
  return typed.isEmpty() ? vb::Trim(fallback) : typed;
}

void ClearRemoteTree() {
  if (UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView) tree->ClearNodes();
}

bool ListRemoteRoot() {
  ClearRemoteTree();
  UseControllerListing();
  UniTreeViewMC* tree = MainWindow().ColumnRemoteTreeView;
  // No main window to list into: the root is not listed.
  if (!tree) {
    Program().RemoteTreeConnected = false;
    return false;
  }
  const bool listed = TreeViewControl::Instance().PopulateRemoteTreeView(QStringLiteral("Smart"), tree, true, true,
                                                                         false);
  return listed && Program().RemoteTreeConnected;
}

// The alternate sign-in after a failed pass. It goes over plain HTTP, so
// it is tried only when the user turned SSL off; with SSL on the pass ends
// as a refused alternate sign-in does.
bool AlternateSignIn(const QString& accountName, const QString& password, Integer sslFlag) {
  WriteTrace(QStringLiteral("Trying to connect to Orvane using alternate method."));
  bool signedIn = false;
  if (sslFlag == 0) signedIn = clsController::Instance().Cont_login(accountName, password, true);
  if (signedIn) return true;
  if (sslFlag != 0) WriteTrace(QStringLiteral("The alternate method uses plain HTTP; it is not tried while SSL is on."));
  const QString reason = dav_geterrorstring();
  Show(reason.isEmpty() ? Msg(509) : Msg(508) + reason, win::MB_ICON_WARNING);
  return false;
}

void ShowAccountStatus(const QString& accountName, const QString& password, const QString& typedName) {
  switch (CheckAccountStatus(accountName, password)) {
    case 1:
      Show(Msg(513) + typedName + Msg(514), win::MB_ICON_WARNING);
      break;
    case 2:
      Show(Msg(515) + typedName + Msg(516), win::MB_ICON_WARNING);
      break;
    case 3:
      if (clsController::Instance().Cont_GetMessageLogin()) {
        Show(Msg(512), win::MB_ICON_WARNING);
      } else {
        const QString reason = dav_geterrorstring();
        Show((reason.isEmpty() ? Msg(510) : Msg(511)) + reason + QStringLiteral("\r\n\r\n") + kFirewallSentence,
             win::MB_ICON_WARNING);
      }
      break;
    case 4:
      Show(Msg(569), win::MB_ICON_WARNING);
      break;
    case 5:
      Show(Msg(568), win::MB_ICON_WARNING);
      break;
    default:
      break;
  }
}

void EnableMainWindowItems() {
  MainWindowControls& m = MainWindow();
  if (m.popmnuViewremdirinfo) m.popmnuViewremdirinfo->setEnabled(true);
  if (m.mnuViewremdirinfo) m.mnuViewremdirinfo->setEnabled(true);
  if (m.Trf_ImgRestore) m.Trf_ImgRestore->setEnabled(true);
}

QString PasswordFilePath(const QString& name) {
  const QString n = vb::Trim(name);
  return win::JoinPath(win::JoinPath(AppFolder(), n), n + QStringLiteral(".txt"));
}

// Records the open session (every step goes on past a failure).
void RecordSession(const QString& accountName, const QString& password, Integer rememberFlag) {
  ProgramState& p = Program();
  Transfer& t = gTransfer();
  const QString typed = TypedName(accountName);
  vb::ResumeNext next;
  next([] { EnableMainWindowItems(); });
  next([&] { t.Trf_EnableRemoteComponent(); });
  next([&] { t.Trf_EnableComponent(); });
  next([&] { t.Trf_WriteUserProfile(QStringLiteral("EmailUserName"), typed, false); });
  next([&] { t.Trf_WriteUserProfile(QStringLiteral("UserName"), accountName, false); });
  next([&] { t.Trf_WriteUserProfile(vb::Trim(accountName), vb::Trim(password), true); });
  next([&] { t.Trf_WriteUserProfile(QStringLiteral("UserName_View"), typed, false); });
  next([&] { t.Trf_WriteUserProfile(typed, TypedPassword(password), true); });
  next([&] { RestrictToOwner(PasswordFilePath(accountName)); });
  next([&] { RestrictToOwner(PasswordFilePath(typed)); });
  p.AccountName = accountName;
  p.AccountPassword = password;
  p.TypedLoginName = typed;
  if (!typed.contains(u'@')) p.ShownAccountName = typed;
  next([&] { t.Trf_UpdateTessaraDiskInfo(); });
  next([&] {
    if (!win::FolderExists(AppFolder())) win::CreateFolder(AppFolder());
    const QString userFolder = win::JoinPath(AppFolder(), vb::Trim(accountName));
    if (!win::FolderExists(userFolder)) win::CreateFolder(userFolder);
  });
  p.BackupSetListFile = p.AppWord + u'\\' + vb::Trim(accountName) + QStringLiteral("\\BacksetData.txt");
  next([&] { t.Trf_WriteUserProfile(QStringLiteral("StatusKey"), QString::number(rememberFlag), false); });
  next([&] { WriteTransferLog(typed + QStringLiteral(" has logged in"), 0); });
  // The tray icon first: adding it loads the main window, whose menu items
  // then show the open session.
  if (p.LoginCount == 0) next([] { AddMainWindowToTray(); });
  next([] {
    MainWindowControls& m = MainWindow();
    if (m.mnuDisconnect) m.mnuDisconnect->setEnabled(true);
    if (m.mnuConnect) m.mnuConnect->setEnabled(false);
  });
  ++p.LoginCount;
}

}  // namespace

TypedSource SetTypedNameSource(TypedSource source) { return std::exchange(gTypedNameSource, source); }

TypedSource SetTypedPasswordSource(TypedSource source) { return std::exchange(gTypedPasswordSource, source); }

void RestrictToOwner(const QString& path) {
  vb::ResumeNext next;
  next([&] {
    const QString host = win::ToHostPath(path);
    if (QFile::exists(host)) QFile::setPermissions(host, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  });
}

void ForgetUnrememberedPasswords() {
  vb::ResumeNext next;
  next([] {
    ProgramState& p = Program();
    if (gTransfer().Trf_ReadUserProfile(QStringLiteral("StatusKey"), false) == u"1") return;
    for (const QString& name : {p.AccountName, p.TypedLoginName}) {
      if (vb::Trim(name).isEmpty()) continue;
      const QString path = PasswordFilePath(name);
      if (win::FileExists(path)) win::DeleteFile(path, true);
    }
  });
}

bool StartLogin(const QString& userName, const QString& password, Integer sslBox, Integer rememberBox) {
  ProgramState& p = Program();
  const SignInHosts hosts = CurrentSignInHosts();
  QString user = userName;
  QString pass = password;
  QString reply;
  QString accountName;
  vb::ResumeNext next;
  next([&] { user = WithoutLineBreaks(user); });

  // What kind of account: both values encoded, as every other form.
  const auto askAccountType = [&] {
    return PostLookup(SharedHttpFunctions(), hosts.webHost, kAccountTypeScript,
                      QStringLiteral("user=") + URLEncode(user, 0) + QStringLiteral("&pass=") +
                          URLEncode(pass, 0));
  };
  next([&] { reply = askAccountType(); });
  if (reply.isEmpty()) next([&] { reply = askAccountType(); });
  if (reply.isEmpty()) {
    Show(QStringLiteral("Unable to connect to server. Username/Email address or Password is incorrect. \r\n\r\n"
                        "Login may also fail if the application has not been granted the necessary firewall "
                        "privileges. If you are behind a proxy server,\r\nmake sure to set the proxy server settings "
                        "under 'Settings'."),
         win::MB_ICON_WARNING);
    return false;
  }
  const QString kind = vb::Trim(WithoutLineBreaks(reply));
  if (kind.compare(QStringLiteral("windows_user"), Qt::CaseInsensitive) == 0) {
    Show(QStringLiteral("This is an Orvane for Windows account. It cannot be used with the Orvane for Mac - Windos "
                        "Restore application, as Windows and Mac accounts are not inter-operable. You will need to "
                        "Sign up for a Mac specific account."),
         win::MB_ICON_WARNING);
    return false;
  }
  if (kind.toLower().contains(QStringLiteral("tessara"))) {
    // An account of the older product: its own name, password and quota.
    const QStringList fields = kind.split(u':');
    if (fields.size() > 1) user = fields.at(1);
    if (fields.size() > 2) pass = fields.at(2);
    if (fields.size() > 3) {
      p.AccountQuotaMB = fields.at(3);
      next([&] {
        bool ok = false;
        const double bytes = fields.at(3).trimmed().toDouble(&ok);
        if (ok) p.AccountQuotaMB = vb::CStr(bytes / 1048576.0);
      });
    }
  }

  next([] { ToolTip::SetProductStrings(); });
  next([] { WriteTransferLog(QStringLiteral("Program version being used: ") + QStringLiteral("1.0.0"), 4); });
  next([] { (void)win::ChDrive(win::ProgramFolder().left(1)); });
  next([] { (void)win::ChDir(win::ProgramFolder()); });
  next([] { InitApplication(); });

  const QString trimmedUser = vb::Trim(user);
  if (trimmedUser.contains(u'@')) {
    if (!IsValidEmail(trimmedUser.toLower())) {
      Show(Msg(500), win::MB_ICON_INFORMATION);
      return false;
    }
    QString found;
    next([&] {
      found = PostLookup(SharedHttpFunctions(), hosts.webHost, kEmailScript,
                         QStringLiteral("email=") + URLEncode(trimmedUser.toLower(), 0));
    });
    if (vb::Trim(found).isEmpty()) {
      Show(Msg(498) + trimmedUser + Msg(526), win::MB_ICON_INFORMATION);
      return false;
    }
    if (vb::Trim(found).toLower().contains(QStringLiteral("too many rows"))) {
      Show(Msg(499), win::MB_ICON_ERROR);
      return false;
    }
    accountName = WithoutLineBreaks(found);
  } else {
    accountName = trimmedUser;
  }
  Pump(2);
  return LoginToServer(accountName, pass, sslBox, rememberBox);
}

bool LoginToServer(const QString& accountName, const QString& password, Integer sslFlag, Integer rememberFlag) {
  ProgramState& p = Program();
  const bool opened = vb::OnErrorGoTo(
      [&] {
        p.RemoteTreeConnected = true;
        if (vb::Trim(accountName).isEmpty()) return false;
        gTransfer().Trf_WriteUserProfile(QStringLiteral("SSLKey"), QString::number(sslFlag), false);
        p.RemoteRootKey = QStringLiteral("/users/") + accountName + QStringLiteral("/Files/");
        Pump(3);

        clsController& client = clsController::Instance();
        // A reason left by an earlier attempt is never shown for this one.
        p.LastEngineError.clear();
        if (!client.Cont_login(accountName, password, false)) {
          const QString reason = dav_geterrorstring();
          Show(reason.isEmpty() ? Msg(507) : Msg(506) + reason, win::MB_ICON_WARNING);
          return false;
        }

        p.RemoteTreeConnected = true;
        const QString proxyName = gTransfer().Trf_ReadProxyProfile(QStringLiteral("ProxyName"));
        Integer limit = 5;
        Integer pass = 0;
        bool listed = false;
        for (;;) {
          ++pass;
          WriteTrace(QStringLiteral("Trying login for the ") + QString::number(pass) + QStringLiteral(" time"));
          p.LastEngineError.clear();
          listed = ListRemoteRoot();
          if (!listed && pass == 1) LookUpUserServers(vb::Trim(accountName));
          if (!listed && (dav_geterrorstring().contains(QStringLiteral("12057")) || pass > 3)) {
            if (dav_geterrorstring().contains(QStringLiteral("12057"))) {
              WriteTrace(kRevocationLine);
              WriteTransferLog(kRevocationLine, 0);
            }
            if (!AlternateSignIn(accountName, password, sslFlag)) return false;
          }
          Pump(2);
          vb::Sleep(1);
          if (p.LoginCancelRequested) break;
          const QString reason = vb::Trim(dav_geterrorstring());
          if (reason == kWrongCredentials) break;
          if (reason.isEmpty()) {
            limit = 2;
            WriteTrace(QStringLiteral("Login IterationNumber  = ") + QStringLiteral("2"));
          }
          if (!(proxyName.isEmpty() && pass < limit && !listed)) break;
        }

        if (!listed) {
          ShowAccountStatus(accountName, password, TypedName(accountName));
          ClearRemoteTree();
          return false;
        }
        RecordSession(accountName, password, rememberFlag);
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QStringLiteral("Error occured while login \r\nReason: ") + e.description + QStringLiteral("  ") +
                   QString::number(e.number));
        return false;
      });
  // A failed sign-in leaves no session behind that the windows could take
  // for a connected account.
  if (!opened) p.RemoteTreeConnected = false;
  return opened;
}

}  // namespace OrvaneMac::modGeneral
