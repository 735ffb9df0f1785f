#include "tests/journeys/Journey.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/process/NamedMutex.h"
#include "platform/text/UserLocale.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modMain.h"
#include "program/main/Smart.h"
#include "program/main/frmreswizscr3.h"
#include "program/session/Login.h"
#include "program/windows/MesgBox.h"
#include "program/windows/WindowsTestSupport.h"
#include "testbed/include/TestbedControl.h"

namespace OrvaneMac::journey {

namespace {

const QString kProgramDir = QStringLiteral(ORVANE_PROGRAM_DIR);

void WriteIni(const QString& path, const QString& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    ADD_FAILURE() << "cannot write " << path.toStdString();
    return;
  }
  f.write(text.toUtf8());
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

QString Plain(QString caption) { return caption.remove(QLatin1Char('&')).trimmed(); }

void SendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &e);
}

// The widget the clicks on a tree or list land on.
QWidget* ClickTarget(QWidget* w) {
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area->viewport();
  return w;
}

}  // namespace

void Journey::SetUp() {
  if (!testbed::Running()) GTEST_SKIP() << "not inside testbed/run";
  testing::App();
  // The tray host of the virtual display comes up beside the program.
  for (int i = 0; i < 100 && !QSystemTrayIcon::isSystemTrayAvailable(); ++i) QThread::msleep(50);
  testbed::Reset(true);
  ASSERT_TRUE(tmp_.isValid());
  root_ = tmp_.path();
  user_ = qEnvironmentVariable("TESTBED_USER");
  password_ = qEnvironmentVariable("TESTBED_PASSWORD");
  account_ = qEnvironmentVariable("TESTBED_ACCOUNT_ROOT");
  ASSERT_TRUE(QDir(root_).mkpath("Prog/OrvaneMac"));
  ASSERT_TRUE(QDir(root_).mkpath("D"));
  ASSERT_TRUE(QDir(root_).mkpath("locks"));
  // The installation: the outside programs in the program folder, and the
  // tunnel's configuration as shipped (the engine writes its section).
  for (const QFileInfo& f : QDir(kProgramDir).entryInfoList(QDir::Files))
    QFile::link(f.absoluteFilePath(), root_ + "/Prog/" + f.fileName());
  testbed::OwnTheWrittenFiles(root_ + "/Prog");
  WriteIni(root_ + "/Prog/SSLInteractive.conf", "[ZQWIN]\r\n");
  WriteServerProfile();

  savedDrives_ = qgetenv("ORVANE_DRIVES");
  savedConnectTo_ = qgetenv("ORVANE_CONNECT_TO");
  qputenv("ORVANE_DRIVES", QStringLiteral("C=%1;D=%1/D").arg(root_).toUtf8());
  // The tunnel's local port of this instance.
  qputenv("ORVANE_CONNECT_TO", "localhost:43718=127.0.0.1:" + QByteArray::number(testbed::FreePort()) + ';' +
                                   savedConnectTo_);
  drives_.emplace(win::DriveTable::FromEnvironment());
  registry_.emplace(win::RegistryConfig::InFolder(root_ + "/registry"));
  win::NamedMutex::SetFolders(root_ + "/locks/shared", root_ + "/locks/local");
  win::SetProgramFolder("C:\\Prog");
  win::ChDir("C:\\Prog");
  shell_.emplace([this](const win::ShellRequest& r) {
    shellOpened_ << (r.target + QLatin1Char(' ') + r.arguments.join(QLatin1Char(' '))).trimmed();
    return win::SHELL_EXECUTE_OK;
  });
  modGeneral::SetEndProgramHandler([this] { programEnded_ = true; });
}

void Journey::WriteServerProfile() {
  // What the first sign-in on this computer left: the account's servers and
  // the name last signed in with.
  WriteIni(root_ + "/Prog/OrvaneMac/" + user_ + "/orvaneserver.ini",
           "[Orvane]\r\nSERVERNAME=" + qEnvironmentVariable("TESTBED_SCRIPT_SERVER") +
               "\r\nRSYNCSERVER=" + qEnvironmentVariable("TESTBED_RSYNC_HOST") +
               "\r\nWEBDAVSERVER=" + qEnvironmentVariable("TESTBED_WEBDAV_HOST") +
               "\r\nQUOTASERVER=" + qEnvironmentVariable("TESTBED_WEBDAV_HOST") + "\r\n");
  WriteIni(root_ + "/Prog/OrvaneMac/orvane.ini", "[Orvane]\r\nUserName_View=" + user_ + "\r\n");
}

void Journey::TearDown() {
  if (!registry_) return;
  if (HasFailure()) {
    // What the program wrote, for the reader of a failed journey.
    std::printf("--- transfer log ---\n%s\n--- trace (end) ---\n%s\n", qPrintable(TransferLog()),
                qPrintable(Trace().right(20000)));
  }
  shell_.reset();
  modGeneral::SetEndProgramHandler({});
  win::NamedMutex::SetFolders({}, {});
  win::SetProgramFolder({});
  registry_.reset();
  drives_.reset();
  qputenv("ORVANE_DRIVES", savedDrives_);
  qputenv("ORVANE_CONNECT_TO", savedConnectTo_);
}

void Journey::Run(const std::function<void()>& script) {
  ASSERT_TRUE(modGeneral::Main()) << "the program did not start";
  std::thread user([&] {
    script();
    scriptDone_ = true;
  });
  // The program's thread turns its event loop, as the executable does,
  // until the user is done.
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!scriptDone_) return;
    loop.quit();
    // A script that stopped at a failed step may leave a message box open,
    // whose own loop would hold this one.
    if (MesgBox::Instance().IsLoaded() && MesgBox::Instance().Window()->isVisible())
      testing::ClickOn(MesgBox::Instance().MsgClose());
  });
  poll.start(20);
  loop.exec();
  user.join();
  // Whatever the journey left open goes without the exit road: message
  // boxes are closed, the session is ended.
  QElapsedTimer closing;
  closing.start();
  while (MesgBox::Instance().IsLoaded() && MesgBox::Instance().Window()->isVisible() && closing.elapsed() < 10000) {
    testing::ClickOn(MesgBox::Instance().MsgClose());
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

void Journey::AskImpl(const std::function<void()>& f) {
  QMetaObject::invokeMethod(qApp, f, Qt::BlockingQueuedConnection);
}

void Journey::Do(std::function<void()> f) { QMetaObject::invokeMethod(qApp, std::move(f), Qt::QueuedConnection); }

bool Journey::WaitFor(const std::function<bool()>& condition, const QString& what, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (Ask(condition)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const QString shot = Shot("timeout");
  ADD_FAILURE() << "waited " << seconds << " s for " << what.toStdString() << " (screen: " << shot.toStdString()
                << ")";
  return false;
}

void Journey::Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void Journey::Click(std::function<QWidget*()> widget, Qt::MouseButton button) {
  Do([widget, button] {
    QWidget* w = widget();
    if (w == nullptr) {
      ADD_FAILURE() << "nothing to click on";
      return;
    }
    QWidget* target = ClickTarget(w);
    const QPoint middle(target->width() / 2, target->height() / 2);
    SendMouse(target, QEvent::MouseButtonPress, middle, button, button);
    SendMouse(target, QEvent::MouseButtonRelease, middle, button, Qt::NoButton);
  });
}

void Journey::DoubleClick(std::function<QWidget*()> widget) {
  Do([widget] {
    QWidget* w = widget();
    if (w == nullptr) return;
    QWidget* target = ClickTarget(w);
    const QPoint middle(target->width() / 2, target->height() / 2);
    SendMouse(target, QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
    SendMouse(target, QEvent::MouseButtonRelease, middle, Qt::LeftButton, Qt::NoButton);
    SendMouse(target, QEvent::MouseButtonDblClick, middle, Qt::LeftButton, Qt::LeftButton);
    SendMouse(target, QEvent::MouseButtonRelease, middle, Qt::LeftButton, Qt::NoButton);
  });
}

void Journey::ClickAt(std::function<QWidget*()> widget, std::function<QPoint()> point, Qt::MouseButton button) {
  Do([widget, point, button] {
    QWidget* w = widget();
    if (w == nullptr) return;
    QWidget* target = ClickTarget(w);
    const QPoint at = point();
    SendMouse(target, QEvent::MouseButtonPress, at, button, button);
    SendMouse(target, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  });
}

void Journey::TypeInto(std::function<QWidget*()> box, const QString& text) {
  Do([box, text] {
    QWidget* w = box();
    if (w == nullptr) return;
    w->window()->activateWindow();
    QApplication::setActiveWindow(w->window());
    w->setFocus(Qt::MouseFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(w)) line->selectAll();
    for (QChar c : text) {
      const int key = c == QLatin1Char(' ') ? int(Qt::Key_Space) : int(c.toUpper().unicode());
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &press);
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &release);
    }
  });
}

void Journey::Key(std::function<QWidget*()> window, int key, Qt::KeyboardModifiers mods) {
  Do([window, key, mods] {
    QWidget* w = window();
    if (w == nullptr) return;
    QApplication::setActiveWindow(w->window());
    if (w->isWindow()) {
      testing::TypeKey(w, key, mods);
      return;
    }
    // A key for a box goes to that box, whatever the window manager made of
    // the focus.
    w->setFocus(Qt::OtherFocusReason);
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(w, &release);
  });
}

void Journey::KeyInto(std::function<QWidget*()> box, int key) {
  Do([box, key] {
    QWidget* w = box();
    if (w == nullptr) return;
    w->setFocus(Qt::OtherFocusReason);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
  });
}

bool Journey::MessageShowing() {
  return Ask([] { return MesgBox::Instance().IsLoaded() && MesgBox::Instance().Window()->isVisible(); });
}

SeenMessage Journey::Answer(const QString& button, int seconds) {
  SeenMessage seen;
  if (!WaitFor([] { return MesgBox::Instance().IsLoaded() && MesgBox::Instance().Window()->isVisible(); },
               "a message box to answer with " + button, seconds))
    return seen;
  int index = -1;
  Ask([&] {
    MesgBox& box = MesgBox::Instance();
    seen.text = (box.ShortTextShown() ? box.lblSmallText() : box.lblText())->Caption().trimmed();
    for (int i = 0; i < 3; ++i) {  // the box has three buttons
      if (!box.cmdButton(i)->isVisibleTo(box.Window())) continue;
      const QString caption = Plain(box.lbl_cmdButton(i)->Caption());
      seen.buttons << caption;
      if (index < 0 && caption.startsWith(button, Qt::CaseInsensitive)) index = i;
    }
  });
  Shot("message");
  if (index < 0) {
    ADD_FAILURE() << "no button " << button.toStdString() << " in the box \"" << seen.text.toStdString()
                  << "\" (" << seen.buttons.join(", ").toStdString() << ")";
    Click([] { return MesgBox::Instance().MsgClose(); });
    return seen;
  }
  Click([index] { return MesgBox::Instance().cmdButton(index); });
  // The box goes (another may take its place at once).
  for (int i = 0; i < 40 && MessageShowing(); ++i) Pause(25);
  return seen;
}

QString Journey::Shot(const QString& name) {
  const QString folder = QStringLiteral(ORVANE_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  const QString test = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
  const QString path =
      QDir(folder).filePath(QStringLiteral("%1-%2-%3.png").arg(test).arg(++shots_, 2, 10, QLatin1Char('0')).arg(name));
  Pause(150);  // what was just posted is painted
  Ask([&] {
    QCoreApplication::processEvents();
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
  });
  return path;
}

UniTreeViewMC* Journey::RemoteTree() {
  return Ask([] { return Smart::Instance().ColumnRemoteTreeView(); });
}

TreeNode RemoteTreeNode(const QString& path) {
  UniTreeViewMC* tree = Smart::Instance().ColumnRemoteTreeView();
  if (tree->NodeCount() == 0) return {};
  TreeNode node = tree->NodeAt(1);
  while (!node.Parent().IsNothing()) node = node.Parent();
  for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    TreeNode found;
    for (int i = 1; i <= node.ChildCount(); ++i)
      if (node.ChildAt(i).Text() == part) found = node.ChildAt(i);
    if (found.IsNothing()) return {};
    node = found;
  }
  return node;
}

TreeNode Journey::NodeByPath(const QString& path) {
  return Ask([&] { return RemoteTreeNode(path); });
}

void Journey::SignIn() { SignInAs(user_, password_); }

void Journey::SignInAs(const QString& name, const QString& password) {
  WaitFor([] { return Login::Instance().IsLoaded() && Login::Instance().Window()->isVisible(); },
          "the sign-in window");
  TypeInto([] { return Login::Instance().txtUserName(); }, name);
  TypeInto([] { return Login::Instance().txtPassword(); }, password);
  Shot("sign-in");
  Click([] { return Login::Instance().cmdOK(); });
}

namespace {

// Where an item's check box and expand sign lie in the tree's viewport.
QRect CheckBoxRect(QTreeWidget* tree, QTreeWidgetItem* item) {
  QStyleOptionViewItem option;
  option.initFrom(tree->viewport());
  option.rect = tree->visualItemRect(item);
  option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
  if (!item->icon(0).isNull()) option.features |= QStyleOptionViewItem::HasDecoration;
  option.decorationSize = tree->iconSize().isValid()
                              ? tree->iconSize()
                              : QSize(tree->style()->pixelMetric(QStyle::PM_SmallIconSize),
                                      tree->style()->pixelMetric(QStyle::PM_SmallIconSize));
  option.text = item->text(0);
  option.checkState = item->checkState(0);
  option.font = tree->font();
  option.fontMetrics = QFontMetrics(option.font);
  return tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree);
}

}  // namespace

void Journey::ClickCheckBox(std::function<QTreeWidget*()> tree, const QString& path) {
  ClickCheckBoxOf(tree, [tree, path] { return TreeItem(tree(), path); });
}

void Journey::ClickItem(std::function<QTreeWidget*()> tree, const QString& path) {
  ClickItemOf(tree, [tree, path] { return TreeItem(tree(), path); });
}

void Journey::ClickCheckBoxOf(std::function<QTreeWidget*()> tree, std::function<QTreeWidgetItem*()> item) {
  QPoint at;
  QTreeWidget* widget = Ask([&]() -> QTreeWidget* {
    QTreeWidget* t = tree();
    QTreeWidgetItem* i = t ? item() : nullptr;
    if (i == nullptr) return nullptr;
    t->scrollToItem(i);
    at = CheckBoxRect(t, i).center();
    return t;
  });
  if (widget == nullptr) {
    ADD_FAILURE() << "no item to check";
    return;
  }
  ClickAt([widget] { return widget; }, [at] { return at; });
}

void Journey::ClickItemOf(std::function<QTreeWidget*()> tree, std::function<QTreeWidgetItem*()> item, int column) {
  QPoint at;
  QTreeWidget* widget = Ask([&]() -> QTreeWidget* {
    QTreeWidget* t = tree();
    QTreeWidgetItem* i = t ? item() : nullptr;
    if (i == nullptr) return nullptr;
    t->scrollToItem(i);
    const QRect row = t->visualItemRect(i);
    if (column == 0) {
      // On the text: right of the check box and the picture.
      const QRect box = CheckBoxRect(t, i);
      at = QPoint(std::min(box.right() + 40, row.right() - 2), row.center().y());
    } else {
      const QHeaderView* header = t->header();
      at = QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, row.center().y());
    }
    return t;
  });
  if (widget == nullptr) {
    ADD_FAILURE() << "no item to click";
    return;
  }
  ClickAt([widget] { return widget; }, [at] { return at; });
}

void Journey::ClickExpandSign(std::function<QTreeWidget*()> tree, const QString& path) {
  QPoint at;
  QTreeWidget* widget = Ask([&]() -> QTreeWidget* {
    QTreeWidget* t = tree();
    QTreeWidgetItem* item = t ? TreeItem(t, path) : nullptr;
    if (item == nullptr) return nullptr;
    t->scrollToItem(item);
    const QRect rect = t->visualItemRect(item);
    at = QPoint(rect.left() - t->indentation() / 2, rect.center().y());
    return t;
  });
  if (widget == nullptr) {
    ADD_FAILURE() << "no item " << path.toStdString() << " to expand";
    return;
  }
  ClickAt([widget] { return widget; }, [at] { return at; });
}

void Journey::PickMenuItem(const QString& caption, int seconds) {
  QMenu* menu = nullptr;
  QAction* action = nullptr;
  if (!WaitFor(
          [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || !menu->isVisible()) return false;
            for (QAction* a : menu->actions())
              if (a->isVisible() && Plain(a->text()) == caption) action = a;
            return action != nullptr;
          },
          "a menu with the item " + caption, seconds))
    return;
  Shot("menu");
  const QPoint at = Ask([&] { return menu->actionGeometry(action).center(); });
  ClickAt([menu] { return menu; }, [at] { return at; });
}

QByteArray Journey::ReadAll(const QString& hostPath) {
  QFile f(hostPath);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Journey::Utf16File(const QString& hostPath) {
  QByteArray bytes = ReadAll(hostPath);
  if (bytes.startsWith("\xFF\xFE")) bytes.remove(0, 2);
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
}

void Journey::ExpectSameFiles(const QString& accountFolder, const QString& destHostFolder) const {
  int files = 0;
  const QString from = account_ + "/" + accountFolder;
  QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = path.mid(from.size());
    EXPECT_EQ(ReadAll(destHostFolder + relative), ReadAll(path)) << relative.toStdString();
    ++files;
  }
  EXPECT_GE(files, 1) << "nothing below " << from.toStdString();
}

namespace {

// The protected look-ups of a tree view and of its item delegate that tell
// where the view draws an item's parts.
struct ViewPeek : QTreeWidget {
  using QAbstractItemView::initViewItemOption;
  using QTreeWidget::indexFromItem;
};
struct DelegatePeek : QStyledItemDelegate {
  using QStyledItemDelegate::initStyleOption;
};

// The item that shows a node, found by its ancestors' texts.
QTreeWidgetItem* ShownItem(const TreeNode& node) {
  if (node.IsNothing() || node.Gone()) return nullptr;
  QStringList texts;
  for (TreeNode n = node; !n.IsNothing(); n = n.Parent()) texts.prepend(n.Text());
  QTreeWidget* tree = node.Tree();
  QTreeWidgetItem* item = nullptr;
  for (const QString& text : texts) {
    QTreeWidgetItem* found = nullptr;
    const int count = item != nullptr ? item->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count && found == nullptr; ++i) {
      QTreeWidgetItem* candidate = item != nullptr ? item->child(i) : tree->topLevelItem(i);
      if (candidate->text(0) == text) found = candidate;
    }
    if (found == nullptr) return nullptr;
    item = found;
  }
  return item;
}

enum class NodePart { CheckBox, ExpandSign, Text };

// Where on the tree's viewport a part of the node is drawn.
QPoint PointOf(const TreeNode& node, NodePart part) {
  QTreeWidgetItem* item = ShownItem(node);
  if (item == nullptr) {
    ADD_FAILURE() << "the node is not on the screen";
    return {};
  }
  QTreeWidget* tree = node.Tree();
  tree->scrollToItem(item);
  const QModelIndex index = (tree->*(&ViewPeek::indexFromItem))(item, 0);
  const QRect cell = tree->visualRect(index);
  if (part == NodePart::ExpandSign) return {cell.left() - tree->indentation() / 2, cell.center().y()};
  QStyleOptionViewItem option;
  (tree->*(&ViewPeek::initViewItemOption))(&option);
  option.rect = cell;
  if (auto* delegate = qobject_cast<QStyledItemDelegate*>(tree->itemDelegateForIndex(index)))
    (delegate->*(&DelegatePeek::initStyleOption))(&option, index);
  const QStyle::SubElement element =
      part == NodePart::CheckBox ? QStyle::SE_ItemViewItemCheckIndicator : QStyle::SE_ItemViewItemText;
  return tree->style()->subElementRect(element, &option, tree).center();
}

QWidget* TreeOf(const std::function<TreeNode()>& node) {
  const TreeNode n = node();
  return n.IsNothing() ? nullptr : n.Tree();
}

}  // namespace

void Journey::ClickCheckBox(std::function<TreeNode()> node) {
  ClickAt([node] { return TreeOf(node); }, [node] { return PointOf(node(), NodePart::CheckBox); });
}

void Journey::ClickExpandSign(std::function<TreeNode()> node) {
  ClickAt([node] { return TreeOf(node); }, [node] { return PointOf(node(), NodePart::ExpandSign); });
}

void Journey::ClickNodeText(std::function<TreeNode()> node) {
  ClickAt([node] { return TreeOf(node); }, [node] { return PointOf(node(), NodePart::Text); });
}

void Journey::RestoreToDriveD(const QString& folder) {
  if (!WaitFor([] { return frmreswizscr3::Instance().IsLoaded() && frmreswizscr3::Instance().Window()->isVisible(); },
               "the restore destination screen"))
    return;
  const auto drive = [] { return frmreswizscr3::Instance().C().LocalTreeView->FindNode(QStringLiteral("D:\\")); };
  const auto target = [drive, folder] {
    const TreeNode d = drive();
    if (d.IsNothing() || !d.Expanded()) return TreeNode();
    for (int i = 1; i <= d.ChildCount(); ++i)
      if (d.ChildAt(i).Text() == folder) return d.ChildAt(i);
    return TreeNode();
  };
  if (!WaitFor([drive] { return !drive().IsNothing(); }, "drive D: in the destination tree")) return;
  if (!Ask([drive] { return drive().Parent().Expanded(); })) {
    ClickExpandSign([drive] { return drive().Parent(); });
    WaitFor([drive] { return drive().Parent().Expanded(); }, "My Computer opened");
  }
  if (Ask([target] { return target().IsNothing(); })) ClickExpandSign(drive);
  if (!WaitFor([target] { return !target().IsNothing(); }, "the folder " + folder + " of D:")) return;
  ClickNodeText(target);
  WaitFor([target] { return frmreswizscr3::Instance().C().LocalTreeView->SelectedItem() == target(); },
          "the folder " + folder + " chosen");
  Shot("destination");
  Click([] { return frmreswizscr3::Instance().C().wiz_res3_next; });
}

void Journey::TrayMenu(const QString& item) {
  // The tray host shows the icon as a little window of the program's own.
  const auto icon = [] () -> QWidget* {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qstrcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0 && w->isVisible()) return w;
    return nullptr;
  };
  if (!WaitFor([icon] { return icon() != nullptr; }, "the program's icon in the tray")) return;
  Click(icon, Qt::RightButton);
  const auto menuItem = [item]() -> std::pair<QMenu*, QAction*> {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* menu = qobject_cast<QMenu*>(w);
      if (menu == nullptr || !menu->isVisible()) continue;
      for (QAction* a : menu->actions())
        if (a->isVisible() && Plain(a->text()) == item) return {menu, a};
    }
    return {nullptr, nullptr};
  };
  if (!WaitFor([menuItem] { return menuItem().first != nullptr; }, "the tray menu with " + item)) return;
  Shot("tray-menu");
  Do([menuItem] {
    const auto [menu, action] = menuItem();
    if (menu == nullptr) return;
    const QPoint at = menu->actionGeometry(action).center();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(menu->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(menu, &move);
    SendMouse(menu, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(menu, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  });
}

QTreeWidgetItem* TreeItem(QTreeWidget* tree, const QString& path) {
  QTreeWidgetItem* found = nullptr;
  for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    QTreeWidgetItem* next = nullptr;
    const int count = found ? found->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count && next == nullptr; ++i) {
      QTreeWidgetItem* item = found ? found->child(i) : tree->topLevelItem(i);
      if (item->text(0) == part) next = item;
    }
    if (next == nullptr) return nullptr;
    found = next;
  }
  return found;
}

void Journey::ClickExpandSign(const QString& path) {
  // The remote tree's root is "My Orvane"; the path starts below it.
  ClickExpandSign([] { return static_cast<QTreeWidget*>(Smart::Instance().ColumnRemoteTreeView()); },
                  QStringLiteral("My Orvane/") + path);
}

void Journey::PickFromList(std::function<QWidget*()> list, const QString& entry, const QString& shot) {
  // The arrow at the right end opens a list that takes typing too.
  ClickAt(list, [list] {
    QWidget* box = list();
    return box == nullptr ? QPoint() : QPoint(box->width() - 6, box->height() / 2);
  });
  if (!WaitFor(
          [list] {
            auto* box = qobject_cast<QComboBox*>(list());
            return box != nullptr && box->view()->isVisible();
          },
          "the list to open"))
    return;
  // The list ignores a release that comes within a double-click time of the
  // press that opened it; the user's next click comes later.
  const auto opened = std::chrono::steady_clock::now();
  if (!shot.isEmpty()) Shot(shot);
  const auto late = opened + std::chrono::milliseconds(QApplication::doubleClickInterval() + 100);
  while (std::chrono::steady_clock::now() < late) Pause(25);
  Do([list, entry] {
    auto* box = qobject_cast<QComboBox*>(list());
    if (box == nullptr) return;
    const int row = box->findText(entry);
    if (row < 0) {
      ADD_FAILURE() << "no entry " << entry.toStdString() << " in the list";
      box->hidePopup();
      return;
    }
    QAbstractItemView* view = box->view();
    const QPoint at = view->visualRect(view->model()->index(row, box->modelColumn())).center();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view->viewport()->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    SendMouse(view->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(view->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  });
  WaitFor([list] {
    auto* box = qobject_cast<QComboBox*>(list());
    return box == nullptr || !box->view()->isVisible();
  }, "the list to close");
}

}  // namespace OrvaneMac::journey
