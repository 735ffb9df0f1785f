#include "platform/ini/PrivateProfile.h"

#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QThread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

using win::GetPrivateProfileString;
using win::ProfileLastError;
using win::WritePrivateProfileSection;
using win::WritePrivateProfileString;

QByteArray Utf16Le(const QString& s) {
  QByteArray out("\xFF\xFE", 2);
  for (QChar c : s) {
    out.append(static_cast<char>(c.unicode() & 0xFF));
    out.append(static_cast<char>(c.unicode() >> 8));
  }
  return out;
}

class PrivateProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/c/prog"));
    win::DriveTable table;
    table.Map(u'C', tmp_.path() + "/c");
    guard_.emplace(table);
  }

  QString Host(const QString& name) const { return tmp_.path() + "/c/prog/" + name; }

  void Put(const QString& name, const QByteArray& bytes) const {
    QFile f(Host(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  QByteArray Bytes(const QString& name) const {
    QFile f(Host(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  static QString Win(const QString& name) { return "C:\\prog\\" + name; }

  QTemporaryDir tmp_;
  std::optional<win::ScopedDriveTable> guard_;
};

TEST_F(PrivateProfileTest, ReadsKeysTheWayTheSystemParsesThem) {
  Put("orvane.ini",
      "; settings of the restore program\r\n"
      "Stray=before any section\r\n"
      "[Orvane]\r\n"
      "UserName = bob  \r\n"
      "Quoted=\"  padded  \"\r\n"
      "Single='x'\r\n"
      "Mismatch=\"abc'\r\n"
      "Empty=\r\n"
      " \tTabbed\t=\tval\t\r\n"
      "Dup=first\r\n"
      "dup=second\r\n"
      ";Hidden=no\r\n"
      "Path=C:\\a;b # not a comment\r\n"
      "NoEquals\r\n"
      "  [ DateFormat ]  trailing text\n"  // LF alone ends a line too
      "DateFormat=dd/MM/yyyy\n"
      "[dateformat]\n"
      "DateFormat=second\n"
      "Other=only in the duplicate\n"
      "[Proxy]\n"
      "ProxyName=proxy.example");  // no line end at the end of the file
  struct Row {
    const char* section;
    const char* key;
    const char* def;
    int size;
    QString value;
    win::DWORD error;
  };
  const Row rows[] = {
      {"Orvane", "UserName", "", 256, "bob", 0},
      {"ORVANE", "username", "", 256, "bob", 0},
      {" Orvane ", " UserName ", "", 256, "bob", 0},  // blanks around arguments are dropped
      {"Orvane", "Quoted", "", 256, "  padded  ", 0},
      {"Orvane", "Single", "", 256, "x", 0},
      {"Orvane", "Mismatch", "", 256, "\"abc'", 0},
      {"Orvane", "Empty", "dflt", 256, "", 0},  // present but empty: not the default
      {"Orvane", "Tabbed", "", 256, "val", 0},
      {"Orvane", "DUP", "", 256, "first", 0},
      {"Orvane", ";Hidden", "dflt", 256, "dflt", 2},
      {"Orvane", "Path", "", 256, "C:\\a;b # not a comment", 0},
      {"Orvane", "NoEquals", "dflt", 256, "dflt", 2},
      {"Orvane", "Stray", "dflt", 256, "dflt", 2},
      {"DATEFORMAT", "dateformat", "", 256, "dd/MM/yyyy", 0},  // the first of the two sections
      {"DateFormat", "Other", "dflt", 256, "dflt", 2},         // ... and only the first
      {"Proxy", "ProxyName", "", 256, "proxy.example", 0},
      {"Proxy", "ProxyName", "", 6, "proxy", 234},
      {"Proxy", "ProxyName", "", 1, "", 234},
      {"Missing", "UserName", "def  ", 256, "def", 2},  // trailing blanks of the default go
      {"Orvane", "Missing", "  def", 256, "  def", 2},
      {"Orvane", "Missing", "default", 4, "def", 234},
  };
  for (const Row& r : rows) {
    const auto got =
        GetPrivateProfileString(QString(r.section), QString(r.key), QString(r.def), r.size, Win("orvane.ini"));
    EXPECT_EQ(got.value, r.value) << r.section << "/" << r.key << " size " << r.size;
    EXPECT_EQ(got.length, got.value.size()) << r.key;
    EXPECT_EQ(ProfileLastError(), r.error) << r.section << "/" << r.key << " size " << r.size;
  }

  const auto nullDefault =
      GetPrivateProfileString(QString("Orvane"), QString("Missing"), std::nullopt, 256, Win("orvane.ini"));
  EXPECT_EQ(nullDefault.value, "");
}

// Reads keep the file parsed; every way another program can change it makes
// the next read read it afresh, however soon and whatever the size.
TEST_F(PrivateProfileTest, AFileChangedByAnotherProgramIsReadAfresh) {
  auto read = [&] {
    return GetPrivateProfileString(QString("S"), QString("k"), QString(), 256, Win("other.ini")).value;
  };
  struct Change {
    const char* name;
    std::function<void(const QByteArray&)> write;
  };
  const Change changes[] = {
      {"rewritten in place", [&](const QByteArray& bytes) { Put("other.ini", bytes); }},
      {"replaced through a rename",
       [&](const QByteArray& bytes) {
         Put("other.tmp", bytes);
         ASSERT_EQ(::rename(QFile::encodeName(Host("other.tmp")).constData(),
                            QFile::encodeName(Host("other.ini")).constData()),
                   0);
       }},
      {"rewritten with its old modification time",
       [&](const QByteArray& bytes) {
         struct stat before {};
         ASSERT_EQ(::stat(QFile::encodeName(Host("other.ini")).constData(), &before), 0);
         Put("other.ini", bytes);
         const timespec times[2] = {before.st_atim, before.st_mtim};
         ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(Host("other.ini")).constData(), times, 0), 0);
       }},
  };
  int value = 0;
  for (const Change& change : changes) {
    for (const bool settled : {false, true}) {
      Put("other.ini", "[S]\r\nk=" + QByteArray::number(++value) + "\r\n");
      // Settled: read once the file's time has passed, so that it is kept.
      if (settled) QThread::msleep(30);
      EXPECT_EQ(read(), QString::number(value)) << change.name;
      EXPECT_EQ(read(), QString::number(value)) << change.name;
      change.write("[S]\r\nk=" + QByteArray::number(++value) + "\r\n");
      EXPECT_EQ(read(), QString::number(value)) << change.name << (settled ? " (settled)" : "");
    }
  }
  // Gone, and back.
  ASSERT_TRUE(QFile::remove(Host("other.ini")));
  EXPECT_EQ(read(), "");
  EXPECT_EQ(ProfileLastError(), 2u);
  Put("other.ini", "[S]\r\nk=back\r\n");
  EXPECT_EQ(read(), "back");
  // Written here, then at once by another program.
  ASSERT_TRUE(WritePrivateProfileString("S", QString("k"), QString("10"), Win("other.ini")));
  EXPECT_EQ(read(), "10");
  Put("other.ini", "[S]\r\nk=11\r\n");
  EXPECT_EQ(read(), "11");
}

// Names are found ignoring case as the comparison of texts ignores it,
// beyond ASCII too; the first of equal names still wins.
TEST_F(PrivateProfileTest, NamesMatchIgnoringCaseInEveryScript) {
  // Written as UTF-16 so that every character survives.
  Put("names.ini", Utf16Le(QString::fromUtf8("[\u01C4x]\r\n\u03A3=sigma\r\n\U00010400=deseret\r\nStra\u00DFe=street\r\n"
                                             "[\u01C6X]\r\n\u03C2=second\r\n")));
  struct Row {
    QString section;
    QString key;
    QString value;
  };
  const Row rows[] = {
      {QString::fromUtf8("\u01C6X"), QString::fromUtf8("\u03C3"), "sigma"},
      {QString::fromUtf8("\u01C5x"), QString::fromUtf8("\u03C2"), "sigma"},
      {QString::fromUtf8("\u01C4X"), QString::fromUtf8("\U00010428"), "deseret"},
      {QString::fromUtf8("\u01C4X"), QString::fromUtf8("STRASSE"), ""},
      {QString::fromUtf8("\u01C4X"), QString::fromUtf8("STRA\u00DFE"), "street"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(GetPrivateProfileString(r.section, r.key, QString(), 256, Win("names.ini")).value, r.value)
        << r.key.toStdString();
  }
}

TEST_F(PrivateProfileTest, LongValueIsCutToTheBuffer) {
  const QString value = QString(300, u'v').replace(0, 3, "abc");
  ASSERT_TRUE(WritePrivateProfileString("Orvane", QString("TempFolder"), value, Win("orvane.ini")));
  const auto got = GetPrivateProfileString(QString("Orvane"), QString("TempFolder"), QString(), 256, Win("orvane.ini"));
  EXPECT_EQ(got.length, 255);
  EXPECT_EQ(got.value, value.left(255));
  EXPECT_EQ(ProfileLastError(), win::ERROR_MORE_DATA);
  const auto whole =
      GetPrivateProfileString(QString("Orvane"), QString("TempFolder"), QString(), 301, Win("orvane.ini"));
  EXPECT_EQ(whole.value, value);
  EXPECT_EQ(ProfileLastError(), 0u);
}

TEST_F(PrivateProfileTest, MissingFileGivesTheDefault) {
  const auto got =
      GetPrivateProfileString(QString("Orvane"), QString("Type"), QString("none "), 256, Win("OrvaneDetails.ini"));
  EXPECT_EQ(got.value, "none");
  EXPECT_EQ(got.length, 4);
  EXPECT_EQ(ProfileLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetPrivateProfileString(QString("Orvane"), QString("Type"), QString(), 256, "Q:\\nowhere.ini").value, "");
  EXPECT_FALSE(QFileInfo::exists(Host("OrvaneDetails.ini"))) << "a read creates nothing";
}

TEST_F(PrivateProfileTest, NullSectionAndKeyListNames) {
  Put("list.ini", "[One]\r\na=1\r\n;c=0\r\nb=2\r\n[Two]\r\n[one]\r\nz=9\r\n");
  const QString nul(QChar(0));
  EXPECT_EQ(GetPrivateProfileString(std::nullopt, std::nullopt, QString(), 256, Win("list.ini")).value,
            "One" + nul + "Two" + nul + "one" + nul);
  const auto keys = GetPrivateProfileString(QString("ONE"), std::nullopt, QString(), 256, Win("list.ini"));
  EXPECT_EQ(keys.value, "a" + nul + "b" + nul);
  EXPECT_EQ(keys.length, 4);
  const auto cut = GetPrivateProfileString(std::nullopt, std::nullopt, QString(), 6, Win("list.ini"));
  EXPECT_EQ(cut.length, 4) << "a list that does not fit answers size - 2";
  EXPECT_EQ(ProfileLastError(), win::ERROR_MORE_DATA);
}

TEST_F(PrivateProfileTest, WritesKeepEveryOtherLineByteForByte) {
  const QByteArray before =
      "; written by hand\n"
      "[Orvane]\n"
      "UserName = bob\n"
      "  ; keep me\t\n"
      "SSLKey=1\n"
      "\n"
      "[Proxy]\r\n"
      "ProxyName=p\r\n"
      "[DateFormat]\r\n"
      "DateFormat=dd/MM/yyyy";
  Put("orvane.ini", before);
  // Replaced in place with the stored spelling, a new key after the section's
  // last line (before the blank separator), a new section at the end.
  ASSERT_TRUE(WritePrivateProfileString("orvane", QString("USERNAME"), QString("alice"), Win("orvane.ini")));
  ASSERT_TRUE(WritePrivateProfileString("Orvane", QString("TempFolder"), QString("C:\\tmp"), Win("orvane.ini")));
  ASSERT_TRUE(WritePrivateProfileString("AutoPause", QString("BackupIdleState"), QString("0"), Win("orvane.ini")));
  ASSERT_TRUE(WritePrivateProfileString("DateFormat", QString("Extra"), QString(""), Win("orvane.ini")));
  EXPECT_EQ(Bytes("orvane.ini"),
            "; written by hand\n"
            "[Orvane]\n"
            "UserName=alice\r\n"
            "  ; keep me\t\n"
            "SSLKey=1\n"
            "TempFolder=C:\\tmp\r\n"
            "\n"
            "[Proxy]\r\n"
            "ProxyName=p\r\n"
            "[DateFormat]\r\n"
            "DateFormat=dd/MM/yyyy\r\n"
            "Extra=\r\n"
            "[AutoPause]\r\n"
            "BackupIdleState=0\r\n");
  EXPECT_EQ(ProfileLastError(), 0u);
}

TEST_F(PrivateProfileTest, NewFileIsAnsiAndRoundTripsItsCharacters) {
  ASSERT_TRUE(
      WritePrivateProfileString(" Orvane ", QString(" UserName "), QString("Caf\u00e9 \u20ac \u4e2d"), Win("new.ini")));
  EXPECT_EQ(Bytes("new.ini"), QByteArray("[Orvane]\r\nUserName=Caf\xE9 \x80 ?\r\n"))
      << "Windows-1252, unmappable characters as '?'";
  EXPECT_EQ(GetPrivateProfileString(QString("Orvane"), QString("UserName"), QString(), 256, Win("new.ini")).value,
            "Caf\u00e9 \u20ac ?");
}

TEST_F(PrivateProfileTest, Utf16FileStaysUtf16) {
  Put("wide.ini", Utf16Le("[Orvane]\r\nName=\u4e2d\u6587\r\n"));
  EXPECT_EQ(GetPrivateProfileString(QString("Orvane"), QString("name"), QString(), 256, Win("wide.ini")).value,
            "\u4e2d\u6587");
  ASSERT_TRUE(WritePrivateProfileString("Orvane", QString("Other"), QString("\u00e9\u4e2d"), Win("wide.ini")));
  EXPECT_EQ(Bytes("wide.ini"), Utf16Le("[Orvane]\r\nName=\u4e2d\u6587\r\nOther=\u00e9\u4e2d\r\n"));
}

TEST_F(PrivateProfileTest, NullValueDeletesTheKeyAndNullKeyTheSection) {
  Put("del.ini", "[A]\r\nk1=1\r\nk2=2\r\n[B]\r\n; about B\r\nx=1\r\n\r\ny=2\r\n[C]\r\nz=3\r\n");
  ASSERT_TRUE(WritePrivateProfileString("a", QString("K1"), std::nullopt, Win("del.ini")));
  ASSERT_TRUE(WritePrivateProfileString("b", std::nullopt, std::nullopt, Win("del.ini")));
  EXPECT_EQ(Bytes("del.ini"), "[A]\r\nk2=2\r\n; about B\r\n[C]\r\nz=3\r\n") << "the comment stays";
  EXPECT_EQ(GetPrivateProfileString(QString("B"), QString("y"), QString("gone"), 256, Win("del.ini")).value, "gone");

  const QByteArray now = Bytes("del.ini");
  EXPECT_TRUE(WritePrivateProfileString("A", QString("missing"), std::nullopt, Win("del.ini")));
  EXPECT_TRUE(WritePrivateProfileString("Missing", std::nullopt, std::nullopt, Win("del.ini")));
  EXPECT_EQ(Bytes("del.ini"), now);
  EXPECT_TRUE(WritePrivateProfileString("A", QString("k"), std::nullopt, Win("absent.ini")));
  EXPECT_FALSE(QFileInfo::exists(Host("absent.ini"))) << "deleting from a missing file creates none";
}

TEST_F(PrivateProfileTest, DeletingALongSectionKeepsItsCommentsInOrder) {
  // 80 000 lines in one section, every hundredth a comment.
  QByteArray text = "[Big]\r\n";
  QByteArray comments;
  for (int i = 0; i < 80000; ++i) {
    const QByteArray line = i % 100 == 0 ? "; note " + QByteArray::number(i) : "k" + QByteArray::number(i) + "=v";
    text += line + "\r\n";
    if (i % 100 == 0) comments += line + "\r\n";
  }
  Put("big.ini", "[Before]\r\na=1\r\n" + text + "[After]\r\nb=2\r\n");
  ASSERT_TRUE(WritePrivateProfileString("big", std::nullopt, std::nullopt, Win("big.ini")));
  EXPECT_EQ(Bytes("big.ini"), "[Before]\r\na=1\r\n" + comments + "[After]\r\nb=2\r\n");
}

TEST_F(PrivateProfileTest, MissingFolderFailsWithoutCreatingIt) {
  EXPECT_FALSE(WritePrivateProfileString("Orvane", QString("k"), QString("v"), "C:\\prog\\bob\\orvaneserver.ini"));
  EXPECT_EQ(ProfileLastError(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(QFileInfo::exists(tmp_.path() + "/c/prog/bob"));
  EXPECT_FALSE(WritePrivateProfileSection("ZQWIN", QString("a=1"), "Q:\\prog\\x.conf"));
  EXPECT_EQ(ProfileLastError(), win::ERROR_PATH_NOT_FOUND);
}

TEST_F(PrivateProfileTest, TextThatWouldBreakTheFileIsRefused) {
  Put("orvane.ini", "[Orvane]\r\nUserName=bob\r\n");
  struct Row {
    QString section;
    QString key;
    QString value;
  };
  const Row rows[] = {
      {"Orvane", "UserName", "eve\r\nSSLKey=0"},
      {"Orvane", "UserName", "eve\n[Proxy]"},
      {"Orvane", "a=b", "v"},
      {"Orvane", ";x", "v"},
      {"Orvane", "[x]", "v"},
      {"Orvane", "  ", "v"},
      {"Or]vane", "k", "v"},
      {"", "k", "v"},
      // The file drops surrounding tabs from the names it reads: each write
      // would add a section or key that is never found.
      {QString::fromUtf8("\x02\t"), "k", "v"},
      {"\tOrvane", "k", "v"},
      {"Orvane", "\tUserName", "v"},
      {"Orvane", "UserName\t", "v"},
  };
  for (const Row& r : rows) {
    EXPECT_FALSE(WritePrivateProfileString(r.section, r.key, r.value, Win("orvane.ini"))) << r.key.toStdString();
    EXPECT_EQ(ProfileLastError(), win::ERROR_INVALID_PARAMETER) << r.key.toStdString();
  }
  EXPECT_FALSE(WritePrivateProfileSection("ZQWIN", QString("a=1\r\n[Other]"), Win("orvane.ini")));
  EXPECT_EQ(Bytes("orvane.ini"), "[Orvane]\r\nUserName=bob\r\n");

  // As the system receives C strings, text after a NUL never arrives.
  ASSERT_TRUE(
      WritePrivateProfileString("Orvane", QString("UserName"), QString("eve") + QChar(0) + "junk", Win("orvane.ini")));
  EXPECT_EQ(Bytes("orvane.ini"), "[Orvane]\r\nUserName=eve\r\n");
}

TEST_F(PrivateProfileTest, SectionWriteTakesBothDataForms) {
  Put("SSLInteractive.conf", "; tunnel\r\n[ZQWIN]\r\naccept = 1\r\nold=1\r\n\r\n[Keep]\r\nk=v\r\n");
  // The legacy single string: lines joined by CR LF, no line end after the last.
  ASSERT_TRUE(WritePrivateProfileSection("zqwin",
                                         QString("accept = 43718\r\nconnect =proxy:8080\r\nhttpsproxy_dest=host:443"),
                                         Win("SSLInteractive.conf")));
  EXPECT_EQ(Bytes("SSLInteractive.conf"),
            "; tunnel\r\n[ZQWIN]\r\naccept = 43718\r\nconnect =proxy:8080\r\nhttpsproxy_dest=host:443\r\n\r\n"
            "[Keep]\r\nk=v\r\n");
  EXPECT_EQ(
      GetPrivateProfileString(QString("ZQWIN"), QString("connect"), QString(), 256, Win("SSLInteractive.conf")).value,
      "proxy:8080");

  // The system's form: NUL-ended entries, an extra NUL ends the run.
  const QChar nul(0);
  ASSERT_TRUE(WritePrivateProfileSection(
      "ZQWIN", QString("accept = 43718") + nul + "connect = h:443" + nul + nul + "ignored=1" + nul,
      Win("SSLInteractive.conf")));
  EXPECT_EQ(Bytes("SSLInteractive.conf"),
            "; tunnel\r\n[ZQWIN]\r\naccept = 43718\r\nconnect = h:443\r\n\r\n[Keep]\r\nk=v\r\n");

  // A missing file and section are created.
  ASSERT_TRUE(WritePrivateProfileSection("ZQWIN", QString("accept = 43718\r\nconnect = h:443"), Win("new.conf")));
  EXPECT_EQ(Bytes("new.conf"), "[ZQWIN]\r\naccept = 43718\r\nconnect = h:443\r\n");
}

TEST_F(PrivateProfileTest, WritersInTwoProcessesLoseNothing) {
  auto writeKeys = [](const char* prefix) {
    for (int i = 0; i < 30; ++i)
      if (!WritePrivateProfileString("Orvane", prefix + QString::number(i), QString::number(i), Win("orvane.ini")))
        return false;
    return true;
  };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(writeKeys("child") ? 0 : 1);
  EXPECT_TRUE(writeKeys("parent"));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (const char* prefix : {"child", "parent"}) {
    for (int i = 0; i < 30; ++i) {
      EXPECT_EQ(
          GetPrivateProfileString(QString("Orvane"), prefix + QString::number(i), QString(), 256, Win("orvane.ini"))
              .value,
          QString::number(i))
          << prefix << i;
    }
  }
}

TEST_F(PrivateProfileTest, UnwritableFileFailsAndStaysIntact) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores file modes";
  Put("orvane.ini", "[Orvane]\r\nk=1\r\n");
  ASSERT_TRUE(QFile::setPermissions(tmp_.path() + "/c/prog", QFile::ReadOwner | QFile::ExeOwner));
  EXPECT_FALSE(WritePrivateProfileString("Orvane", QString("k"), QString("2"), Win("orvane.ini")));
  EXPECT_EQ(ProfileLastError(), win::ERROR_ACCESS_DENIED);
  QFile::setPermissions(tmp_.path() + "/c/prog", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(Bytes("orvane.ini"), "[Orvane]\r\nk=1\r\n");
}

}  // namespace
