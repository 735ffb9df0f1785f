#include <QWidget>

#include "program/progress/SessionLogFiles.h"
#include "program/session/Transfer.h"

namespace OrvaneMac {

void Transfer::Trf_ViewFile(QWidget* reffrm, const QString& document) {
  ViewFile(reffrm != nullptr ? reffrm->objectName() : QString(), document);
}

}  // namespace OrvaneMac
