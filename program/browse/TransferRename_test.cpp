// The remote rename of the selected item: what the engine is asked, the
// "Enc." rule, the refusals before any request, the failure's message and
// log line, and the tree listed anew.
#include <gtest/gtest.h>

#include "platform/ui/RecordingMessageBox.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/browse/TreeViewControl.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"
#include "program/windows/FrmInputBox.h"

namespace OrvaneMac {
namespace {

using testing::ScopedFakeEngines;

const QString kRoot = QStringLiteral("/users/jdoe/Files/");

QString Entry(int seq, const QString& path, const QString& size = QStringLiteral("0")) {
  return QString::number(seq) + ">12/01/2026 10:00:00>" + size + '>' + path + '>' + path;
}

class RenameTest : public ProgramTest {
 protected:
  void SetUp() override {
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    Program().RemoteRootKey = kRoot;
    engines_.emplace();
    main_.emplace();
    listing_.emplace();
    listing_->folders[kRoot] = {Entry(1, kRoot + "Tax/"), Entry(2, kRoot + "Enc.report.doc", "10"),
                                Entry(3, kRoot + "report.doc", "10")};
    Program().ShortDatePattern = "M/d/yyyy";
    TreeViewControl::Instance().setUpColumns(main_->tree, 280, 150, 270);
    ASSERT_TRUE(TreeViewControl::Instance().PopulateRemoteTreeView("Smart", main_->tree, true, true, false));
    ASSERT_EQ(main_->tree->NodeCount(), 4);
    listing_->asked.clear();
  }
  void TearDown() override {
    testing::CancelPending();
    listing_.reset();
    main_.reset();
    engines_.reset();
    ProgramTest::TearDown();
  }
  void Select(const QString& text) {
    TreeNode root = main_->tree->NodeAt(1);
    if (text == root.Text()) {
      root.SetSelected(true);
      return;
    }
    for (int i = 1; i <= root.ChildCount(); ++i) {
      TreeNode child = root.ChildAt(i);
      if (child.Text() == text) child.SetSelected(true);
    }
    ASSERT_EQ(main_->tree->SelectedItem().Text(), text);
  }
  // Runs the rename with `answer` typed into the entry box (nothing typed:
  // the box is closed).
  void Rename(const QString& answer) {
    testing::WhenShown(FrmInputBox::Instance(), [answer, this] {
      shownText_ = FrmInputBox::Instance().txtbksetname()->text();
      if (answer.isEmpty()) {
        FrmInputBox::Instance().CloseInput();
      } else {
        FrmInputBox::Instance().txtbksetname()->setText(answer);
        FrmInputBox::Instance().AcceptInput();
      }
    });
    gTransfer().Trf_RenameRemote();
  }
  QStringList RenameCalls() { return engines_->Take().filter("Cont_RenameRemItem"); }
  QStringList Log() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines;
    for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts)) {
      lines.append(line.left(12).trimmed() + "|" + line.mid(line.indexOf(" : ", 14) + 3));
    }
    return lines;
  }

  std::optional<ScopedFakeEngines> engines_;
  std::optional<testing::MiniMainWindow> main_;
  std::optional<testing::FakeRemoteListing> listing_;
  win::RecordingMessageBox box_;
  QString shownText_;
};

TEST_F(RenameTest, RenamesThroughTheEngineLogsItAndListsTheTreeAnew) {
  struct Case {
    const char* selected;
    const char* answer;
    const char* call;
    const char* log;
  };
  const Case cases[] = {
      {"Tax", "Taxes", "1:Cont_RenameRemItem(/users/jdoe/Files/Tax,/users/jdoe/Files/Taxes,T)",
       "Success|Renamed  :Tax to Taxes"},
      // An encrypted file keeps its mark.
      {"Enc.report.doc", "summary.doc",
       "1:Cont_RenameRemItem(/users/jdoe/Files/Enc.report.doc,/users/jdoe/Files/Enc.summary.doc,F)",
       "Success|Renamed  :Enc.report.doc to Enc.summary.doc"},
      {"Enc.report.doc", "ENC.x.doc", "1:Cont_RenameRemItem(/users/jdoe/Files/Enc.report.doc,/users/jdoe/Files/ENC.x.doc,F)",
       "Success|Renamed  :Enc.report.doc to ENC.x.doc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    QFile::remove(Host("Prog/OrvaneMac/OrvaneLogFile.txt"));
    Select(QString::fromLatin1(c.selected));
    Rename(QString::fromLatin1(c.answer));
    EXPECT_EQ(shownText_, QString::fromLatin1(c.selected));
    EXPECT_EQ(RenameCalls(), QStringList({QString::fromLatin1(c.call)}));
    EXPECT_EQ(Log(), QStringList({QString::fromLatin1(c.log)}));
    EXPECT_EQ(listing_->asked, QStringList({kRoot}));
    listing_->asked.clear();
    EXPECT_TRUE(box_.Shown().empty());
  }
}

TEST_F(RenameTest, RefusalsBeforeAnyRequestLeaveTheTreeAlone) {
  struct Case {
    const char* selected;  // "" for no selection
    const char* answer;
    const char* message;   // "" for none
    long icon;
  };
  const Case cases[] = {
      {"My Orvane", "x", "Click on the file/folder to be renamed.", win::MB_ICON_ERROR},
      {"report.doc", "enc.report.doc",
       "Can not rename the file to enc.report.doc\r\nReason: Filename beginning with Enc. is not allowed.",
       win::MB_ICON_ERROR},
      {"report.doc", "", "", 0},
      // Last: it empties the tree.
      {"", "x", "Click on the file/folder to be renamed.", win::MB_ICON_INFORMATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.selected) + " -> " + c.answer);
    box_.Clear();
    if (*c.selected) {
      Select(QString::fromLatin1(c.selected));
    } else {
      main_->tree->ClearNodes();
    }
    Rename(QString::fromLatin1(c.answer));
    testing::CancelPending();
    EXPECT_TRUE(RenameCalls().isEmpty());
    EXPECT_TRUE(listing_->asked.isEmpty());
    if (*c.message) {
      ASSERT_EQ(box_.Shown().size(), 1u);
      EXPECT_EQ(box_.Shown()[0].text, QString::fromLatin1(c.message));
      EXPECT_EQ(box_.Shown()[0].icon, c.icon);
    } else {
      EXPECT_TRUE(box_.Shown().empty());
    }
  }
}

TEST_F(RenameTest, AnInvalidNameShowsTheValidationMessageOnly) {
  Select("report.doc");
  Rename("a:b.doc");
  EXPECT_TRUE(RenameCalls().isEmpty());
  ASSERT_EQ(box_.Shown().size(), 1u);
  EXPECT_TRUE(listing_->asked.isEmpty());
}

TEST_F(RenameTest, ARefusedRenameIsShownLoggedAndTheTreeListedAnew) {
  engines_->record->answer = false;
  Select("report.doc");
  Rename("summary.doc");
  EXPECT_EQ(RenameCalls(),
            QStringList({"1:Cont_RenameRemItem(/users/jdoe/Files/report.doc,/users/jdoe/Files/summary.doc,F)"}));
  ASSERT_EQ(box_.Shown().size(), 1u);
  EXPECT_EQ(box_.Shown()[0].text, "Can not  rename report.doc\r\n\r\nReason: The server refused the request.");
  EXPECT_EQ(box_.Shown()[0].icon, win::MB_ICON_WARNING);
  EXPECT_EQ(Log(), QStringList({"Error|Can not  rename  report.doc"}));
  EXPECT_EQ(listing_->asked, QStringList({kRoot}));
}

}  // namespace
}  // namespace OrvaneMac
