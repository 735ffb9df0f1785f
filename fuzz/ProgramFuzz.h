#pragma once
// The restore program as the targets that drive it see it: the engine's
// drives and registry (EngineFuzz.h), single-instance locks of the run's
// own, English (United States) regional settings, fresh program values with
// the application word "OrvaneMac" and the engine prepared for the same
// folders, once per process. A program end is a finding.

#include "ZQwinSrv/facade/clsController.h"
#include "fuzz/EngineFuzz.h"
#include "platform/process/NamedMutex.h"
#include "platform/text/UserLocale.h"
#include "program/foundation/ProgramState.h"
#include "program/foundation/modMain.h"

namespace fuzz {

inline void ProgramOnce() {
  static const bool ready = [] {
    Drives();
    win::NamedMutex::SetFolders(Host(QStringLiteral("locks/shared")), Host(QStringLiteral("locks/local")));
    OrvaneMac::modGeneral::SetEndProgramHandler([] { std::abort(); });
    static vb::ScopedUserLocale locale(vb::UserLocale::EnglishUS());
    OrvaneMac::ResetProgramForTesting();
    OrvaneMac::Program().AppWord = QStringLiteral("OrvaneMac");
    OrvaneSrv::clsController().InitEngine(QStringLiteral("C:\\Prog"), 1, {}, QStringLiteral("OrvaneMac"));
    return true;
  }();
  (void)ready;
  // The trace would grow over a run.
  QFile::remove(Host(QStringLiteral("Prog/OrvaneMac/TraceFile.txt")));
}

}  // namespace fuzz
