#pragma once
// The engine's public class clsProgressDisplay: the call-back bridge that reports progress to the restore program.
// Its members come with the work on that part of the engine; until then the
// class exists so that it can be created by its class and program
// identifiers.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "platform/values/Object.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT clsProgressDisplay : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("clsProgressDisplay"); }
};

}  // namespace OrvaneSrv
