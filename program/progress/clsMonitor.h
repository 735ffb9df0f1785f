#pragma once
// The program's call-back class: the engine creates one by its program
// identifier "OrvaneforMAC.clsMonitor" for every progress event and calls
// it by name. The program offers the class at start-up
// (modGeneral::RegisterProgramClasses); its members come with the progress
// window.

#include <QString>

#include "platform/objects/DispatchObject.h"

namespace OrvaneMac {

class clsMonitor : public win::DispatchObject {
 public:
  [[nodiscard]] const win::MemberTable& Members() const override;

  // The engine's stop poll while it lists a folder for a search: false at
  // once while no stop was asked for; otherwise the search window's answer
  // for the item "2" (true).
  bool updateSearchProgress(const QString& sItem);
};

}  // namespace OrvaneMac
