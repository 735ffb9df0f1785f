#pragma once
// The engine as the targets that drive it see it: drive C: is the fuzzing
// scratch folder, holding the program folder "C:\Prog" and the application
// folder "C:\Prog\OrvaneMac", with a registry of its own, and each input
// starts from a fresh engine state prepared for the restore program.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ZQwinSrv/foundation/EngineState.h"
#include "fuzz/FuzzInput.h"
#include "platform/clock/Clock.h"
#include "platform/clock/FakeClock.h"
#include "platform/paths/WinPath.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"

namespace fuzz {

// The host path of a path below the drive root ("Prog/OrvaneMac/x").
inline QString Host(const QString& relative) { return Scratch() + QStringLiteral("/") + relative; }

inline void WriteHost(const QString& relative, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(Host(relative)).path());
  QFile file(Host(relative));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
  file.write(bytes);
}

inline QByteArray ReadHost(const QString& relative) {
  QFile file(Host(relative));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets the drives, the registry and a clock that never waits, once.
inline void Drives() {
  static const bool ready = [] {
    QDir().mkpath(Host(QStringLiteral("Prog/OrvaneMac")));
    win::DriveTable table;
    table.Map(u'C', Scratch());
    win::SetDriveTable(table);
    win::SetRegistryConfig(win::RegistryConfig::InFolder(Scratch() + QStringLiteral("/registry")));
    win::SetProgramFolder(QStringLiteral("C:\\Prog"));
    static vb::FakeClock clock(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29)));
    static vb::ScopedClock useClock(clock);
    return true;
  }();
  (void)ready;
}

// The drives, and the engine state anew. The trace and the transfer log
// are removed each time so that they do not grow over a run.
inline void FreshEngine() {
  Drives();
  QFile::remove(Host(QStringLiteral("Prog/OrvaneMac/TraceFile.txt")));
  QFile::remove(Host(QStringLiteral("Prog/OrvaneMac/OrvaneLogFile.txt")));
  OrvaneSrv::ResetEngineForTesting();
  OrvaneSrv::EngineState& g = OrvaneSrv::Engine();
  g.gsAppPath = QStringLiteral("C:\\Prog\\");
  g.gsAppWord = QStringLiteral("OrvaneMac");
  g.giMode = 1;
}

}  // namespace fuzz
