#pragma once
// The user journeys' fixture: the restore program in this process, started
// as its executable starts it (modGeneral::Main), on a temporary drive C:
// with the program folder "C:\Prog" (the outside programs linked into it)
// and a drive D: to restore to, a registry of its own, the sample account's
// server profile written beside the program as an installation that signed
// in once would have it, and the service double's host map.
//
// A journey is a script that runs on a thread of its own, like a user at
// the screen: it posts keys and clicks to the program's windows, waits for
// what the program shows, asks the windows questions (each question runs on
// the program's thread, inside whatever modal loop is open), answers the
// message boxes and saves screenshots of the whole screen. The program's
// thread meanwhile runs its event loop as the executable does.
#include <QDir>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "platform/shell/Shell.h"
#include "program/browse/UniTreeViewMC.h"

namespace OrvaneMac::journey {

// One message box as the user saw it.
struct SeenMessage {
  QString text;
  QStringList buttons;
};

class Journey : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program and runs `script` on the user's thread until it
  // returns; then closes what is still open.
  void Run(const std::function<void()>& script);

  // --- On the user's thread -----------------------------------------------
  // Runs `f` on the program's thread and answers its result.
  template <class F>
  auto Ask(F f) -> std::invoke_result_t<F> {
    using R = std::invoke_result_t<F>;
    if constexpr (std::is_void_v<R>) {
      AskImpl([&] { f(); });
    } else {
      std::optional<R> out;
      AskImpl([&] { out.emplace(f()); });
      return std::move(*out);
    }
  }
  // Posts `f` to the program's thread and goes on at once (a click that
  // opens a modal window returns only when the window closes).
  void Do(std::function<void()> f);
  // Waits until `condition` (asked on the program's thread) holds; a
  // failure names `what` and saves a screenshot.
  bool WaitFor(const std::function<bool()>& condition, const QString& what, int seconds = 60);
  // Keeps the program's thread turning for a while.
  void Pause(int milliseconds);

  // Keys and clicks, as the user gives them (posted).
  void Click(std::function<QWidget*()> widget, Qt::MouseButton button = Qt::LeftButton);
  void DoubleClick(std::function<QWidget*()> widget);
  // Clicks at `point` of the widget.
  void ClickAt(std::function<QWidget*()> widget, std::function<QPoint()> point,
               Qt::MouseButton button = Qt::LeftButton);
  // Puts the focus on the box, selects its text and types `text` over it.
  void TypeInto(std::function<QWidget*()> box, const QString& text);
  void Key(std::function<QWidget*()> window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
  // A key pressed and released in the box itself (the box has the focus
  // even while its window is not the active one).
  void KeyInto(std::function<QWidget*()> box, int key);

  // The program's message box: waits for it, notes what it says, and
  // presses the button whose caption starts with `button` (the accelerator
  // marks left out); answers what the box showed.
  SeenMessage Answer(const QString& button, int seconds = 60);
  // Whether a message box is up now.
  bool MessageShowing();

  // Saves the whole screen as <journey>-<nn>-<name>.png.
  QString Shot(const QString& name);

  // The remote tree of the main window, and a node of it by its path of
  // display texts from the root's children ("Documents/Reports").
  UniTreeViewMC* RemoteTree();
  TreeNode NodeByPath(const QString& path);

  // Signs in through the sign-in window with the sample account's name and
  // password and waits for the main window.
  void SignIn();
  void SignInAs(const QString& name, const QString& password);

  // Clicks on a node of a tree as the user sees it: its check box, its
  // expand sign, its text (the node is scrolled into view first).
  void ClickCheckBox(std::function<TreeNode()> node);
  void ClickExpandSign(std::function<TreeNode()> node);
  void ClickNodeText(std::function<TreeNode()> node);
  // In the open restore destination screen: opens "My Computer" and drive
  // D: by their expand signs, clicks the folder `folder` of D: and presses
  // Restore.
  void RestoreToDriveD(const QString& folder);
  // Right-clicks the program's icon in the tray host and picks the menu item
  // whose caption (accelerator marks left out) is `item`.
  void TrayMenu(const QString& item);
  // Clicks on a tree's (or list's) item found by its path of display texts
  // from the top level ("My Orvane/Documents"): on its check box, on its
  // expand sign, or on its text.
  void ClickCheckBox(std::function<QTreeWidget*()> tree, const QString& path);
  void ClickExpandSign(std::function<QTreeWidget*()> tree, const QString& path);
  void ClickItem(std::function<QTreeWidget*()> tree, const QString& path);
  // The same for an item given otherwise (a list's row by its number); the
  // click on the item lands on its text in `column`.
  void ClickCheckBoxOf(std::function<QTreeWidget*()> tree, std::function<QTreeWidgetItem*()> item);
  void ClickItemOf(std::function<QTreeWidget*()> tree, std::function<QTreeWidgetItem*()> item, int column = 0);
  // Waits for a popup menu and clicks its item of that caption (the
  // accelerator marks left out).
  void PickMenuItem(const QString& caption, int seconds = 60);
  // Clicks the expand sign of the remote tree's node at `path` (the tree
  // scrolled to it first, as the user scrolls).
  void ClickExpandSign(const QString& path);
  // Opens the drop-down list (a combo box), saves a screenshot named `shot`
  // of it open when given, and clicks its entry `entry`.
  void PickFromList(std::function<QWidget*()> list, const QString& entry, const QString& shot = {});

  // --- Anywhere ---------------------------------------------------------------
  QString Host(const QString& relative) const { return root_ + "/" + QString(relative).replace('\\', '/'); }

 public:
  // A file's bytes, and a UTF-16 file's text (free of any journey).
  static QByteArray ReadAll(const QString& hostPath);
  static QString Utf16File(const QString& hostPath);

 protected:
  QString TransferLog() const { return Utf16File(Host("Prog/OrvaneMac/OrvaneLogFile.txt")); }
  QString Trace() const { return Utf16File(Host("Prog/OrvaneMac/TraceFile.txt")); }
  // Every file below the account's `folder` equals the one below `dest`.
  void ExpectSameFiles(const QString& accountFolder, const QString& destHostFolder) const;

  QString user_, password_, account_;
  std::atomic<bool> programEnded_{false};
  // What the shell was asked to open (pages, files, mail).
  QStringList shellOpened_;

 private:
  void AskImpl(const std::function<void()>& f);
  void WriteServerProfile();

  QTemporaryDir tmp_;
  QString root_;
  QByteArray savedDrives_, savedConnectTo_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  std::optional<win::ScopedShellLauncher> shell_;
  int shots_ = 0;
  std::atomic<bool> scriptDone_{false};
};

// A tree's (or list's) item by its path of display texts from the top
// level; nullptr when it is not there.
QTreeWidgetItem* TreeItem(QTreeWidget* tree, const QString& path);
// On the program's thread: the main window's remote tree node at a path of
// display texts below its root ("Documents/Reports"); nothing when absent.
TreeNode RemoteTreeNode(const QString& path);

}  // namespace OrvaneMac::journey

// A journey: one test of the Journey fixture, registered as its own test.
#define JOURNEY(name) TEST_F(Journey, name)
