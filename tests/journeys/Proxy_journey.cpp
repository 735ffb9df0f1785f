// The proxy settings of the sign-in window's Settings picture reaching the
// engine: an HTTP proxy (open, and one asking for credentials) that the
// engine's secure tunnel goes through once the user works with the account.
#include "tests/journeys/Journey.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonObject>

#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/main/UniListView.h"
#include "program/main/frmSearchRemote.h"
#include "program/session/Login.h"
#include "program/session/Proxysetting.h"
#include "program/session/Transfer.h"
#include "program/windows/SkinControls.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {
namespace {

bool LoginShowing() { return Login::Instance().IsLoaded() && Login::Instance().Window()->isVisible(); }
bool SettingsShowing() { return Proxysetting::Instance().IsLoaded() && Proxysetting::Instance().Window()->isVisible(); }
bool SignInDone() {
  return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible() && Program().RemoteTreeConnected &&
         !Login::Instance().IsLoaded();
}
bool SearchShowing() {
  return frmSearchRemote::Instance().IsLoaded() && frmSearchRemote::Instance().Window()->isVisible();
}

// The user's hands and eyes of a journey, for the steps two journeys share.
struct User {
  std::function<void(std::function<QWidget*()>)> click;
  std::function<void(std::function<QWidget*()>, const QString&)> type;
  std::function<void(std::function<QWidget*()>, int)> key;
  std::function<bool(std::function<bool()>, const QString&)> waitFor;
  std::function<void(const QString&)> shot;
};

// Settings from the sign-in window: the proxy at 127.0.0.1 and `port`,
// with credentials when `user` is given; saved.
void SetProxy(const User& u, const QString& port, const QString& user, const QString& password) {
  u.click([] { return Login::Instance().Setting(); });
  if (!u.waitFor(SettingsShowing, "the settings window")) return;
  u.click([] { return Proxysetting::Instance().Proxyenabled(); });
  u.waitFor([] { return Proxysetting::Instance().IPText()->isEnabled(); }, "the proxy fields");
  u.type([] { return Proxysetting::Instance().IPText(); }, "127.0.0.1");
  u.type([] { return Proxysetting::Instance().ProxyPort(); }, port);
  if (!user.isEmpty()) {
    u.click([] { return Proxysetting::Instance().ProxyAuth(); });
    u.waitFor([] { return Proxysetting::Instance().sUsername()->isEnabled(); }, "the proxy credential fields");
    u.type([] { return Proxysetting::Instance().sUsername(); }, user);
    u.type([] { return Proxysetting::Instance().sPassword(); }, password);
  }
  u.shot("proxy-settings");
  u.click([] { return Proxysetting::Instance().OK(); });
  u.waitFor([] { return !SettingsShowing(); }, "the settings window to close");
}

// A search of the whole account from the main window's search box: the
// engine lists the account through its secure tunnel.
void SearchAccount(const User& u, const QString& key) {
  u.type([] { return Smart::Instance().txtSearchText(); }, key);
  u.key([] { return Smart::Instance().txtSearchText(); }, Qt::Key_Return);
  u.waitFor(SearchShowing, "the search window");
  // The user types the key into the search window and presses Search.
  u.type([] { return frmSearchRemote::Instance().txt_Searchkey(); }, key);
  u.click([] { return frmSearchRemote::Instance().cmdOK(); });
  u.waitFor(
      [] {
        frmSearchRemote& search = frmSearchRemote::Instance();
        return search.IsLoaded() && search.lvw_SearchResult()->RowCount() > 0 &&
               !Program().SearchInProgress;
      },
      "the search results");
}

// Whether the tunnel's passages through the proxy listener reached the
// rsync server's TLS front (named, or as the test bed's host map gives it)
// with `suffix` (" 200", " 200 proxyuser ok").
bool ReachedTheTlsFront(const QStringList& passed, const QString& suffix) {
  for (const QString& target : {qEnvironmentVariable("TESTBED_RSYNC_HOST") + ":443",
                                "127.0.0.1:" + qEnvironmentVariable("TESTBED_STUNNEL_PORT")})
    if (passed.contains("CONNECT " + target + suffix)) return true;
  return false;
}

QStringList ProxyPassages(const QString& listener) {
  QStringList passed;
  for (const QJsonValue& entry : testbed::Log()) {
    const QJsonObject e = entry.toObject();
    if (e["kind"].toString() != "proxy" || e["port"].toString() != listener) continue;
    const QJsonObject auth = e["auth"].toObject();
    passed << QStringLiteral("%1 %2 %3%4")
                  .arg(e["method"].toString(), e["target"].toString())
                  .arg(e["status"].toInt())
                  .arg(auth.isEmpty() ? QString() : " " + auth["user"].toString() + (auth["ok"].toBool() ? " ok" : " refused"));
  }
  return passed;
}

JOURNEY(ProxyWithoutCredentialsCarriesTheSecureTunnel) {
  const QString port = qEnvironmentVariable("TESTBED_PROXY_PORT");
  Run([&] {
    const User u{[this](auto w) { Click(w); }, [this](auto w, const QString& t) { TypeInto(w, t); },
                 [this](auto w, int k) { KeyInto(w, k); }, [this](auto c, const QString& what) { return WaitFor(c, what); },
                 [this](const QString& name) { Shot(name); }};
    ASSERT_TRUE(WaitFor(LoginShowing, "the sign-in window"));
    SetProxy(u, port, {}, {});
    Ask([&] {
      EXPECT_EQ(gTransfer().Trf_ReadProxyProfile("ProxyName"), "127.0.0.1");
      EXPECT_EQ(gTransfer().Trf_ReadProxyProfile("ProxyPort"), port);
      EXPECT_EQ(gTransfer().Trf_ReadProxyProfile("ProxyUser"), "");
    });

    SignIn();
    ASSERT_TRUE(WaitFor(SignInDone, "the main window with the account's root"));
    // The engine took the proxy into its tunnel's configuration.
    const QString conf = QString::fromUtf8(ReadAll(Host("Prog/SSLInteractive.conf")));
    EXPECT_TRUE(conf.contains("connect =127.0.0.1:" + port + "\r\n")) << conf.toStdString();
    EXPECT_TRUE(conf.contains("httpsproxy_dest=" + qEnvironmentVariable("TESTBED_RSYNC_HOST") + ":443"))
        << conf.toStdString();

    SearchAccount(u, "anna");
    Shot("search-through-proxy");
    EXPECT_TRUE(Ask([] {
      UniListView* rows = frmSearchRemote::Instance().lvw_SearchResult();
      for (int i = 1; i <= rows->RowCount(); ++i)
        if (rows->RowText(i).contains("Dear Anna.txt")) return true;
      return false;
    }));
    Click([] { return frmSearchRemote::Instance().cmd_cancel(); });
    WaitFor([] { return !SearchShowing(); }, "the search window to close");

    const QStringList passed = ProxyPassages("proxy");
    EXPECT_TRUE(ReachedTheTlsFront(passed, " 200"))
        << passed.join(" | ").toStdString();
  });
}

JOURNEY(ProxyWithCredentialsCarriesTheSecureTunnel) {
  const QString port = qEnvironmentVariable("TESTBED_PROXY_AUTH_PORT");
  const QString proxyUser = qEnvironmentVariable("TESTBED_PROXY_USER");
  const QString proxyPassword = qEnvironmentVariable("TESTBED_PROXY_PASSWORD");
  Run([&] {
    const User u{[this](auto w) { Click(w); }, [this](auto w, const QString& t) { TypeInto(w, t); },
                 [this](auto w, int k) { KeyInto(w, k); }, [this](auto c, const QString& what) { return WaitFor(c, what); },
                 [this](const QString& name) { Shot(name); }};
    ASSERT_TRUE(WaitFor(LoginShowing, "the sign-in window"));
    SetProxy(u, port, proxyUser, proxyPassword);
    EXPECT_EQ(Ask([] { return gTransfer().Trf_ReadProxyProfile("ProxyUser"); }), proxyUser);
    // The password is kept scrambled, never as typed.
    const QByteArray stored = ReadAll(Host("Prog/OrvaneMac/ZQProxyUser.txt"));
    EXPECT_FALSE(stored.isEmpty());
    EXPECT_FALSE(stored.contains(proxyPassword.toUtf8()));

    SignIn();
    ASSERT_TRUE(WaitFor(SignInDone, "the main window with the account's root"));
    const QString conf = QString::fromUtf8(ReadAll(Host("Prog/SSLInteractive.conf")));
    EXPECT_TRUE(conf.contains("connect = 127.0.0.1:" + port + "\r\n")) << conf.toStdString();
    EXPECT_TRUE(conf.contains("httpsproxy_auth=" + proxyUser + ":" + proxyPassword)) << "the password unscrambled";

    SearchAccount(u, "anna");
    Shot("search-through-proxy");
    Click([] { return frmSearchRemote::Instance().cmd_cancel(); });
    WaitFor([] { return !SearchShowing(); }, "the search window to close");

    const QStringList passed = ProxyPassages("proxy-auth");
    EXPECT_TRUE(ReachedTheTlsFront(passed, " 200 " + proxyUser + " ok"))
        << passed.join(" | ").toStdString();
    EXPECT_FALSE(passed.join(" | ").contains(" refused")) << passed.join(" | ").toStdString();
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
