#pragma once
// The engine's public class WebDavControl: the one WebDAV client (internet
// session, connection, requests) and the holder of the engine's one error
// text.
//
// So far only the error text is here: the call-back bridge, the script
// client and the rsync side set it, and the facade hands it to the restore
// program after a call that did not succeed. The session, the requests and
// the status texts come with the WebDAV client work.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "platform/values/Object.h"
#include "platform/values/Variant.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT WebDavControl : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("WebDavControl"); }

  // Replaces the error text by `errs`; answers Empty.
  vb::Variant dav_seterrorstring(const QString& errs);
  // The error text whole, as the facade answers it. It is never emptied
  // after a success, so it only means something after a failed call.
  [[nodiscard]] QString GetDavErr() const;

 private:
  QString sErrorText;
};

// The engine's one WebDAV client, created on first use.
WebDavControl& gWebDavControl();

}  // namespace OrvaneSrv
