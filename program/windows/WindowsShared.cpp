#include "program/windows/WindowsShared.h"

namespace OrvaneMac {

bool& SkipMainRefresh() {
  static bool value = false;
  return value;
}

QString& InputBoxAnswer() {
  static QString value;
  return value;
}

}  // namespace OrvaneMac
