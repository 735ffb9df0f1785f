#pragma once
// The fixture most engine tests start from: a temporary drive C: holding
// the program folder "C:\Prog" and the application folder
// "C:\Prog\OrvaneMac", a registry of its own, the clock at
// 12/08/2026 23:59:29, and a fresh engine state prepared as InitEngine
// prepares it for the restore program (application word "OrvaneMac",
// mode 1). Tests only; nothing of the engine includes it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/clock/Clock.h"
#include "platform/clock/FakeClock.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"

namespace OrvaneSrv {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(QDir().mkpath(tmp_.path() + "/Prog/OrvaneMac"));
    win::DriveTable table;
    table.Map(u'C', tmp_.path());
    drives_.emplace(table);
    registry_.emplace(win::RegistryConfig::InFolder(tmp_.path() + "/registry"));
    win::SetProgramFolder("C:\\Prog");
    ResetEngineForTesting();
    Engine().gsAppPath = "C:\\Prog\\";
    Engine().gsAppWord = "OrvaneMac";
    Engine().giMode = 1;
  }
  void TearDown() override {
    ResetEngineForTesting();
    win::SetProgramFolder({});
    registry_.reset();
    drives_.reset();
  }

  // The host path of a path relative to the drive root ("Prog/OrvaneMac/x").
  QString Host(const QString& relative) const { return tmp_.path() + "/" + QString(relative).replace('\\', '/'); }
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
  // The trace file of mode 1, as text.
  QString Trace() const {
    const QByteArray bytes = Bytes("Prog/OrvaneMac/TraceFile.txt");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  }
  // The trace file's lines, without the byte-order mark.
  QStringList TraceLines() const {
    QString text = Trace();
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    return lines;
  }
  static QString Ini(const QString& file, const QString& section, const QString& key) {
    return win::GetPrivateProfileString(section, key, QString(), 1024, file).value;
  }

  QTemporaryDir tmp_;
  std::optional<win::ScopedDriveTable> drives_;
  std::optional<win::ScopedRegistry> registry_;
  vb::FakeClock clock_{QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29))};
  vb::ScopedClock useClock_{clock_};
};

}  // namespace OrvaneSrv
