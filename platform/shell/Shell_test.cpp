#include "platform/shell/FileVersion.h"
#include "platform/shell/Shell.h"

#include "platform/paths/WinPath.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Action = win::ShellRequest::Action;

// Drive C: is a temporary folder holding a few documents, a program and a
// help folder; the launcher records what would have been started.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    QDir(root_.path()).mkpath("Logs");
    QDir(root_.path()).mkpath("Prog");
    QDir(root_.path()).mkpath("Prog/OrvaneMacHelp/Guide");
    Touch("Logs/Session.log");
    Touch("Prog/helper.exe");
    QFile::setPermissions(Host("Prog/helper.exe"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Touch("Prog/broken.exe");
    Touch("Prog/OrvaneMacHelp/index.htm");
    Touch("Prog/OrvaneMacHelp/Guide/Proxy_Settings.htm");
    Touch("secret.htm");

    win::DriveTable table;
    table.Map('C', root_.path());
    drives_.emplace(table);
    ASSERT_TRUE(win::ChDir(QStringLiteral("C:\\Prog")));
  }

  void Touch(const QString& rel) {
    QFile f(Host(rel));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QString Host(const QString& rel) const { return QDir(root_.path()).filePath(rel); }

  QTemporaryDir root_;
  std::optional<win::ScopedDriveTable> drives_;
  std::vector<win::ShellRequest> requests_;
  long answer_ = win::SHELL_EXECUTE_OK;
  win::ScopedShellLauncher launcher_{[this](const win::ShellRequest& r) {
    requests_.push_back(r);
    return answer_;
  }};
};

TEST_F(ShellTest, OpenDecidesWhatToOpenAndChecksThePathFirst) {
  struct Row {
    const char* verb;
    const char* file;
    long code;
    std::optional<Action> action;
    QString target;  // host path relative to C:, or an address
  };
  const Row rows[] = {
      {"open", "C:\\Logs\\Session.log", 42, Action::OpenDocument, "Logs/Session.log"},
      {"", "c:\\LOGS\\session.LOG", 42, Action::OpenDocument, "Logs/Session.log"},
      {"OPEN", "..\\Logs\\Session.log", 42, Action::OpenDocument, "Logs/Session.log"},
      {"open", "C:\\Logs", 42, Action::OpenFolder, "Logs"},
      {"Find", "c:", 42, Action::OpenFolder, ""},
      {"open", "https://example.com/a?b=1", 42, Action::OpenAddress, "https://example.com/a?b=1"},
      {"", "www.example.com", 42, Action::OpenAddress, "http://www.example.com"},
      {"open", "mailto:help@example.com", 42, Action::OpenAddress, "mailto:help@example.com"},
      {"open", "C:\\Logs\\Missing.log", 2, std::nullopt, ""},
      {"open", "C:\\NoFolder\\Missing.log", 3, std::nullopt, ""},
      {"open", "Q:\\Session.log", 3, std::nullopt, ""},
      {"open", "", 2, std::nullopt, ""},
      {"print", "C:\\Logs\\Session.log", 31, std::nullopt, ""},
      {"find", "C:\\Logs\\Session.log", 31, std::nullopt, ""},
      {"edit", "https://example.com", 31, std::nullopt, ""},
  };
  for (const Row& row : rows) {
    requests_.clear();
    EXPECT_EQ(win::ShellExecute(row.verb, row.file), row.code) << row.file;
    if (!row.action) {
      EXPECT_TRUE(requests_.empty()) << row.file;
      continue;
    }
    ASSERT_EQ(requests_.size(), 1u) << row.file;
    EXPECT_EQ(requests_[0].action, *row.action) << row.file;
    const QString expected = *row.action == Action::OpenAddress ? row.target : QDir::cleanPath(Host(row.target));
    EXPECT_EQ(requests_[0].target, expected) << row.file;
  }
}

TEST_F(ShellTest, NoAssociationIsPassedBackAndTheOpenWithFallbackFindsTheDocument) {
  answer_ = win::SE_ERR_NOASSOC;
  EXPECT_EQ(win::ShellExecute("open", "C:\\Logs\\Session.log"), win::SE_ERR_NOASSOC);

  answer_ = win::SHELL_EXECUTE_OK;
  requests_.clear();
  EXPECT_EQ(win::ShellExecute("", "RUNDLL32.EXE", "shell32.dll,OpenAs_RunDLL C:\\Logs\\Session.log"), 42);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].action, Action::OpenWith);
  EXPECT_EQ(requests_[0].target, Host("Logs/Session.log"));

  requests_.clear();
  EXPECT_EQ(win::ShellExecute("", "rundll32.exe", "shell32.dll,OpenAs_RunDLL C:\\Logs\\Gone.log"), 2);
  EXPECT_EQ(win::ShellExecute("", "RUNDLL32.EXE", "user32.dll,LockWorkStation"), 31);
  EXPECT_TRUE(requests_.empty());
}

TEST_F(ShellTest, ProgramsStartWithTheirArgumentsOnlyWhenRunnable) {
  EXPECT_EQ(win::ShellExecute("open", "helper.exe", "-a \"b c\" d\\\"e", "", win::SW_HIDE), 42);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].action, Action::StartProgram);
  EXPECT_EQ(requests_[0].target, Host("Prog/helper.exe"));
  EXPECT_EQ(requests_[0].arguments, (QStringList{"-a", "b c", "d\"e"}));
  EXPECT_EQ(requests_[0].workingFolder, Host("Prog"));
  EXPECT_EQ(requests_[0].showCommand, win::SW_HIDE);

  requests_.clear();
  EXPECT_EQ(win::ShellExecute("open", "C:\\Prog\\helper.exe", "", "C:\\Logs"), 42);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].workingFolder, Host("Logs"));

  requests_.clear();
  EXPECT_EQ(win::ShellExecute("open", "broken.exe"), win::ERROR_BAD_FORMAT);
  EXPECT_TRUE(requests_.empty());
}

TEST_F(ShellTest, HelpTopicsOpenPagesOfTheHelpFolder) {
  const QString help = Host("Prog/OrvaneMacHelp");
  const struct {
    const char* topic;
    QString page;
  } rows[] = {
      {"OrvaneMacHelp.chm::/Guide/Proxy_Settings.htm", help + "/Guide/Proxy_Settings.htm"},
      {"orvanemachelp.CHM::/guide/proxy_settings.htm#top", help + "/Guide/Proxy_Settings.htm"},
      {"OrvaneMacHelp.chm", help + "/index.htm"},
      {"OrvaneMacHelp.chm::/Guide/Missing.htm", help + "/index.htm"},
      {"OrvaneMacHelp.chm::/../../secret.htm", help + "/index.htm"},
      {"C:\\Prog\\OrvaneMacHelp.chm::/Guide/Proxy_Settings.htm", help + "/Guide/Proxy_Settings.htm"},
  };
  for (const auto& row : rows) {
    requests_.clear();
    EXPECT_EQ(win::ShowHelpTopic(row.topic), 42) << row.topic;
    ASSERT_EQ(requests_.size(), 1u) << row.topic;
    EXPECT_EQ(requests_[0].action, Action::OpenDocument);
    EXPECT_EQ(requests_[0].target, row.page) << row.topic;
  }

  // The help menu opens the bare help file with ShellExecute; the folder
  // serves it whether or not a .chm file lies beside it.
  for (bool withChm : {false, true}) {
    if (withChm) Touch("Prog/OrvaneMacHelp.chm");
    requests_.clear();
    EXPECT_EQ(win::ShellExecute("open", "OrvaneMacHelp.chm"), 42);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].target, help + "/index.htm");
  }
  EXPECT_EQ(win::ShellExecute("open", "C:\\Nowhere\\Help.chm"), 3);

  requests_.clear();
  EXPECT_EQ(win::ShowHelpTopic("Other.chm::/x.htm"), 2);
  Touch("Prog/Other.chm");
  EXPECT_EQ(win::ShowHelpTopic("Other.chm::/x.htm"), 42);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].target, Host("Prog/Other.chm"));
}

// The desktop's opener tells whether it could open the target: a stand-in
// xdg-open on the search path ends with each of the codes it can give.
TEST(DesktopOpener, AFailureOfTheOpenerIsTheAnswer) {
  QTemporaryDir bin;
  ASSERT_TRUE(bin.isValid());
  const QByteArray savedPath = qgetenv("PATH");
  qputenv("PATH", bin.path().toUtf8() + ":" + savedPath);
  struct Row {
    int exitCode;
    long answer;
  };
  for (const Row& row : {Row{0, win::SHELL_EXECUTE_OK}, Row{2, win::SE_ERR_FNF}, Row{3, win::SE_ERR_NOASSOC},
                         Row{4, win::SE_ERR_NOASSOC}, Row{1, win::SE_ERR_ACCESSDENIED}}) {
    SCOPED_TRACE(row.exitCode);
    QFile opener(bin.filePath("xdg-open"));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly | QIODevice::Truncate));
    opener.write(QByteArray("#!/bin/sh\nexit ") + QByteArray::number(row.exitCode) + "\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    win::ShellRequest request;
    request.action = win::ShellRequest::Action::OpenAddress;
    request.target = "https://www.example.com/";
    EXPECT_EQ(win::DefaultShellLauncher(request), row.answer);
  }
  qputenv("PATH", savedPath);
  EXPECT_EQ(win::ShellErrorText(win::SE_ERR_NOASSOC),
            "No application is associated with the specified file for this operation.");
}

TEST(FileVersionInfo, DeliverablesAnswerTheProjectVersionOthersHaveNone) {
  const QString program = win::FileVersionText("OrvaneMacRestore_100.exe");
  EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.0$").match(program).hasMatch()) << program.toStdString();
  EXPECT_EQ(win::FileVersionText("C:\\Program Files\\Orvane\\orvanesrv.DLL"), program);
  // The program's installed link answers as the program.
  EXPECT_EQ(win::FileVersionText("OrvaneRestore_100.exe"), program);
  EXPECT_FALSE(win::GetFileVersionInfo("notepad.exe").has_value());

  win::SetFileVersion("Tool.exe", win::FileVersion{2, 5, 7, 9});
  EXPECT_EQ(win::FileVersionText("tool.EXE"), "2.5.7.9");
  win::SetFileVersion("Tool.exe", std::nullopt);
  EXPECT_EQ(win::FileVersionText("tool.exe"), "N/A");
}

}  // namespace
