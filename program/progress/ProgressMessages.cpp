#include "program/progress/ProgressMessages.h"

#include "program/foundation/MessageTable.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/MesgBox.h"

namespace OrvaneMac::progress {

QString MessageText(long id) {
  switch (id) {
    case kMsgEnterEmail:
    case kMsgEnterFeedback:
    case kMsgSelectToDelete:
    case kMsgSelectToView:
    case kMsgNothingToView:
    case kMsgInvalidEmail:
      return modReg::GetMessageText(id);
    default:
      return {};
  }
}

void ShowMessage(long id, long icon) { MesgBox::Instance().MessageBox(MessageText(id), icon, 0, Program().AppTitle); }

void ZQwinError(long code) { modGeneral::ZQwinError(static_cast<Integer>(code)); }

}  // namespace OrvaneMac::progress
