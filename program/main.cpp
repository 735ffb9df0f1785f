// The restore program OrvaneMacRestore_100.

#include <QApplication>

#include "program/foundation/modMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (!OrvaneMac::modGeneral::Main()) return 0;
  return QApplication::exec();
}
