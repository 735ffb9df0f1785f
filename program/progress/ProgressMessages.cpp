#include "program/progress/ProgressMessages.h"

#include "program/foundation/ProgramState.h"
#include "program/windows/MesgBox.h"

namespace OrvaneMac::progress {

QString MessageText(long id) {
  switch (id) {
    case kMsgEnterEmail:
      return QStringLiteral("Enter your email address. ");
    case kMsgEnterFeedback:
      return QStringLiteral("Enter your feedback/query. ");
    case kMsgSelectToDelete:
      return QStringLiteral("Select the item(s) that you want to delete.");
    case kMsgSelectToView:
      return QStringLiteral("Select an item to view its details.");
    case kMsgNothingToView:
      return QStringLiteral("There is no item to view.");
    case kMsgInvalidEmail:
      return QStringLiteral("Enter a valid email address.");
    default:
      return {};
  }
}

void ShowMessage(long id, long icon) { MesgBox::Instance().MessageBox(MessageText(id), icon, 0, Program().AppTitle); }

void ZQwinError(long code) {
  if (code == 105) ShowMessage(kMsgInvalidEmail, 2);
}

}  // namespace OrvaneMac::progress
