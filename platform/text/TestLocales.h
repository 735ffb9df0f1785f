#pragma once
// Locales the text tests pin, so that expectations do not depend on the
// host's settings. Tests only.

#include "platform/text/UserLocale.h"

namespace vb::test {

// English (US) with German separators and date order: "," decimal, "."
// grouping and date separator, "dd.MM.yyyy", 24-hour time.
inline UserLocale German() {
  UserLocale de = UserLocale::EnglishUS();
  de.decimalSeparator = QStringLiteral(",");
  de.thousandSeparator = QStringLiteral(".");
  de.dateSeparator = QStringLiteral(".");
  de.shortDatePattern = QStringLiteral("dd.MM.yyyy");
  de.longTimePattern = QStringLiteral("HH:mm:ss");
  return de;
}

}  // namespace vb::test
