#pragma once
// The fixture most program tests start from: a temporary drive C: holding
// the program folder "C:\Prog" (no application folder yet, as on a fresh
// installation), a registry of its own, the clock at 12/08/2026 23:59:29,
// English (United States) regional settings, fresh program values with the
// application word "OrvaneMac", the engine prepared for the same folders,
// as the program prepares it (mode 1), single-instance locks of the test's
// own, and a program end that fails the test instead of ending the process.
// Tests only.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include "ZQwinSrv/facade/clsController.h"
#include "program/foundation/modMain.h"
#include "program/foundation/ProgramState.h"
#include "platform/clock/Clock.h"
#include "platform/clock/FakeClock.h"
#include "platform/paths/WinPath.h"
#include "platform/process/NamedMutex.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "platform/text/UserLocale.h"

namespace OrvaneMac {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/Prog"));
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/locks"));
    win::NamedMutex::SetFolders(tmp_.path() + "/locks/shared", tmp_.path() + "/locks/local");
    modGeneral::SetEndProgramHandler([] { ADD_FAILURE() << "the program ended its process"; });
    win::DriveTable table;
    table.Map(u'C', tmp_.path());
    drives_.emplace(table);
    registry_.emplace(win::RegistryConfig::InFolder(tmp_.path() + "/registry"));
    win::SetProgramFolder("C:\\Prog");
    ResetProgramForTesting();
    Program().AppWord = "OrvaneMac";
    // The engine's state outlives a test; preparing it again points it
    // at this test's folders.
    OrvaneSrv::clsController().InitEngine("C:\\Prog", 1, {}, "OrvaneMac");
  }
  void TearDown() override {
    ResetProgramForTesting();
    modGeneral::SetEndProgramHandler({});
    win::NamedMutex::SetFolders({}, {});
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
  }

  // The host path of a path below the drive root ("Prog/OrvaneMac/x").
  QString Host(const QString& relative) const { return tmp_.path() + "/" + QString(relative).replace('\\', '/'); }
  bool Exists(const QString& relative) const { return QFileInfo::exists(Host(relative)); }
  QByteArray Bytes(const QString& relative) const {
    QFile f(Host(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void WriteBytes(const QString& relative, const QByteArray& bytes) const {
    QDir().mkpath(QFileInfo(Host(relative)).path());
    QFile f(Host(relative));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  static QByteArray Utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  }
  static QByteArray Bom() { return QByteArray("\xFF\xFE", 2); }
  // The lines of the trace file, without its byte-order mark.
  QStringList TraceLines() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/TraceFile.txt");
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    return lines;
  }

  QTemporaryDir tmp_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  vb::FakeClock clock_{QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29))};
  vb::ScopedClock useClock_{clock_};
  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
};

}  // namespace OrvaneMac
