#pragma once
// Helpers for the tests of the trees: a remote listing source answering
// from a table of folders, a small main window carrying the controls the
// component states act on, and the message box answered as it comes up.
// Tests only.

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>

#include "program/browse/MainWindowControls.h"
#include "program/browse/RemoteListingSource.h"
#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"
#include "program/windows/WindowsTestSupport.h"
#include "tests/support/QtPrinters.h"


namespace OrvaneMac::testing {

// Answers listings from a table: folder path -> entries; a folder named in
// `failing` fails with `error`. Counts the listings asked of it.
class FakeRemoteListing : public RemoteListingSource {
 public:
  FakeRemoteListing() { SetRemoteListing(this); }
  ~FakeRemoteListing() override { SetRemoteListing(nullptr); }

  bool Cont_GetRemoteDirContents(const QString& path, vb::CollectionPtr& items,
                                 vb::CollectionPtr& snapshots) override {
    asked.append(path);
    if (during) during();
    items = std::make_shared<vb::Collection>();
    snapshots = std::make_shared<vb::Collection>();
    if (failing.contains(path)) {
      lastError = error;
      return false;
    }
    for (const QString& s : snapshotsOf.value(path)) snapshots->Add(s);
    for (const QString& e : folders.value(path)) items->Add(e);
    return true;
  }
  QString GetErrorString() override { return lastError; }

  QHash<QString, QStringList> folders;
  QHash<QString, QStringList> snapshotsOf;
  QStringList failing;
  QString error;
  QString lastError;
  QStringList asked;
  std::function<void()> during;  // runs inside each listing, as the engine pumps messages
};

// A main window with the controls the trees and the component states use,
// registered as the program's main window for the life of the object.
class MiniMainWindow {
 public:
  MiniMainWindow() {
    App();
    window = std::make_unique<QWidget>();
    window->resize(720, 420);
    MainWindowControls& m = MainWindow();
    m = MainWindowControls();
    m.Smart = window.get();
    tree = new UniTreeViewMC(window.get());
    tree->setGeometry(10, 50, 700, 360);
    m.ColumnRemoteTreeView = tree;
    auto picture = [&](int left) {
      auto* p = new PictureBox(window.get());
      p->setGeometry(left, 8, 32, 32);
      return p;
    };
    m.lblrecalculate = picture(10);
    m.Pict_Refresh = picture(50);
    m.Pic_Snap = picture(90);
    m.Pic_Rem_search = picture(130);
    m.Trf_ImgRestore = picture(170);
    menu = new QMenu(window.get());
    for (QPointer<QAction>* item :
         {&m.mnuPref, &m.mnuSendReport, &m.mnuTimeStamp, &m.mnuConnect, &m.mnuDisconnect, &m.mnuTessara,
          &m.mnuRestoreOption, &m.mnuwizards, &m.mnuBackupRestore, &m.mnuTools, &m.popmnuViewremdirinfo,
          &m.mnuViewremdirinfo, &m.mnuhideremdirinfo, &m.popmnuvhideremdirinfo}) {
      *item = menu->addAction(QStringLiteral("item"));
    }
    m.ShowWaitBox = [this](const QString& status) { waitBox.append(status); };
    m.CloseWaitBox = [this] { waitBox.append(QStringLiteral("closed")); };
    // The quota row: the bar as a record, the two labels with their design
    // texts.
    m.SetQuotaBar = [this](double value, long colour, const QString& tip) {
      if (value >= 0) bar.value = value;
      if (colour >= 0) bar.colour = colour;
      bar.tip = tip;
    };
    m.lblUserQuota = new Label(window.get(), QStringLiteral("Your quota: 00000000MB"));
    m.lblUserQuota->setGeometry(220, 8, 300, 16);
    m.lblVersionDisp = new Label(window.get(), QStringLiteral("Version: 9.5.4"));
    m.lblVersionDisp->setGeometry(220, 26, 300, 16);
  }
  ~MiniMainWindow() { MainWindow() = MainWindowControls(); }

  std::unique_ptr<QWidget> window;
  UniTreeViewMC* tree = nullptr;
  QMenu* menu = nullptr;
  QStringList waitBox;
  struct QuotaBar {
    double value = 0;
    long colour = 0;
    QString tip;
  } bar;
};

// The text of the next message box, which is then answered with OK.
inline void AnswerNextMessageBox(QString* text) {
  WhenShown(MesgBox::Instance(), [text] {
    *text = MesgBox::Instance().lblText()->Caption() + MesgBox::Instance().lblSmallText()->Caption();
    MesgBox::Instance().Unload();
  });
}

}  // namespace OrvaneMac::testing
