#pragma once
// The widgets side of the user-interface services: a plain dialog as the
// message box until the restore program installs its skinned one, and the
// open-forms count of DoEvents. Only the program links this library; the
// engine reaches the message box through the Core-only service.

#include "platform/ui/MessageBoxService.h"

namespace win {

// Shows `request` as a modal QMessageBox with the box's own icon, captions
// (access letters kept), Enter button and close-box answer, and answers the
// button code. Without a QApplication it shows nothing, logs the text and
// answers the close-box answer.
long QtMessageBox(const MessageBoxRequest& request);

// Installs QtMessageBox as the message-box handler and the count of the
// application's top-level windows as DoEvents' open-forms count.
void InstallWidgetsUi();

}  // namespace win
