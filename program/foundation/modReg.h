#pragma once
// The program's registry reader and the icon hook every window calls while
// it loads.

#include <QString>

#include "platform/registry/RegistryTypes.h"
#include "platform/values/Variant.h"

class QWidget;

namespace OrvaneMac::modReg {

// One value of the key `subkey` (a leading "\" is dropped) under `root`,
// opened with full access: a REG_SZ as its text up to the first CR or NUL,
// a REG_DWORD as a 32-bit number, a REG_BINARY as its first byte. Empty for
// a key that cannot be opened, a missing value, a value longer than 2048
// bytes or without data, and any other type. Nothing is reported.
[[nodiscard]] vb::Variant ReadRegistryValue(win::HKEY root, const QString& subkey, const QString& valueName);

// Every window keeps the icon it was designed with: the hook changes nothing.
void SetFormIcon(QWidget* window);

}  // namespace OrvaneMac::modReg
