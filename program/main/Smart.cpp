#include "program/main/Smart.h"

#include <QAction>

namespace OrvaneMac {

Smart& Smart::Instance() {
  static Smart form;
  return form;
}

Smart::Smart() : Form(QStringLiteral("Smart")) {}

QAction* Smart::mnuAboutTessara() {
  Load();
  return c_.mnuAboutTessara;
}

void Smart::CreateControls(FormWindow* window) {
  window->setWindowTitle(QStringLiteral("Orvane for Mac"));
  c_.mnuAboutTessara = new QAction(window);
  c_.mnuAboutTessara->setObjectName(QStringLiteral("mnuAboutTessara"));
  window->addAction(c_.mnuAboutTessara);
}

void Smart::ForgetControls() { c_ = Controls{}; }

}  // namespace OrvaneMac
