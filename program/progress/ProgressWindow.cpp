#include "program/progress/ProgressWindow.h"

#include "program/progress/frmProgressDisplay.h"
#include "platform/errors/RuntimeError.h"

namespace OrvaneMac {

void ShowProgressWindowModeless() {
  vb::ResumeNext next;
  frmProgressDisplay& window = frmProgressDisplay::Instance();
  // A window loaded earlier (the path fitting loads it) keeps what its load
  // decided; every restore starts it afresh all the same, so a stop left
  // from an earlier window never cancels this restore.
  next([&] { window.PrepareForRestore(); });
  next([&] { window.Show(); });
}

void ShowProgressWindowAgain() {
  vb::ResumeNext next;
  next([] { frmProgressDisplay::Instance().Show(); });
}

void UnloadProgressWindow() {
  vb::ResumeNext next;
  next([] { frmProgressDisplay::Instance().Unload(); });
}

}  // namespace OrvaneMac
