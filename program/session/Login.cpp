#include "program/session/Login.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMetaObject>

#include "program/foundation/ProgramState.h"
#include "program/windows/Twips.h"

namespace OrvaneMac {

Login& Login::Instance() {
  static Login form;
  return form;
}

Login::Login() : Form(QStringLiteral("Login")) {}

void Login::CreateControls(FormWindow* window) {
  window->setWindowTitle(Program().AppTitle);
  c_.lblTitle = new QLabel(Program().AppProduct, window);
  c_.lblTitle->setObjectName(QStringLiteral("lblTitle"));
  Twips::SetPlace(c_.lblTitle, 240, 240, 4800, 360);
  SetWidth(5400);
  SetHeight(3600);
}

void Login::ForgetControls() { c_ = Controls{}; }

void Login::Form_Load() { CentreWindow(true); }

void Login::Form_Unload() {
  // Before the first successful sign-in of the run, leaving the sign-in
  // window ends the program.
  if (Program().LoginCount == 0) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
      QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    }
  }
}

}  // namespace OrvaneMac
