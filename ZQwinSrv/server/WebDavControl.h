#pragma once
// The engine's public class WebDavControl: the one WebDAV client: internet session, connection, requests and the engine's error text.
// Its members come with the work on that part of the engine; until then the
// class exists so that it can be created by its class and program
// identifiers.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "platform/values/Object.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT WebDavControl : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("WebDavControl"); }
};

}  // namespace OrvaneSrv
