#include "program/foundation/modReg.h"

#include "ZQwinSrv/foundation/SideFiles.h"

namespace OrvaneMac::modReg {

vb::Variant ReadRegistryValue(win::HKEY root, const QString& subkey, const QString& valueName) {
  OrvaneSrv::RegistryReadForm form;
  form.cutAtCr = true;
  form.emptyUnlessRead = true;
  return OrvaneSrv::RegReadValue(root, subkey, valueName, form);
}

void SetFormIcon(QWidget* /*window*/) {}

}  // namespace OrvaneMac::modReg
