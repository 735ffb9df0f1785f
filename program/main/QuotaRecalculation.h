#pragma once
// The main window's quota recalculation: the "Recalculate" picture of the
// quota row asks the service to compute the account's used space again.
// Because that takes the service some time, a release on the picture first
// shows a notice under it for five seconds (the window stays alive, the
// handler does not return), then asks the service, lists the account's
// root once more and refreshes the quota row.
//
// The main window forwards the picture's mouse events here and keeps its
// own "pointer over the tree" mark, which gates the hand pointer and which
// a press on the picture clears. Its resize clears the press mark
// (QuotaRecalc().bRecalcDown) together with the toolbar's press marks.

#include <Qt>

class QWidget;

namespace OrvaneMac {

// The main window's private marks for the picture.
struct QuotaRecalcState {
  // From the start of the notice until the recalculation has returned; a
  // further release is ignored meanwhile.
  bool bRecalcBusy = false;
  // A button went down on the picture (only the main window's resize
  // clears it).
  bool bRecalcDown = false;
};
QuotaRecalcState& QuotaRecalc();

// The pointer moves over the picture: the hand pointer, only while the
// pointer has been over the remote tree since the last press.
void lblrecalculate_MouseMove(bool bOverTree);
// A press of any button on the picture.
void lblrecalculate_MouseDown(bool& bOverTree);
// A release on the picture: the notice and the recalculation (nothing for
// the right button, without a press first, while one runs, or while a
// restore or search runs).
void lblrecalculate_MouseUp(Qt::MouseButton button);
// The recalculation itself: asks the service, lists the root once more and
// refreshes the quota row; nothing while a restore or search runs.
void lblrecalculateClick();

// Makes the notice panel (`PicRecalcMess` with its label `lblRecalcMess`,
// hidden) on the main window and registers both in MainWindow(). The
// notice makes them itself when the main window has not.
void CreateRecalcNotice(QWidget* smart);

}  // namespace OrvaneMac
