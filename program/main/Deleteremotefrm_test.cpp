// The delete window and its pass against recording engines: what reaches
// the engine and the transfer log per entry, closing before OK, cancelling
// between items and inside a folder's reply, the search window's plain
// paths, the path label's rules, the refused second OK, and the window's
// looks before and during the pass.
#include "program/main/Deleteremotefrm.h"

#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/ui/EventPump.h"
#include "platform/ui/RecordingMessageBox.h"
#include "program/browse/BrowseTestSupport.h"
#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SystemHelpers.h"
#include "program/main/MainWindowServices.h"
#include "program/session/FakeEngineController.h"
#include "program/session/Transfer.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"

namespace OrvaneMac {
namespace {

using testing::ClickOn;
using testing::EngineRecord;
using testing::FakeEngineController;
using testing::ScopedFakeEngines;

// What the engine does inside a delete, and which paths it refuses.
struct DeleteScript {
  QStringList refused;
  std::function<void(const QString& path)> during;
};

class DeletingEngine : public FakeEngineController {
 public:
  DeletingEngine(std::shared_ptr<EngineRecord> record, int number, DeleteScript* script)
      : FakeEngineController(record, number), record_(std::move(record)), script_(script) {}
  bool Cont_DeleteRemItem(const QString& path, Long& status) override {
    Prepare(path);
    return FakeEngineController::Cont_DeleteRemItem(path, status);
  }
  bool Cont_DeleteRemFolder(const QString& path, bool sync, bool fileDelete) override {
    Prepare(path);
    return FakeEngineController::Cont_DeleteRemFolder(path, sync, fileDelete);
  }

 private:
  void Prepare(const QString& path) {
    if (script_->during) script_->during(path);
    record_->answer = !script_->refused.contains(path);
  }
  std::shared_ptr<EngineRecord> record_;
  DeleteScript* script_;
};

class DeleteWindowTest : public ProgramTest {
 protected:
  void SetUp() override {
    testing::App();
    ProgramTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(Host("Prog/OrvaneMac")));
    engines_.emplace();
    std::weak_ptr<EngineRecord> weak = engines_->record;
    clsController::Instance().SetEngineFactory([weak, this]() -> EngineController {
      auto r = weak.lock();
      if (!r) return nullptr;
      return std::make_shared<DeletingEngine>(r, ++r->enginesMade, &script_);
    });
    main_.emplace();
    listing_.emplace();
    Program().AccountName = "jdoe";
    Program().RemoteRootKey = "/users/jdoe/Files/";
    Program().AppTitle = "Orvane for Mac - Windows Restore";
    Program().RemoteTreeConnected = true;
    listing_->folders["/users/jdoe/Files/"] = QStringList{"1>12/01/2026 10:00:00>0>/Tax/>/users/jdoe/Files/Tax/"};
  }
  void TearDown() override {
    testing::CancelPending();
    Deleteremotefrm::Instance().Unload();
    listing_.reset();
    main_.reset();
    engines_.reset();
    ProgramTest::TearDown();
  }

  static void Fill(const QStringList& entries) {
    Program().EnumRestoreItemSet = std::make_shared<vb::Collection>();
    for (const QString& e : entries) Program().EnumRestoreItemSet->Add(e);
  }
  // Opens the window as the main window's delete command does and runs
  // `act` once it is up; returns when the window has closed.
  void Open(std::function<void()> act) {
    QString list;
    for (qsizetype i = 1; i <= Items(Program().EnumRestoreItemSet)->Count(); ++i) {
      list += modGeneral::GetRemotePath(Program().EnumRestoreItemSet->Item(i).ToString().mid(2), 0) + "\r\n";
    }
    testing::WhenShown(Deleteremotefrm::Instance(), std::move(act));
    ShowDeleteWindow("Delete file(s)/folder(s) list.", list);
  }
  // The engine's delete calls, without the error-text fetches.
  QStringList DeleteCalls() {
    QStringList calls = engines_->Take();
    calls.removeIf([](const QString& c) { return !c.contains("Cont_Delete"); });
    return calls;
  }
  // The transfer log's lines as kind and message ("Success|Deleted  ...").
  QStringList Log() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/OrvaneLogFile.txt");
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines;
    for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts)) {
      const qsizetype cut = line.indexOf(" : ", 14);
      lines.append(line.left(12).trimmed() + "|" + line.mid(cut + 3));
    }
    return lines;
  }
  static Deleteremotefrm& Form() { return Deleteremotefrm::Instance(); }

  DeleteScript script_;
  std::optional<ScopedFakeEngines> engines_;
  std::optional<testing::MiniMainWindow> main_;
  std::optional<testing::FakeRemoteListing> listing_;
};

TEST_F(DeleteWindowTest, OkDeletesEveryEntryLogsEachAndListsTheTreeAnew) {
  Fill({"F_/users/jdoe/Files/Tax/a.pdf", "D_/users/jdoe/Files/Old%20Docs/", "F_/users/jdoe/Files/Tax/b%C3%A9.txt"});
  script_.refused = {"/users/jdoe/Files/Tax/b%C3%A9.txt"};
  QString listed;
  Open([&] {
    listed = Form().LstSyncData()->toPlainText();
    EXPECT_FALSE(Form().cmdDeleteSync()->isVisible());
    EXPECT_FALSE(Form().lblSyncCaption()->isVisible());
    ClickOn(Form().lbl_OK());
  });

  EXPECT_EQ(listed, "Tax/a.pdf\nOld Docs/\nTax/b\u00e9.txt\n");
  EXPECT_EQ(DeleteCalls(), QStringList({"1:Cont_DeleteRemItem(/users/jdoe/Files/Tax/a.pdf,0)",
                                        "1:Cont_DeleteRemFolder(/users/jdoe/Files/Old%20Docs/,F,F)",
                                        "1:Cont_DeleteRemItem(/users/jdoe/Files/Tax/b%C3%A9.txt,0)"}));
  EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/Tax/a.pdf", "Success|Deleted  My Orvane/Old Docs/",
                                "Error|Could not delete My Orvane/Tax/b\u00e9.txt Reason: The server refused the "
                                "request."}));
  EXPECT_FALSE(Form().IsLoaded());
  EXPECT_EQ(Program().DeletedItems,
            QStringList({"F_/users/jdoe/Files/Tax/a.pdf", "D_/users/jdoe/Files/Old%20Docs/"}));
  EXPECT_FALSE(Program().DeleteCancelRequested);
  EXPECT_EQ(listing_->asked, QStringList({"/users/jdoe/Files/"}));
  EXPECT_EQ(main_->tree->NodeCount(), 2);
  EXPECT_EQ(MainMousePointer(), 0);
}

TEST_F(DeleteWindowTest, ClosingBeforeOkDeletesNothing) {
  struct Way {
    const char* name;
    std::function<void()> close;
  };
  const Way ways[] = {
      {"Close", [] { ClickOn(Form().lbl_Cancel()); }},
      {"Close face", [] { ClickOn(Form().Cancel()); }},
      {"caption close", [] { ClickOn(Form().lblClose()); }},
      {"Alt+C", [] { testing::TypeKey(Form().Window(), Qt::Key_C, Qt::AltModifier); }},
      {"window system", [] { Form().Window()->close(); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    Fill({"F_/users/jdoe/Files/Tax/a.pdf"});
    Program().DeletedItems = QStringList{"F_/users/jdoe/Files/from an earlier pass.txt"};
    Open(way.close);
    EXPECT_EQ(DeleteCalls(), QStringList());
    EXPECT_EQ(Log(), QStringList());
    EXPECT_FALSE(Form().IsLoaded());
    EXPECT_TRUE(Program().DeleteCancelRequested);
    EXPECT_TRUE(Program().DeletedItems.isEmpty());
    EXPECT_EQ(Program().EnumRestoreItemSet->Count(), 1);
    EXPECT_TRUE(listing_->asked.isEmpty());
  }
}

TEST_F(DeleteWindowTest, AltOStartsThePassAndARightClickOnOkDoesNot) {
  Fill({"F_/users/jdoe/Files/a.txt"});
  Open([] {
    ClickOn(Form().lbl_OK(), Qt::RightButton);
    EXPECT_TRUE(Form().OK()->isVisible());
    testing::TypeKey(Form().Window(), Qt::Key_O, Qt::AltModifier);
  });
  EXPECT_EQ(DeleteCalls(), QStringList({"1:Cont_DeleteRemItem(/users/jdoe/Files/a.txt,0)"}));
}

TEST_F(DeleteWindowTest, ACaptionUnderThePointerLightsItsButtonAndTheWindowPutsAllBack) {
  auto face = [](PictureBox* button) {
    for (const char* key : {"button_enb", "button_ovr"}) {
      if (button->PictureHandle() == ImageList4Mac().Picture(QString::fromLatin1(key)).cacheKey()) return QString(key);
    }
    return QStringLiteral("other");
  };
  Fill({"F_/users/jdoe/Files/a.txt"});
  QStringList faces;
  Open([&] {
    testing::HoverOver(Form().lbl_Cancel());
    faces << face(Form().OK()) + "," + face(Form().Cancel());
    testing::HoverOver(Form().lbl_OK());
    faces << face(Form().OK()) + "," + face(Form().Cancel());
    testing::HoverOver(Form().Window());
    faces << face(Form().OK()) + "," + face(Form().Cancel());
    ClickOn(Form().lbl_Cancel());
  });
  EXPECT_EQ(faces, QStringList({"button_enb,button_ovr", "button_ovr,button_enb", "button_enb,button_enb"}));
}

TEST_F(DeleteWindowTest, CloseDuringAFileDeleteStopsBeforeTheNextEntry) {
  struct Way {
    const char* name;
    void (*close)();
  };
  // Closed by the window system, the window is gone at once: no entry is
  // deleted after it without a window on screen.
  for (const Way& way : {Way{"Close", [] { ClickOn(Form().lbl_Cancel()); }},
                         Way{"window system", [] { Form().Window()->close(); }}}) {
    SCOPED_TRACE(way.name);
    WriteBytes("Prog/OrvaneMac/OrvaneLogFile.txt", QByteArray());
    listing_->asked.clear();
    Fill({"F_/users/jdoe/Files/a.txt", "F_/users/jdoe/Files/b.txt", "D_/users/jdoe/Files/c/"});
    script_.during = [&way](const QString& path) {
      // The user's click waits for the pass's next pump.
      if (path.endsWith("a.txt")) QTimer::singleShot(0, way.close);
    };
    Open([] { ClickOn(Form().lbl_OK()); });
    EXPECT_EQ(DeleteCalls(), QStringList({"1:Cont_DeleteRemItem(/users/jdoe/Files/a.txt,0)"}));
    EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/a.txt"}));
    EXPECT_EQ(Program().DeletedItems, QStringList({"F_/users/jdoe/Files/a.txt"}));
    EXPECT_TRUE(Program().DeleteCancelRequested);
    EXPECT_FALSE(Form().IsLoaded());
    // The tree is listed anew after a cancelled pass too.
    EXPECT_EQ(listing_->asked, QStringList({"/users/jdoe/Files/"}));
  }
}

TEST_F(DeleteWindowTest, CloseWhileAFolderReplyIsReadStopsTheReadAndThePass) {
  Fill({"D_/users/jdoe/Files/Big/", "F_/users/jdoe/Files/after.txt"});
  QStringList answers;
  QString labelAtFirst;
  script_.during = [&](const QString& path) {
    if (!path.endsWith("Big/")) return;
    // The engine walks a reply of 700 lines and calls back every hundredth.
    for (int line = 100; line <= 700; line += 100) {
      if (line == 200) QTimer::singleShot(0, [] { ClickOn(Form().lbl_Cancel()); });
      const bool stop = DeleteWindowUpdateProgress("/users/jdoe/Files/Big/f" + QString::number(line) + ".txt");
      if (line == 100) labelAtFirst = Form().Delfilepathtxt()->Caption();
      answers.append(stop ? "stop" : "go");
      if (stop) break;
    }
  };
  Open([] { ClickOn(Form().lbl_OK()); });
  EXPECT_EQ(answers, QStringList({"go", "stop"}));
  EXPECT_EQ(labelAtFirst.remove("\r\n"), "My Orvane/Files/Big/f100.txt");
  EXPECT_EQ(DeleteCalls(), QStringList({"1:Cont_DeleteRemFolder(/users/jdoe/Files/Big/,F,F)"}));
  EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/Big/"}));
  EXPECT_FALSE(Form().IsLoaded());
  // A call-back after the window has gone does not bring it back (its load
  // would clear the cancel).
  EXPECT_TRUE(DeleteWindowUpdateProgress("/users/jdoe/Files/Big/f800.txt"));
  EXPECT_FALSE(Form().IsLoaded());
  EXPECT_TRUE(Program().DeleteCancelRequested);
}

TEST_F(DeleteWindowTest, ACallBackWithoutTheAccountNameNeitherShowsNorPumps) {
  Fill({"F_/users/jdoe/Files/a.txt"});
  Form().Delfilepathtxt()->SetCaption("before");
  int pumps = 0;
  {
    vb::ScopedEventPump counting([&] { ++pumps; });
    EXPECT_FALSE(Form().UpdateProgress("/users/other/Files/x.txt"));
    Program().DeleteCancelRequested = true;
    EXPECT_TRUE(Form().UpdateProgress("/users/other/Files/x.txt"));
    EXPECT_EQ(pumps, 0);
    EXPECT_EQ(Form().Delfilepathtxt()->Caption(), "before");
    // The account name with nothing after it: no label change, one pump.
    EXPECT_TRUE(Form().UpdateProgress("/users/jdoe"));
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(Form().Delfilepathtxt()->Caption(), "before");
  }
}

TEST_F(DeleteWindowTest, FromTheSearchWindowTheEngineGetsEncodedPathsAndTheLogPlainOnes) {
  Program().SearchDeleteMode = true;
  Fill({"F_/users/jdoe/Files/My Docs/a b.txt", "D_/users/jdoe/Files/50% off/"});
  Open([] { ClickOn(Form().lbl_OK()); });
  EXPECT_EQ(DeleteCalls(), QStringList({"1:Cont_DeleteRemItem(/users/jdoe/Files/My%20Docs/a%20b%2Etxt,0)",
                                        "1:Cont_DeleteRemFolder(/users/jdoe/Files/50%25%20off/,F,F)"}));
  EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/My Docs/a b.txt", "Success|Deleted  My Orvane/50% off/"}));
  EXPECT_EQ(Program().DeletedItems,
            QStringList({"F_/users/jdoe/Files/My Docs/a b.txt", "D_/users/jdoe/Files/50% off/"}));
}

TEST_F(DeleteWindowTest, APathUnderTheAccountsUnderscoreNameKeepsThePreviousLabel) {
  Fill({"F_/users/jdoe/Files/x.txt", "F_/users/jdoe/Files/jdoe_old/y.txt"});
  QStringList labels;
  script_.during = [&](const QString&) { labels.append(QString(Form().Delfilepathtxt()->Caption()).remove("\r\n")); };
  Open([] { ClickOn(Form().lbl_OK()); });
  EXPECT_EQ(labels, QStringList({"My Orvane/x.txt", "My Orvane/x.txt"}));
  EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/x.txt", "Success|Deleted  My Orvane/jdoe_old/y.txt"}));
}

TEST_F(DeleteWindowTest, ASecondOkDuringThePassIsRefused) {
  Fill({"F_/users/jdoe/Files/a.txt", "F_/users/jdoe/Files/b.txt"});
  script_.during = [](const QString& path) {
    if (!path.endsWith("a.txt")) return;
    QTimer::singleShot(0, [] { testing::TypeKey(Form().Window(), Qt::Key_O, Qt::AltModifier); });
    QTimer::singleShot(0, [] { Form().OK_Click(); });
  };
  Open([] { ClickOn(Form().lbl_OK()); });
  EXPECT_EQ(DeleteCalls(), QStringList({"1:Cont_DeleteRemItem(/users/jdoe/Files/a.txt,0)",
                                        "1:Cont_DeleteRemItem(/users/jdoe/Files/b.txt,0)"}));
}

TEST_F(DeleteWindowTest, AFailureInsideThePassIsReportedAndStopsIt) {
  Fill({"F_/users/jdoe/Files/a.txt"});
  delete MainWindow().ColumnRemoteTreeView.data();
  win::RecordingMessageBox box;
  Open([] { ClickOn(Form().lbl_OK()); });
  ASSERT_EQ(box.Shown().size(), 1u);
  EXPECT_EQ(box.Shown()[0].text, "Unable to delete the items \r\nReason: Object variable or With block variable not set");
  EXPECT_EQ(box.Shown()[0].title, "Orvane for Mac - Windows Restore");
  EXPECT_EQ(box.Shown()[0].icon, win::MB_ICON_INFORMATION);
  EXPECT_EQ(Log(), QStringList({"Success|Deleted  My Orvane/a.txt"}));
  EXPECT_EQ(MainMousePointer(), 0);
}

TEST_F(DeleteWindowTest, TheListCanBeFilledFromTheSetByTheClassToo) {
  Fill({"F_/users/jdoe/Files/Tax/a%20b.pdf", "D_/users/jdoe/Files/Old/"});
  Form().LstSyncData()->setPlainText("first\n");
  gTransfer().Trf_DeleteMultipleRemoteItems();
  EXPECT_EQ(Form().LstSyncData()->toPlainText(), "first\nTax/a b.pdf\nOld/\n");
}

TEST_F(DeleteWindowTest, Screenshots) {
  Fill({"F_/users/jdoe/Files/Tax/2009/return.pdf", "D_/users/jdoe/Files/Photos/Summer%202010/",
        "F_/users/jdoe/Files/Documents/Letters/very%20long%20name%20of%20a%20letter%20to%20the%20bank.doc"});
  QSize size;
  QString during;
  script_.during = [&](const QString& path) {
    if (path.endsWith("Summer%202010/")) during = testing::SaveScreenshot(Form().Window(), "delete_window_deleting");
  };
  Open([&] {
    size = Form().Window()->size();
    testing::HoverOver(Form().lbl_OK());
    testing::SaveScreenshot(Form().Window(), "delete_window_listed");
    ClickOn(Form().lbl_OK());
  });
  EXPECT_EQ(size, QSize(458, 289));
  EXPECT_FALSE(during.isEmpty());
}

TEST_F(DeleteWindowTest, ShrunkByTheWindowSystemItKeepsItsSmallestSize) {
  Fill({"F_/users/jdoe/Files/a.txt"});
  QSize shrunk, grown;
  double okLeftShrunk = 0, listWidthGrown = 0;
  Open([&] {
    Form().Window()->resize(200, 150);
    QCoreApplication::processEvents();
    shrunk = Form().Window()->size();
    okLeftShrunk = Twips::Left(Form().OK());
    Form().Window()->resize(600, 400);
    QCoreApplication::processEvents();
    grown = Form().Window()->size();
    listWidthGrown = Twips::Width(Form().LstSyncData());
    testing::SaveScreenshot(Form().Window(), "delete_window_enlarged");
    ClickOn(Form().lbl_Cancel());
  });
  EXPECT_EQ(shrunk, QSize(458, 289));  // 6870 x 4335 twips
  EXPECT_DOUBLE_EQ(okLeftShrunk, 6870 - 2685);
  EXPECT_EQ(grown, QSize(600, 400));
  EXPECT_DOUBLE_EQ(listWidthGrown, 9000 - 345);
}

TEST_F(DeleteWindowTest, OnAHighResolutionScreenTheWindowShrinksAndKeepsItsOwnLayout) {
  ScopedTwipsPerPixel dpi(12, 12);
  Fill({"F_/users/jdoe/Files/Tax/2009/return.pdf", "D_/users/jdoe/Files/Photos/"});
  QRectF list, ok, cancel, close;
  double width = 0, height = 0;
  Open([&] {
    width = Form().Width();
    height = Form().Height();
    list = Twips::Place(Form().LstSyncData());
    ok = Twips::Place(Form().OK());
    cancel = Twips::Place(Form().Cancel());
    close = Twips::Place(Form().PicClose());
    testing::SaveScreenshot(Form().Window(), "delete_window_120dpi");
    ClickOn(Form().lbl_Cancel());
  });
  EXPECT_DOUBLE_EQ(width, 6870 / 1.25);
  EXPECT_DOUBLE_EQ(height, 4335 / 1.25);
  EXPECT_DOUBLE_EQ(list.top(), height - 2400);
  EXPECT_DOUBLE_EQ(list.width(), width - 250);
  EXPECT_DOUBLE_EQ(list.height(), height - 1858);
  EXPECT_DOUBLE_EQ(ok.left(), width - 2057);
  EXPECT_DOUBLE_EQ(ok.top(), height - 525);
  EXPECT_DOUBLE_EQ(cancel.left(), width - 1097);
  EXPECT_DOUBLE_EQ(cancel.top(), ok.top());
  EXPECT_DOUBLE_EQ(close.left(), width - 375);
  EXPECT_DOUBLE_EQ(close.width(), 170);
}

}  // namespace
}  // namespace OrvaneMac
