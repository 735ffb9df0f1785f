#include "program/session/DialUpProxy.h"

#include <gtest/gtest.h>

#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SettingsStores.h"
#include "program/session/Transfer.h"
#include "platform/dialup/Phonebook.h"
#include "platform/errors/RuntimeError.h"
#include "platform/registry/Registry.h"

namespace OrvaneMac {
namespace {

using namespace modGeneral;

const QString kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class DialUpProxyTest : public ProgramTest {
 protected:
  static QStringList Entries() {
    QStringList names;
    auto& list = Items(Program().DialUpEntryList);
    for (long i = 1; i <= list->Count(); ++i) names << list->Item(i).ToString();
    return names;
  }
  // The Internet settings follow the proxy variables of the environment.
  void SetUp() override {
    ProgramTest::SetUp();
    for (const char* var : kProxyVariables) {
      saved_.push_back(qgetenv(var));
      qunsetenv(var);
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i].isNull()) {
        qunsetenv(kProxyVariables[i]);
      } else {
        qputenv(kProxyVariables[i], saved_[i]);
      }
    }
    ProgramTest::TearDown();
  }
  static constexpr const char* kProxyVariables[] = {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY"};
  std::vector<QByteArray> saved_;
};

TEST_F(DialUpProxyTest, PhonebookEntriesAreAppended) {
  GetRASEntries("");
  EXPECT_TRUE(Entries().isEmpty());
  EXPECT_EQ(TraceLines(), QStringList({"Enter GetRASentries", "Exit GetRASEntries.retcode0"}));

  // Several entries need the second, larger request.
  ASSERT_EQ(win::SetPhonebookEntries({"Office", "Home ISP", "Backup line"}), 0);
  GetRASEntries("");
  EXPECT_EQ(Entries(), QStringList({"Office", "Home ISP", "Backup line"}));
  GetRASEntries("");
  EXPECT_EQ(Entries().size(), 6) << "the caller empties the list";

  // Another phonebook cannot be opened: traced, the list stays.
  GetRASEntries("C:\\other.pbk");
  EXPECT_EQ(Entries().size(), 6);
  EXPECT_EQ(TraceLines().last(), "Error In GetRASEntries.Reason:621" + QString::number(-2147221504L + 512));
}

TEST_F(DialUpProxyTest, RegistryValuesWrittenAndRead) {
  const QString profile = "RemoteAccess\\Profile\\Office";
  ASSERT_EQ(win::SetPhonebookEntries({"Office"}), 0);
  SetKeyValue(win::HKEY_CURRENT_USER, profile, "AutoConnect", 1, 4);
  EXPECT_EQ(ReadRegistryString(win::HKEY_CURRENT_USER, profile, "AutoConnect"), "1");

  const QString text = QString("Office dial-up ") + QChar(0xE9);
  ASSERT_EQ(win::RegistryWriteString(win::HKEY_CURRENT_USER, "RemoteAccess", "InternetProfile", "",
                                     win::RegistryKeyMode::Create),
            0);
  SetKeyValue(win::HKEY_CURRENT_USER, "RemoteAccess", "InternetProfile", text, 1);
  EXPECT_EQ(ReadRegistryString(win::HKEY_CURRENT_USER, "RemoteAccess", "InternetProfile"), text);
  EXPECT_EQ(win::RegistryReadString(win::HKEY_CURRENT_USER, "RemoteAccess", "InternetProfile", 2048), text);

  // A key that does not exist is not created.
  SetKeyValue(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\Nowhere", "AutoConnect", 0, 4);
  win::HKEY key = 0;
  EXPECT_NE(win::RegOpenKeyEx(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\Nowhere", 0, win::KEY_READ, &key), 0);
  EXPECT_EQ(ReadRegistryString(win::HKEY_CURRENT_USER, "RemoteAccess\\Profile\\Nowhere", "AutoConnect"), "");

  // Other types write nothing and answer 0; a text is cut at its first CR.
  ASSERT_EQ(win::RegOpenKeyEx(win::HKEY_CURRENT_USER, "RemoteAccess", 0, win::KEY_ALL_ACCESS, &key), 0);
  EXPECT_EQ(SetValueEx(key, "Binary", 3, "x"), 0);
  EXPECT_EQ(SetValueEx(key, "Lines", 1, "first\rsecond"), 0);
  vb::Variant value = "untouched";
  QueringRegValue(key, "Binary", value);
  EXPECT_EQ(value.ToString(), "untouched");
  QueringRegValue(key, "Lines", value);
  EXPECT_EQ(value.ToString(), "first");
  // A text larger than the 6144-byte buffer reads as empty.
  ASSERT_EQ(SetValueEx(key, "Huge", 1, QString(4000, u'h')), 0);
  QueringRegValue(key, "Huge", value);
  EXPECT_EQ(value.ToString(), "");
  win::RegCloseKey(key);
}

TEST(ProxyServerTextTest, HostAndPortByTheParsingRules) {
  struct Case {
    const char* server;
    const char* host;
    const char* port;
  };
  const Case cases[] = {
      {"proxy.local:3128", "proxy.local", "3128"},
      {"https=secure.local:443;http=web.local:80;ftp=ftp.local:21", "secure.local", "443"},
      {"ftp=ftp.local:21;http=web.local:8080", "web.local", "8080"},
      {"http://proxy.local:8080", "http://proxy.local", "8080"},
      {"ftp=ftp.local:21;socks=socks.local:1080", "ftp.local:21;socks=socks.local", "1080"},
      {"http=:80", "", "80"},
  };
  for (const Case& c : cases) {
    QString host;
    QString port;
    modGeneral::SplitProxyServer(c.server, host, port);
    EXPECT_EQ(host, c.host) << c.server;
    EXPECT_EQ(port, c.port) << c.server;
  }
  for (const char* server : {"proxy.local", "http=proxy.local", "a:b=c"}) {
    QString host;
    QString port;
    EXPECT_THROW(modGeneral::SplitProxyServer(server, host, port), vb::RuntimeError) << server;
  }
}

TEST_F(DialUpProxyTest, InternetProxyOfTheSystem) {
  QString host = "kept";
  QString port = "kept";
  EXPECT_FALSE(GetIEProxySettings(host, port)) << "no proxy enabled";
  EXPECT_EQ(host, "kept");
  EXPECT_TRUE(TraceLines().isEmpty());

  qputenv("http_proxy", "http://user:pw@proxy.local:3128/");
  EXPECT_TRUE(GetIEProxySettings(host, port));
  EXPECT_EQ(host, "proxy.local");
  EXPECT_EQ(port, "3128");
}

TEST_F(DialUpProxyTest, SavedProxyIsLoaded) {
  auto& proxy = Program().ProxySettings;
  proxy = {"old", "1", "olduser", "oldpass"};
  LoadProxySetting();
  EXPECT_EQ(proxy.host, "");
  EXPECT_EQ(proxy.port, "1") << "without a saved host the rest stays";

  ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
  gTransfer().Trf_WriteProxyProfile("ProxyName", "proxy.local");
  gTransfer().Trf_WriteProxyProfile("ProxyPort", "3128");
  gTransfer().Trf_WriteProxyProfile("ProxyUser", "pat");
  WriteProfileFile("", gTransfer().EncryptPwd("proxy pw"), 5);
  LoadProxySetting();
  EXPECT_EQ(proxy.host, "proxy.local");
  EXPECT_EQ(proxy.port, "3128");
  EXPECT_EQ(proxy.user, "pat");
  EXPECT_EQ(proxy.password, "proxy pw");
}

}  // namespace
}  // namespace OrvaneMac
