#include "tools/ClientArgs.h"

#include "platform/paths/WinPath.h"
#include "tools/ToolPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tools {
namespace {

TEST(SplitBatchLine, QuotesGroupAndNothingIsInterpreted) {
  struct Case {
    const char* line;
    QStringList words;
  };
  const Case cases[] = {
      {R"("C:\PROGRA~1\Orvane\\orvane_int_rst_100.exe" -v -7/cygdrive/C/x.txt)",
       {R"(C:\PROGRA~1\Orvane\\orvane_int_rst_100.exe)", "-v", "-7/cygdrive/C/x.txt"}},
      {"--files-from='/cygdrive/C/a b/list'  mkowalski@localhost::tessara\"/\" \"/cygdrive/C/Restore\"",
       {"--files-from=/cygdrive/C/a b/list", "mkowalski@localhost::tessara/", "/cygdrive/C/Restore"}},
      {R"(x "it's" 'say "hi"')", {"x", "it's", "say \"hi\""}},
      {R"(prog "/cygdrive/C/x"; touch pwned; "")", {"prog", "/cygdrive/C/x;", "touch", "pwned;", ""}},
      {"prog a|b > c & d $(e) `f`", {"prog", "a|b", ">", "c", "&", "d", "$(e)", "`f`"}},
      {"prog \"unclosed rest", {"prog", "unclosed rest"}},
      {"  \t ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitBatchLine(QString::fromUtf8(c.line)), c.words) << c.line;
}

TEST(RewriteFileList, MovesTheSourceFolderIntoEachEntry) {
  const QByteArray list = "/Letters/2009/\r\nReports #1/a.txt\n\n/x\n";
  EXPECT_EQ(RewriteFileList(list, QStringLiteral("Documents/"), true),
            "Documents/./Letters/2009/\nDocuments/./Reports #1/a.txt\nDocuments/./x\n");
  EXPECT_EQ(RewriteFileList(list, QStringLiteral("Documents"), false),
            "Documents/Letters/2009/\nDocuments/Reports #1/a.txt\nDocuments/x\n");
  EXPECT_EQ(RewriteFileList(list, QString(), true), "Letters/2009/\nReports #1/a.txt\nx\n");
}

class ClientPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    QDir(tmp_.path()).mkpath(QStringLiteral("OrvaneInt/ORVANETEMP"));
    QDir(tmp_.path()).mkpath(QStringLiteral("Restore"));
    win::DriveTable table;
    table.Map(u'C', tmp_.path());
    guard_.emplace(table);
    qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:51000;rsync1.orvane.example:65368=127.0.0.1:52000");
  }
  void TearDown() override { qunsetenv("ORVANE_CONNECT_TO"); }

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = tmp_.path() + u'/' + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path;
  }

  QTemporaryDir tmp_;
  std::optional<win::ScopedDriveTable> guard_;
};

TEST_F(ClientPlanTest, TransferRunFromTheArgumentList) {
  Write(QStringLiteral("OrvaneInt/ORVANETEMP/SerSource.foldersA"), "Letters/2009/\n");
  Write(QStringLiteral("OrvaneInt/ORVANETEMP/arglistA.txt"),
        "orvane_int_rst_100.exe\n-v\n-t\n-7\n--bwlimit=32765\n--compress\n--inplace\n--timeout=900\n--port=43718\n"
        "--block-size=30000\n--progress\n--no-implied-dirs\n--relative\n"
        "--files-from=/cygdrive/C/OrvaneInt/ORVANETEMP/SerSource.foldersA\nmkowalski@localhost::tessara/Documents/\n"
        "/cygdrive/C/Restore");
  QString error;
  const QStringList tokens = ClientTokens(
      {QStringLiteral("-v"), QStringLiteral("-t"), QStringLiteral("-7/cygdrive/C/OrvaneInt/ORVANETEMP/arglistA.txt"),
       QStringLiteral("mkowalski@localhost::tessaraA/")},
      &error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  EXPECT_EQ(tokens.first(), u"-v");  // the program's own name is not a token

  const ClientPlan plan = PlanClientRun(tokens);
  ASSERT_TRUE(plan.error.isEmpty()) << plan.error.toStdString();
  EXPECT_TRUE(plan.transfer);
  const QString dest = QDir(tmp_.path()).filePath(QStringLiteral("Restore")) + u'/';
  const QStringList expected{"-8",
                             "--no-h",
                             "-v",
                             "-t",
                             "--bwlimit=32765",
                             "--compress",
                             "--timeout=900",
                             "--block-size=30000",
                             "--progress",
                             "--no-implied-dirs",
                             "--relative",
                             "--port=51000",
                             "--password-file=-",
                             "-ii",
                             "--out-format=::ORV::%i|%l|%n",
                             "--files-from=<private list>",
                             "--",
                             "mkowalski@127.0.0.1::tessara/",
                             dest};
  EXPECT_EQ(plan.rsyncArguments, expected);
  EXPECT_FALSE(plan.rsyncArguments.contains(QStringLiteral("--inplace")));
  EXPECT_EQ(plan.filesFrom, "Documents/./Letters/2009/\n");
  EXPECT_EQ(plan.tunnelAddress, u"127.0.0.1");
  EXPECT_EQ(plan.tunnelPort, 51000);
}

TEST_F(ClientPlanTest, ListingRunDirectAndCommandLineFallback) {
  // Without "-7<path>" the command line itself holds the arguments.
  const QStringList tokens{"-v",
                           "-r",
                           "-z",
                           "-t",
                           "-7",
                           "-n",
                           "--stats",
                           "--compress",
                           "--timeout=900",
                           "--port=65368",
                           "mkowalski@rsync1.orvane.example::tessara3/Documents/"};
  QString error;
  EXPECT_EQ(ClientTokens(tokens, &error), tokens);
  const ClientPlan plan = PlanClientRun(tokens);
  ASSERT_TRUE(plan.error.isEmpty()) << plan.error.toStdString();
  EXPECT_FALSE(plan.transfer);
  EXPECT_TRUE(plan.tunnelAddress.isEmpty());
  const QStringList expected{"-8",           "--no-h",
                             "-v",           "-r",
                             "-z",           "-t",
                             "-n",           "--stats",
                             "--compress",   "--timeout=900",
                             "--port=52000", "--password-file=-",
                             "--",           "mkowalski@127.0.0.1::tessara3/Documents/"};
  EXPECT_EQ(plan.rsyncArguments, expected);
}

TEST_F(ClientPlanTest, RefusesWhatTheEngineNeverWrites) {
  const QString source = QStringLiteral("u@localhost::tessara/");
  const QStringList refused[] = {
      {"-v", "-5", source, "/cygdrive/C/Restore"},  // decryption with the private key
      {"-e", "ssh", source},                        // any other option
      {"--rsh=sh -c x", source},
      {"--port=12a", source},
      {"/etc/passwd"},            // not a daemon source
      {source, "/cygdrive/Q/x"},  // drive not mapped
      {source, "/etc"},           // not the client's path form
      {source, "/cygdrive/C/a", "/cygdrive/C/b"},
      {},
  };
  for (const QStringList& tokens : refused) {
    const ClientPlan plan = PlanClientRun(tokens);
    EXPECT_FALSE(plan.error.isEmpty()) << tokens.join(u' ').toStdString();
    EXPECT_NE(plan.exitCode, 0);
  }
  QString error;
  EXPECT_TRUE(ClientTokens({QStringLiteral("-7/cygdrive/C/missing.txt")}, &error).isEmpty());
  EXPECT_FALSE(error.isEmpty());
}

TEST(MapConnect, FirstMatchingRuleAndLocalhost) {
  qputenv("ORVANE_CONNECT_TO", "rsync1.orvane.example:443=127.0.0.1:4000;*:443=127.0.0.1:5000");
  EXPECT_EQ(MapConnect({QStringLiteral("RSYNC1.orvane.example"), 443}), (Endpoint{QStringLiteral("127.0.0.1"), 4000}));
  EXPECT_EQ(MapConnect({QStringLiteral("other.example"), 443}), (Endpoint{QStringLiteral("127.0.0.1"), 5000}));
  EXPECT_EQ(MapConnect({QStringLiteral("localhost"), 43718}), (Endpoint{QStringLiteral("127.0.0.1"), 43718}));
  qputenv("ORVANE_CONNECT_TO", "broken");
  QString error;
  EXPECT_EQ(MapConnect({QStringLiteral("h"), 1}, &error), (Endpoint{QStringLiteral("h"), 1}));
  EXPECT_FALSE(error.isEmpty());
  qunsetenv("ORVANE_CONNECT_TO");
}

TEST(CygdrivePaths, BothWays) {
  QTemporaryDir tmp;
  win::DriveTable table;
  table.Map(u'D', tmp.path());
  win::ScopedDriveTable guard(table);
  EXPECT_EQ(CygdriveToHost(QStringLiteral("/cygdrive/d/a b/c")), tmp.path() + QStringLiteral("/a b/c"));
  EXPECT_EQ(CygdriveToHost(QStringLiteral("/cygdrive/D")), tmp.path());
  EXPECT_FALSE(CygdriveToHost(QStringLiteral("/cygdrive/E/x")));
  EXPECT_FALSE(CygdriveToHost(QStringLiteral("/home/x")));
  EXPECT_EQ(HostToCygdrive(tmp.path() + QStringLiteral("/a b/c")), u"/cygdrive/D/a b/c");
  EXPECT_EQ(HostPathOfArgument(QStringLiteral("D:\\x\\y.txt")), tmp.path() + QStringLiteral("/x/y.txt"));
  EXPECT_EQ(HostPathOfArgument(QStringLiteral("/plain/host")), u"/plain/host");
}

TEST(PrivateListFile, OnlyFilesNobodyHoldsAreTakenForLeftOvers) {
  // The clean-up of a run's start must spare the list of a run that still
  // works, whatever its process id means here (another process table's
  // run may carry an id that is free, or taken, in this one).
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
  const auto plant = [&](const QString& name) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x\n");
  };
  plant("orvane-files-from-4000001-AAAAAA");  // left by a run that was ended
  plant("orvane-files-from-4000002-BBBBBB");  // a live run of another process table
  const int held = ::open(QFile::encodeName(dir.filePath("orvane-files-from-4000002-BBBBBB")).constData(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  const QString first = QString::fromStdString(WritePrivateListFile("/a\n"));
  const QString second = QString::fromStdString(WritePrivateListFile("/b\n"));
  ::close(held);
  qputenv("XDG_RUNTIME_DIR", saved);

  ASSERT_FALSE(first.isEmpty());
  ASSERT_NE(first, second);
  QFile a(first);
  ASSERT_TRUE(a.open(QIODevice::ReadOnly));
  EXPECT_EQ(a.readAll(), "/a\n");
  EXPECT_EQ(QFile(first).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
  EXPECT_TRUE(QFile::exists(second));
  EXPECT_TRUE(QFile::exists(dir.filePath("orvane-files-from-4000002-BBBBBB")));
  EXPECT_FALSE(QFile::exists(dir.filePath("orvane-files-from-4000001-AAAAAA")));
  EXPECT_EQ(QDir(dir.path()).entryList({".orvane-new-list-*"}, QDir::Files | QDir::Hidden), QStringList());
}

}  // namespace
}  // namespace tools
