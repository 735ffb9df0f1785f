// The outside programs against the service double's rsync daemon and its
// TLS front, driven the way the engine drives them: batch files, argument
// lists and password files in the work folders, started through redirect.exe.
#include "platform/codepage/CodePage.h"
#include "tools/ChildProcess.h"
#include "tools/ToolPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "testbed/include/TestbedControl.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tools {
namespace {

const QString kProgramDir = QStringLiteral(ORVANE_PROGRAM_DIR);
const QString kWork = QStringLiteral("C:\\OrvaneInt\\ORVANETEMP");

bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  file.write(bytes);
}

// The batch line as the engine writes it: UTF-8 bytes, each one above 128 written as "A".
QByteArray Masked(const QString& line) {
  QByteArray out = line.toUtf8();
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 129) c = 'A';
  }
  return out;
}

using testbed::FreePort;

std::set<int> ChildrenOf(int parent) {
  std::set<int> children;
  for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool ok = false;
    const int pid = name.toInt(&ok);
    if (!ok) continue;
    const QByteArray stat = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1 && fields.at(0) != "Z" && fields.at(1).toInt() == parent) children.insert(pid);
  }
  return children;
}

bool Alive(int pid) {
  const QByteArray stat = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
  if (stat.isEmpty()) return false;
  return stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

struct Outcome {
  int code = -1;
  QByteArray out;
  QByteArray err;
};

class ToolsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("TESTBED_ENV")) GTEST_SKIP() << "the service double is not running";
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    QDir(root_).mkpath(QStringLiteral("OrvaneInt/ORVANETEMP"));
    QDir(root_).mkpath(QStringLiteral("Restore"));
    account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
    savedConnectTo_ = qgetenv("ORVANE_CONNECT_TO");
    tunnelPort_ = FreePort();
    qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;P=%2;Z=/").arg(root_, kProgramDir).toUtf8());
    qputenv("ORVANE_CONNECT_TO",
            "localhost:43718=127.0.0.1:" + QByteArray::number(tunnelPort_) + ';' + savedConnectTo_);
    WritePassword(qEnvironmentVariable("TESTBED_PASSWORD"));
  }

  void TearDown() override {
    StopTunnel();
    qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
    for (const QString& path : fixtures_) {
      QFileInfo(path).isDir() ? (void)QDir(path).removeRecursively() : (void)QFile::remove(path);
    }
  }

  QString Work(const QString& name) const { return root_ + QStringLiteral("/OrvaneInt/ORVANETEMP/") + name; }

  void WritePassword(const QString& password) {
    WriteBytes(Work(QStringLiteral("mkowalski.txt")), win::ToAnsi(password) + "\r\n");
  }

  void StartTunnel(const QByteArray& section, const char* program = "orvane_ssl_int_rst_100.exe") {
    WriteBytes(root_ + QStringLiteral("/SSLInteractive.conf"), "[ZQWIN]\r\n" + section);
    ChildSpec spec;
    spec.program = (kProgramDir + u'/' + QLatin1String(program)).toStdString();
    spec.arguments = {"SSLInteractive.conf"};
    spec.workingDirectory = root_.toStdString();
    // Its standard error, as the engine keeps it.
    const int log = ::open(QFile::encodeName(root_ + QStringLiteral("/tunnellog.txt")).constData(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    spec.stderrFd = log;
    tunnel_ = SpawnChild(spec);
    if (log >= 0) ::close(log);
    ASSERT_GT(tunnel_, 0);
  }

  void StopTunnel() {
    if (tunnel_ <= 0) return;
    ::kill(tunnel_, SIGTERM);
    WaitChild(tunnel_);
    tunnel_ = 0;
  }

  // Starts redirect.exe on a batch file the way the engine does.
  pid_t StartRedirect(const QString& batch, const QString& err, const QString& out) {
    ChildSpec spec;
    spec.program = (kProgramDir + QStringLiteral("/redirect.exe")).toStdString();
    spec.arguments = {"-i",
                      (kWork + QStringLiteral("\\mkowalski.txt")).toStdString(),
                      "-e",
                      (kWork + u'\\' + err).toStdString(),
                      "-o",
                      (kWork + u'\\' + out).toStdString(),
                      (kWork + u'\\' + batch).toStdString()};
    spec.workingDirectory = root_.toStdString();
    return SpawnChild(spec);
  }

  // A listing run as the listing writes it: "Enum.bat" and "arglist.txt".
  Outcome List(const QString& target, const QString& port = QStringLiteral("43718")) {
    const QString line = QStringLiteral(
                             "\"P:\\\\orvane_int_rst_100.exe\" -v -r -z -t "
                             "-7/cygdrive/C/OrvaneInt/ORVANETEMP/arglist.txt -n --stats --compress "
                             "--timeout=900 --port=%1 \"%2\"")
                             .arg(port, target);
    WriteBytes(Work(QStringLiteral("Enum.bat")), Masked(line));
    WriteBytes(Work(QStringLiteral("arglist.txt")),
               QStringLiteral("orvane_int_rst_100\n-v\n-r\n-z\n-t\n-7\n-n\n--stats\n--compress\n--timeout=900\n"
                              "--port=%1\n%2")
                   .arg(port, target)
                   .toUtf8());
    return Repeat([&] {
      return Finish(
          StartRedirect(QStringLiteral("Enum.bat"), QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt")),
          QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
    });
  }

  // Our programs never end anything with SIGKILL; a run that ends so was
  // ended by name from outside (another suite on this machine ending its own
  // "orvane_int_rst_100.exe"): run it again, a few times at most.
  static Outcome Repeat(const std::function<Outcome()>& run) {
    Outcome outcome;
    for (int attempt = 0; attempt < 3; ++attempt) {
      outcome = run();
      if (outcome.code != 128 + SIGKILL) break;
    }
    return outcome;
  }

  // A transfer run as client run A or B writes it.
  Outcome Transfer(char engine, const QByteArray& list, const QString& suffix, const QString& destination,
                   bool relative) {
    const QString x = QString(QLatin1Char(engine));
    const QString listName = QStringLiteral("SerSource.files") + x;
    WriteBytes(Work(listName), list);
    const QString listPath = QStringLiteral("/cygdrive/C/OrvaneInt/ORVANETEMP/") + listName;
    const QString part = relative ? QStringLiteral("--no-implied-dirs --relative --files-from='%1' ").arg(listPath)
                                  : QStringLiteral("--no-relative --files-from='%1' ").arg(listPath);
    const QString line = QStringLiteral(
                             "\"P:\\orvane_int_rst_100.exe\" -v -t -7/cygdrive/C/OrvaneInt/ORVANETEMP/"
                             "arglist%1.txt --bwlimit=32765 --compress --inplace --timeout=900 "
                             "--port=43718 --block-size=30000 --progress %2 mkowalski@localhost::tessara"
                             "\"%3\" \"%4\"")
                             .arg(x, part, suffix, destination);
    WriteBytes(Work(QStringLiteral("RedirectSer%1.bat").arg(x)), Masked(line));
    QStringList args{QStringLiteral("orvane_int_rst_100.exe"),
                     "-v",
                     "-t",
                     "-7",
                     "--bwlimit=32765",
                     "--compress",
                     "--inplace",
                     "--timeout=900",
                     "--port=43718",
                     "--block-size=30000",
                     "--progress"};
    args << (relative ? QStringList{"--no-implied-dirs", "--relative"} : QStringList{"--no-relative"});
    args << QStringLiteral("--files-from=") + listPath << QStringLiteral("mkowalski@localhost::tessara") + suffix
         << destination;
    WriteBytes(Work(QStringLiteral("arglist%1.txt").arg(x)), args.join(u'\n').toUtf8());
    const QString err = QStringLiteral("errlogSer%1.txt").arg(x);
    const QString out = QStringLiteral("outputlogSer%1.txt").arg(x);
    return Repeat(
        [&] { return Finish(StartRedirect(QStringLiteral("RedirectSer%1.bat").arg(x), err, out), err, out); });
  }

  Outcome Finish(pid_t pid, const QString& err, const QString& out) {
    Outcome run;
    if (pid <= 0) return run;
    run.code = WaitChild(pid);
    run.out = ReadAll(Work(out));
    run.err = ReadAll(Work(err));
    return run;
  }

  QString AddFixture(const QString& relative, const QByteArray& bytes) {
    const QString path = account_ + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteBytes(path, bytes);
    fixtures_ << path;
    return path;
  }

  // A served file of `size` bytes that compress badly, removed at the end.
  struct AddFixtureGuard {
    AddFixtureGuard(ToolsE2E* test, const QString& relative, qint64 size) {
      QByteArray bytes(size, Qt::Uninitialized);
      quint32 x = 2463534242u;
      for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
      }
      test->AddFixture(relative, bytes);
    }
  };

  QTemporaryDir tmp_;
  QString root_;
  QString account_;
  QByteArray savedConnectTo_;
  int tunnelPort_ = 0;
  pid_t tunnel_ = 0;
  QStringList fixtures_;
};

// The progress lines of an output log, as the engine cuts them.
struct Progress {
  qint64 fileDone = 0, fileSize = 0, runDone = 0;
  int percent = 0;
  QString item;
};

QList<Progress> ProgressLines(const QByteArray& out) {
  QList<Progress> lines;
  for (const QByteArray& raw : out.split('\n')) {
    const QString line = QString::fromUtf8(raw);
    const qsizetype colon = line.indexOf(u':');
    if (colon < 0 || !line.left(colon + 1).contains(u'%')) continue;
    lines << Progress{line.mid(0, 15).trimmed().toLongLong(), line.mid(15, 16).trimmed().toLongLong(),
                      line.mid(31, 16).trimmed().toLongLong(), line.mid(63, 4).trimmed().toInt(), line.mid(91)};
  }
  return lines;
}

TEST_F(ToolsE2E, ListingThroughTheTunnelInTheEnginesColumns) {
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  const Outcome run = List(QStringLiteral("mkowalski@localhost::tessara/"));
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_EQ(run.err, "Password: \n");

  qint64 sum = 0;
  QStringList names;
  QString lastTotal;
  for (const QByteArray& raw : run.out.split('\n')) {
    const QString line = QString::fromUtf8(raw);
    if (line.contains(QStringLiteral("Total file size:"))) lastTotal = line;
    if (!line.startsWith(u'-') && !line.startsWith(u'd')) continue;
    ASSERT_GE(line.size(), 44) << raw.toStdString();
    EXPECT_TRUE(line.at(21).isDigit() && line.at(22) == u' ' && line.at(42) == u' ' && line.at(43) != u' ')
        << raw.toStdString();
    EXPECT_EQ(line.mid(23, 19).size(), 19);
    if (line.startsWith(u'-')) sum += line.mid(11, 11).trimmed().toLongLong();
    names << line.mid(43);
  }
  EXPECT_TRUE(
      names.contains(QString::fromUtf8("Documents/Letters/\xc3\x9cn\xc3\xaf"
                                       "c\xc3\xb6"
                                       "d\xc3\xa9"
                                       " \xe6\x97\xa5\xe6\x9c\xac.txt")));
  EXPECT_TRUE(
      names.contains(QString::fromUtf8("\xc5\x81\xc3\xb3"
                                       "d\xc5\xba stra\xc3\x9f"
                                       "e/\xc3\x9f file.txt")));
  EXPECT_TRUE(names.contains(QStringLiteral("Documents/Reports #1/Q1 100% done.txt")));

  qint64 onDisk = 0;
  QDirIterator it(account_, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) onDisk += QFileInfo(it.next()).size();
  // The engine's rule: from the 17th character, less the last six, trimmed.
  ASSERT_FALSE(lastTotal.isEmpty());
  EXPECT_EQ(lastTotal.mid(16).chopped(6).trimmed().toLongLong(), onDisk);
  EXPECT_EQ(sum, onDisk);
}

TEST_F(ToolsE2E, TransferCopiesOnceThenReportsSyncFiles) {
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  const QString zurich = QString::fromUtf8("Z\xc3\xbcrich");
  // Outcome A: a folder list below /Documents/, kept relative; run B: single files, flat.
  const QByteArray folders = "Letters/2009/\nReports #1/\n";
  const QByteArray files =
      "/Media/holiday clip.bin\n/\xc5\x81\xc3\xb3"
      "d\xc5\xba stra\xc3\x9f"
      "e/\xc3\x9f file.txt\n";
  const QStringList relativeFiles{"Letters/2009/Dear Anna.txt",
                                  QString::fromUtf8("Letters/2009/r\xc3\xa9sum\xc3\xa9 & notes.txt"),
                                  "Reports #1/Q1 100% done.txt", "Reports #1/a+b=c.txt"};
  const QStringList flatFiles{"holiday clip.bin", QString::fromUtf8("\xc3\x9f file.txt")};

  for (int pass = 0; pass < 2; ++pass) {
    const Outcome a =
        Transfer('A', folders, QStringLiteral("/Documents/"), QStringLiteral("/cygdrive/C/Restore"), true);
    ASSERT_EQ(a.code, 0) << a.err.toStdString();
    EXPECT_EQ(a.err, "Password: \n");
    const Outcome b = Transfer('B', files, QStringLiteral("/"), QStringLiteral("/cygdrive/C/Restore/") + zurich, false);
    ASSERT_EQ(b.code, 0) << b.err.toStdString();

    for (const auto& [run, names] : {std::pair{a, relativeFiles}, std::pair{b, flatFiles}}) {
      const QList<Progress> lines = ProgressLines(run.out);
      for (const QString& name : names) {
        int full = 0, synced = 0;
        for (const Progress& p : lines) {
          if (p.item == name && p.percent == 100) {
            ++full;
            EXPECT_EQ(p.fileDone, p.fileSize);
            EXPECT_GT(p.runDone, 0);
          }
          if (p.item == QStringLiteral("[Sync File]") + name) {
            ++synced;
            EXPECT_EQ(p.runDone, 0);
          }
        }
        EXPECT_EQ(full, pass == 0 ? 1 : 0) << name.toStdString() << "\n" << run.out.toStdString();
        EXPECT_EQ(synced, pass == 0 ? 0 : 1) << name.toStdString() << "\n" << run.out.toStdString();
      }
    }
  }
  for (const QString& name : relativeFiles) {
    EXPECT_EQ(ReadAll(root_ + QStringLiteral("/Restore/") + name),
              ReadAll(account_ + QStringLiteral("/Documents/") + name))
        << name.toStdString();
  }
  EXPECT_EQ(ReadAll(root_ + QStringLiteral("/Restore/") + zurich + QStringLiteral("/holiday clip.bin")),
            ReadAll(account_ + QStringLiteral("/Media/holiday clip.bin")));
  EXPECT_EQ(ReadAll(root_ + QStringLiteral("/Restore/") + zurich + QString::fromUtf8("/\xc3\x9f file.txt")).size(),
            QFileInfo(account_ + QString::fromUtf8("/\xc5\x81\xc3\xb3"
                                                   "d\xc5\xba stra\xc3\x9f"
                                                   "e/\xc3\x9f file.txt"))
                .size());
  // rsync's temporary siblings are gone.
  QDirIterator it(root_ + QStringLiteral("/Restore"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) EXPECT_FALSE(QFileInfo(it.next()).fileName().startsWith(u'.'));
}

TEST_F(ToolsE2E, MissingItemsAndAWrongPasswordInTheEnginesShapes) {
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  const Outcome run = Transfer('A', "Letters/nope.txt\nNo folder/\nReports #1/a+b=c.txt\n",
                               QStringLiteral("/Documents/"), QStringLiteral("/cygdrive/C/Restore"), true);
  EXPECT_EQ(run.code, 23);
  const QList<QByteArray> lines = run.err.split('\n');
  ASSERT_GE(lines.size(), 4) << run.err.toStdString();
  EXPECT_EQ(lines.at(0), "Password: ");
  EXPECT_TRUE(lines.contains(
      R"(rsync: link_stat "/Documents/Letters/nope.txt" (in tessara) failed: No such file or directory (2))"))
      << run.err.toStdString();
  EXPECT_TRUE(
      lines.contains(R"(rsync: link_stat "/Documents/No folder" (in tessara) failed: No such file or directory (2))"));
  EXPECT_TRUE(QFile::exists(root_ + QStringLiteral("/Restore/Reports #1/a+b=c.txt")));

  // A folder that is not there, listed.
  const Outcome listing = List(QStringLiteral("mkowalski@localhost::tessara/Nothing here/"));
  EXPECT_EQ(listing.code, 23);
  EXPECT_TRUE(listing.err.split('\n').contains(
      R"(rsync: link_stat "/Nothing here" (in tessara) failed: No such file or directory (2))"))
      << listing.err.toStdString();

  WritePassword(QStringLiteral("wrong"));
  const Outcome refused = List(QStringLiteral("mkowalski@localhost::tessara/"));
  EXPECT_EQ(refused.code, 5);
  EXPECT_TRUE(refused.err.startsWith("Password: \n"));
  EXPECT_TRUE(refused.err.contains("@ERROR: auth failed on module tessara")) << refused.err.toStdString();
}

TEST_F(ToolsE2E, DirectRouteAndTheEncryptedFolderOption) {
  const Outcome run =
      List(QStringLiteral("mkowalski@rsync1.orvane.example::tessara3/Documents/"), QStringLiteral("65368"));
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(" Letters/2009/Dear Anna.txt\n")) << run.out.toStdString();

  // "-5" cannot be served: a clear refusal the engine judges as a failed run.
  WriteBytes(Work(QStringLiteral("Enum.bat")),
             "\"P:\\orvane_int_rst_100.exe\" -v -5 -t -7/cygdrive/C/OrvaneInt/ORVANETEMP/arglist.txt");
  WriteBytes(Work(QStringLiteral("arglist.txt")),
             "orvane_int_rst_100.exe\n-v\n-5\n-t\n-7\nmkowalski@localhost::tessara/\n/cygdrive/C/Restore");
  const Outcome refused =
      Finish(StartRedirect(QStringLiteral("Enum.bat"), QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt")),
             QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
  EXPECT_NE(refused.code, 0);
  EXPECT_TRUE(refused.err.startsWith("Password: \n"));
  EXPECT_TRUE(refused.err.contains("(-5)"));
  EXPECT_TRUE(refused.err.contains("rsync error:"));
  EXPECT_TRUE(refused.out.isEmpty());
}

TEST_F(ToolsE2E, TunnelListensOnLoopbackOnlyAndChecksTheServer) {
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  ASSERT_TRUE(WaitForListener(QStringLiteral("127.0.0.1"), tunnelPort_, 5000));
  const QByteArray wildcard = "00000000:" + QByteArray::number(tunnelPort_, 16).toUpper().rightJustified(4, '0');
  EXPECT_FALSE(ReadAll(QStringLiteral("/proc/net/tcp")).contains(wildcard));
  EXPECT_FALSE(IsListening(QStringLiteral("::"), tunnelPort_));
  StopTunnel();

  // A certificate that does not name the host: refused, nothing listed.
  qputenv("ORVANE_CONNECT_TO",
          "evil.example:443=127.0.0.1:" + qgetenv("TESTBED_STUNNEL_PORT") + ";" + qgetenv("ORVANE_CONNECT_TO"));
  StartTunnel("accept = 43718\r\nconnect = evil.example:443\r\n");
  Outcome run = List(QStringLiteral("mkowalski@localhost::tessara/"));
  EXPECT_NE(run.code, 0);
  EXPECT_FALSE(run.out.contains("readme.txt"));
  StopTunnel();

  // An authority that is not trusted: refused too.
  const QByteArray ca = qgetenv("ORVANE_CA_FILE");
  qunsetenv("ORVANE_CA_FILE");
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  run = List(QStringLiteral("mkowalski@localhost::tessara/"));
  qputenv("ORVANE_CA_FILE", ca);
  EXPECT_NE(run.code, 0);
  EXPECT_FALSE(run.out.contains("readme.txt"));
}

TEST_F(ToolsE2E, NoBatchLineEverReachesAShell) {
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  const QString odd = QStringLiteral("x\"; touch pwned; \"y");
  AddFixture(odd + QStringLiteral("/inside.txt"), "inside\n");
  fixtures_ << account_ + u'/' + odd;
  AddFixture(QStringLiteral("a\"; touch pwned; \".txt"), "odd name\n");

  const Outcome listing = List(QStringLiteral("mkowalski@localhost::tessara/") + odd + u'/');
  EXPECT_EQ(listing.code, 0) << listing.err.toStdString();
  EXPECT_TRUE(listing.out.contains(" inside.txt\n")) << listing.out.toStdString();

  const Outcome run = Transfer('A', "a\"; touch pwned; \".txt\n", QStringLiteral("/"),
                               QStringLiteral("/cygdrive/C/Restore/") + odd, false);
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_EQ(ReadAll(root_ + QStringLiteral("/Restore/") + odd + QStringLiteral("/a\"; touch pwned; \".txt")),
            "odd name\n");
  for (const QString& folder : {root_, kProgramDir, QDir::currentPath(), root_ + QStringLiteral("/Restore")}) {
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/pwned"))) << folder.toStdString();
  }
}

TEST_F(ToolsE2E, ThroughAnHttpProxyWithAndWithoutCredentials) {
  // The double's proxies: one open, one asking for Basic credentials.
  qputenv("ORVANE_CONNECT_TO", "open.proxy.example:3128=127.0.0.1:" + qgetenv("TESTBED_PROXY_PORT") +
                                   ";guarded.proxy.example:8080=127.0.0.1:" + qgetenv("TESTBED_PROXY_AUTH_PORT") +
                                   ";" + qgetenv("ORVANE_CONNECT_TO"));
  const QByteArray credentials = qgetenv("TESTBED_PROXY_USER") + ':' + qgetenv("TESTBED_PROXY_PASSWORD");
  testbed::Control("DELETE", "/log");
  // The proxy form without credentials: "connect =" with no blank after it.
  StartTunnel("accept = 43718\r\nconnect =open.proxy.example:3128\r\nhttpsproxy_dest=rsync1.orvane.example:443\r\n",
              "orvane_ssl_prox_rst_100.exe");
  Outcome run = List(QStringLiteral("mkowalski@localhost::tessara/"));
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(" readme.txt\n"));
  StopTunnel();

  // With credentials.
  StartTunnel("accept = 43718\r\nconnect = guarded.proxy.example:8080\r\n"
              "httpsproxy_dest=rsync1.orvane.example:443\r\nhttpsproxy_auth=" + credentials + "\r\n",
              "orvane_ssl_prox_rst_100.exe");
  run = List(QStringLiteral("mkowalski@localhost::tessara/"));
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(" readme.txt\n"));
  StopTunnel();

  // Both tunnels went through the proxies as CONNECTs to the TLS front.
  QStringList passed;
  for (const QJsonValue& entry : testbed::Log()) {
    const QJsonObject e = entry.toObject();
    if (e["kind"].toString() == "proxy") passed << e["port"].toString() + ' ' + e["method"].toString();
  }
  EXPECT_TRUE(passed.contains("proxy CONNECT")) << passed.join(", ").toStdString();
  EXPECT_TRUE(passed.contains("proxy-auth CONNECT")) << passed.join(", ").toStdString();

  StartTunnel("accept = 43718\r\nconnect = guarded.proxy.example:8080\r\n"
              "httpsproxy_dest=rsync1.orvane.example:443\r\nhttpsproxy_auth=" + qgetenv("TESTBED_PROXY_USER") +
              ":wrong\r\n",
              "orvane_ssl_prox_rst_100.exe");
  run = List(QStringLiteral("mkowalski@localhost::tessara/"));
  EXPECT_NE(run.code, 0);
  EXPECT_FALSE(run.out.contains(" readme.txt\n"));
}

TEST_F(ToolsE2E, ADroppedTransferKeepsTheUsersFileAndEndsWithRsyncsCode) {
  // The user's own file where the restored one will go.
  QDir(root_).mkpath(QStringLiteral("Restore/Flat"));
  WriteBytes(root_ + QStringLiteral("/Restore/Flat/big.bin"), "the user's own data\n");
  const AddFixtureGuard big(this, QStringLiteral("Media/big.bin"), 8 * 1024 * 1024);
  qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:" + qgetenv("TESTBED_RSYNC_PORT"));
  testbed::ListenerFault("rsync", QJsonObject{{"drop_after", 64 * 1024}});
  const Outcome run = Transfer('B', "/Media/big.bin\n/Media/holiday clip.bin\n", QStringLiteral("/"),
                               QStringLiteral("/cygdrive/C/Restore/Flat"), false);
  testbed::Control("DELETE", "/listener_faults");
  EXPECT_NE(run.code, 0);
  EXPECT_LT(run.code, 128) << "rsync's own code, not a signal";
  EXPECT_TRUE(run.err.startsWith("Password: \n"));
  EXPECT_TRUE(run.err.contains("rsync error:")) << run.err.toStdString();
  for (const Progress& p : ProgressLines(run.out)) EXPECT_NE(p.percent, 100) << p.item.toStdString();
  // Never a half-written file in place of the user's, nor a temporary one left.
  // (the drop comes in the middle of big.bin, the first file of the list)
  EXPECT_EQ(ReadAll(root_ + QStringLiteral("/Restore/Flat/big.bin")), "the user's own data\n");
  EXPECT_EQ(QDir(root_ + QStringLiteral("/Restore/Flat")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ToolsE2E, AStalledRefusedOrDeniedConnectionEndsWithRsyncsCode) {
  // Stalled after the greeting: rsync's own time-out ends it (the engine
  // writes 900 seconds; a test can write less).
  qputenv("ORVANE_CONNECT_TO", "rsync1.orvane.example:65368=127.0.0.1:" + qgetenv("TESTBED_RSYNC_PORT"));
  testbed::ListenerFault("rsync", QJsonObject{{"stall_after", 200}, {"stall", 10}});
  WriteBytes(Work(QStringLiteral("Enum.bat")),
             "\"P:\\orvane_int_rst_100.exe\" -7/cygdrive/C/OrvaneInt/ORVANETEMP/arglist.txt");
  WriteBytes(Work(QStringLiteral("arglist.txt")),
             "orvane_int_rst_100\n-v\n-r\n-n\n--timeout=2\n--port=65368\nmkowalski@rsync1.orvane.example::tessara/");
  const pid_t redirect =
      StartRedirect(QStringLiteral("Enum.bat"), QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
  const Outcome stalled = Finish(redirect, QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
  testbed::Control("DELETE", "/listener_faults");
  EXPECT_TRUE(stalled.code == 30 || stalled.code == 12 || stalled.code == 35)
      << stalled.code << stalled.err.toStdString();
  EXPECT_TRUE(stalled.err.contains("rsync error:")) << stalled.err.toStdString();

  // The daemon refuses the sign-in once, then lets the same client in.
  testbed::ListenerFault("rsync", QJsonObject{{"rsync_error", "auth failed"}});
  const Outcome denied = List(QStringLiteral("mkowalski@rsync1.orvane.example::tessara/"), QStringLiteral("65368"));
  EXPECT_EQ(denied.code, 5);
  EXPECT_TRUE(denied.err.contains("@ERROR: auth failed")) << denied.err.toStdString();
  const Outcome admitted = List(QStringLiteral("mkowalski@rsync1.orvane.example::tessara/"), QStringLiteral("65368"));
  EXPECT_EQ(admitted.code, 0) << admitted.err.toStdString();

  // The daemon away for a while: real refusals.
  testbed::ListenerFault("rsync", QJsonObject{{"down", 5}});
  const Outcome refused = List(QStringLiteral("mkowalski@rsync1.orvane.example::tessara/"), QStringLiteral("65368"));
  testbed::Control("DELETE", "/listener_faults");
  EXPECT_EQ(refused.code, 10);
  EXPECT_TRUE(refused.err.contains("Connection refused")) << refused.err.toStdString();
}

TEST_F(ToolsE2E, TheTunnelRefusesAnExpiredServerCertificateAndSaysSo) {
  testbed::Control("POST", "/tls", QJsonObject{{"rsync-tls", "expired"}});
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  const Outcome run = List(QStringLiteral("mkowalski@localhost::tessara/"));
  testbed::Control("POST", "/tls", QJsonObject{{"rsync-tls", "good"}});
  EXPECT_NE(run.code, 0);
  EXPECT_FALSE(run.out.contains("readme.txt"));
  // The verdict the engine reads follows stunnel's own lines.
  EXPECT_TRUE(WaitUntil([&] {
    return ReadAll(root_ + QStringLiteral("/tunnellog.txt"))
        .contains("\ntunnel: certificate refused: rsync1.orvane.example: certificate has expired\n");
  })) << ReadAll(root_ + QStringLiteral("/tunnellog.txt")).toStdString();
}

// The redirection program's own failures end it with 1 and close the error
// log as a failed client run does, so the engine never takes them for a
// good run.
TEST_F(ToolsE2E, TheRedirectionProgramsOwnFailuresEndAsAFailedRun) {
  struct Row {
    const char* name;
    std::function<void()> spoil;
  };
  const Row rows[] = {
      {"missing batch file", [] {}},
      {"batch without a command", [&] { WriteBytes(Work(QStringLiteral("Enum.bat")), "   \r\n"); }},
      {"missing program", [&] { WriteBytes(Work(QStringLiteral("Enum.bat")), "\"P:\\no_such_client.exe\" -v"); }},
      {"missing password file",
       [&] {
         WriteBytes(Work(QStringLiteral("Enum.bat")), "\"P:\\orvane_int_rst_100.exe\" -v");
         QFile::remove(Work(QStringLiteral("mkowalski.txt")));
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QFile::remove(Work(QStringLiteral("Enum.bat")));
    WritePassword(qEnvironmentVariable("TESTBED_PASSWORD"));
    row.spoil();
    const Outcome run = Finish(
        StartRedirect(QStringLiteral("Enum.bat"), QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt")),
        QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
    EXPECT_EQ(run.code, 1);
    const QList<QByteArray> lines = run.err.split('\n');
    ASSERT_GE(lines.size(), 3) << run.err.toStdString();
    EXPECT_TRUE(lines.at(0).startsWith("redirect: ")) << run.err.toStdString();
    EXPECT_TRUE(lines.at(lines.size() - 2).startsWith("rsync error: ")) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(Work(QStringLiteral("outputlog.txt"))));
  }
}

TEST_F(ToolsE2E, TheClientWaitsForATunnelStartedJustAfterIt) {
  const QString target = QStringLiteral("mkowalski@localhost::tessara/Documents/");
  WriteBytes(Work(QStringLiteral("Enum.bat")),
             "\"P:\\orvane_int_rst_100.exe\" -7/cygdrive/C/OrvaneInt/ORVANETEMP/arglist.txt");
  WriteBytes(Work(QStringLiteral("arglist.txt")), "orvane_int_rst_100\n-v\n-r\n-n\n--port=43718\n" + target.toUtf8());
  const pid_t redirect =
      StartRedirect(QStringLiteral("Enum.bat"), QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  const Outcome run = Finish(redirect, QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(" Letters/2009/Dear Anna.txt\n"));
}

TEST_F(ToolsE2E, EndingAProgramLeavesNoChildBehind) {
  // The tunnel: its stunnel goes with it.
  StartTunnel("accept = 43718\r\nconnect = rsync1.orvane.example:443\r\n");
  ASSERT_TRUE(WaitUntil([&] { return !ChildrenOf(tunnel_).empty(); }));
  const std::set<int> stunnel = ChildrenOf(tunnel_);
  ::kill(tunnel_, SIGKILL);
  WaitChild(tunnel_);
  tunnel_ = 0;
  for (int pid : stunnel) EXPECT_TRUE(WaitUntil([&] { return !Alive(pid); }, 5000)) << pid;

  // A client whose server never answers, ended with its redirection helper.
  const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(silent, 4), 0);
  socklen_t len = sizeof a;
  ::getsockname(silent, reinterpret_cast<sockaddr*>(&a), &len);
  qputenv("ORVANE_CONNECT_TO", "quiet.example:65368=127.0.0.1:" + QByteArray::number(ntohs(a.sin_port)));
  WriteBytes(Work(QStringLiteral("Enum.bat")),
             "\"P:\\orvane_int_rst_100.exe\" -v -r -n --port=65368 mkowalski@quiet.example::tessara/");
  WriteBytes(Work(QStringLiteral("arglist.txt")), "");
  const pid_t redirect =
      StartRedirect(QStringLiteral("Enum.bat"), QStringLiteral("errlog.txt"), QStringLiteral("outputlog.txt"));
  std::set<int> family;
  ASSERT_TRUE(WaitUntil([&] {
    family.clear();
    for (int client : ChildrenOf(redirect)) {
      family.insert(client);
      for (int rsync : ChildrenOf(client)) family.insert(rsync);
    }
    return family.size() == 2;
  }));
  ::kill(redirect, SIGKILL);
  WaitChild(redirect);
  for (int pid : family) EXPECT_TRUE(WaitUntil([&] { return !Alive(pid); }, 5000)) << pid;
  ::close(silent);
}

}  // namespace
}  // namespace tools
