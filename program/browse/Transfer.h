#pragma once
// The program's class Transfer: the states of the main window's controls.
//
//   busy / idle            Trf_DisableComponent, Trf_EnableComponent: the
//                          hourglass and a disabled window around every long
//                          remote-tree operation (the calls do not nest:
//                          one idle call ends any number of busy calls);
//   disconnected /         Trf_DisableRemoteComponent, Trf_EnableRemoteComponent:
//   connected              the toolbar pictures, the remote tree and the menu
//                          items that need a signed-in account;
//   folder information     Trf_ShowRemoteDirInfo, Trf_HideRemoteDirInfo.
//
// They act on the controls the main window registered (MainWindow()); a
// control that is not there ends the procedure with its error line, and the
// controls changed before it keep their new state.

#include <QString>

namespace OrvaneMac {

class Transfer {
 public:
  void Trf_DisableComponent();
  // Idle; an idle window without a listed remote root is shown disconnected.
  void Trf_EnableComponent();
  // Unless `bDoNotRemtree`, also removes the remote root.
  void Trf_DisableRemoteComponent(bool bDoNotRemtree);
  void Trf_EnableRemoteComponent();
  void Trf_ShowRemoteDirInfo();
  void Trf_HideRemoteDirInfo();
};

// The program's Transfer, created on first use.
Transfer& gTransfer();

}  // namespace OrvaneMac
