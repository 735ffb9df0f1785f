#pragma once
// Test helper: the number of the run-time error a step raises, 0 when it
// raises none. Tests only.

#include "platform/errors/RuntimeError.h"

namespace vb::test {

template <typename Step>
long ErrorOf(Step&& step) {
  try {
    step();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

}  // namespace vb::test
