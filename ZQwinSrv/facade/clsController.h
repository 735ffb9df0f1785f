#pragma once
// The engine's public controller. It has no fields of its own: every
// operation sets the one engine state or routes the call to the WebDAV and
// script side or to the rsync side, so two controllers of one process share
// one sign-in, one session, one error text and one set of job flags.

#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Collection.h"
#include "platform/values/Object.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT clsController : public vb::Object {
 public:
  [[nodiscard]] QString TypeName() const override { return QStringLiteral("clsController"); }

  // Prepares the engine for a client: application word and title, mode,
  // outside program names, secure transport and the program folder.
  void InitEngine(const QString& sAppPath, Integer iMode, const QString& GeoUsername = {},
                  const QString& sAppType = {});

  void Cont_SetMode(Integer iMode);
  void Cont_SetOsSystem(Integer otype);
  void SetInteractiveParam();
  void SetCommonFlag(bool bTypeBackup, bool bSync = false);
  void ResetCommonFlag();
  // Makes the engine use the caller's own collection (not a copy) as the
  // restore item set; answers its item count.
  Long Cont_SetRestoreItem(const vb::CollectionPtr& objResitem, double dTsetsize);
};

}  // namespace OrvaneSrv
