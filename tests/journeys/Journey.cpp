#include "tests/journeys/Journey.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/process/NamedMutex.h"
#include "platform/text/UserLocale.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modMain.h"
#include "program/main/Smart.h"
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
    if (scriptDone_) loop.quit();
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
    testing::TypeKey(w->window(), key, mods);
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
    for (int i = 0; i < 4; ++i) {
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

TreeNode Journey::NodeByPath(const QString& path) {
  return Ask([&] {
    UniTreeViewMC* tree = Smart::Instance().ColumnRemoteTreeView();
    if (tree->NodeCount() == 0) return TreeNode();
    TreeNode node = tree->NodeAt(1);
    while (!node.Parent().IsNothing()) node = node.Parent();
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
      TreeNode found;
      for (int i = 1; i <= node.ChildCount(); ++i)
        if (node.ChildAt(i).Text() == part) found = node.ChildAt(i);
      if (found.IsNothing()) return TreeNode();
      node = found;
    }
    return node;
  });
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

void Journey::ClickExpandSign(const QString& path) {
  if (NodeByPath(path).IsNothing()) {
    ADD_FAILURE() << "no node " << path.toStdString() << " in the remote tree";
    return;
  }
  Do([path] {
    UniTreeViewMC* tree = Smart::Instance().ColumnRemoteTreeView();
    QTreeWidgetItem* item = tree->topLevelItemCount() > 0 ? tree->topLevelItem(0) : nullptr;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
      QTreeWidgetItem* found = nullptr;
      for (int i = 0; item != nullptr && i < item->childCount(); ++i)
        if (item->child(i)->text(0) == part) found = item->child(i);
      item = found;
    }
    if (item == nullptr) return;
    tree->scrollToItem(item);
    // The sign stands in the indentation left of the node's picture.
    const QRect row = tree->visualItemRect(item);
    const QPoint sign(row.left() - tree->indentation() / 2, row.center().y());
    SendMouse(tree->viewport(), QEvent::MouseButtonPress, sign, Qt::LeftButton, Qt::LeftButton);
    SendMouse(tree->viewport(), QEvent::MouseButtonRelease, sign, Qt::LeftButton, Qt::NoButton);
  });
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
