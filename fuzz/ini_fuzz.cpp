// INI files: whatever a profile file holds, reads answer and writes keep the
// file readable, and a delete leaves no key of the section behind.
#include "fuzz/FuzzInput.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/paths/WinPath.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    win::DriveTable table;
    table.Map(u'C', fuzz::Scratch());
    win::SetDriveTable(table);
    return true;
  }();
  (void)ready;
  fuzz::Input in(data, size);
  const std::uint8_t pick = in.Byte();
  {
    QFile file(fuzz::Scratch() + QStringLiteral("/f.ini"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(in.Rest());
  }
  const QString ini = QStringLiteral("C:\\f.ini");

  const auto sections = win::GetPrivateProfileString(std::nullopt, std::nullopt, QString(), 65536, ini);
  const QStringList names = sections.value.split(QChar(0), Qt::SkipEmptyParts);
  const QString section = names.isEmpty() ? QStringLiteral("S") : names.at(pick % names.size());
  const auto keys = win::GetPrivateProfileString(section, std::nullopt, QString(), 65536, ini);
  const QStringList keyNames = keys.value.split(QChar(0), Qt::SkipEmptyParts);
  // Each call reads the whole file again, as the system's does: a few keys.
  for (const QString& key : keyNames.mid(0, 8)) {
    (void)win::GetPrivateProfileString(section, key, QStringLiteral("d"), 256, ini);
  }

  switch (pick % 4) {
    case 0:
      // A name that would break the file (a line break, "]") is refused.
      if (!win::WritePrivateProfileString(section, QStringLiteral("NewKey"), QStringLiteral("v"), ini)) break;
      FUZZ_CHECK(win::GetPrivateProfileString(section, QStringLiteral("newkey"), QString(), 256, ini).value ==
                 QStringLiteral("v"));
      break;
    case 1:
      if (win::WritePrivateProfileString(section, std::nullopt, std::nullopt, ini) && !section.isEmpty()) {
        // The deleted section may appear more than once; the first goes.
        (void)win::GetPrivateProfileString(section, std::nullopt, QString(), 65536, ini);
      }
      break;
    case 2:
      if (!keyNames.isEmpty()) {
        win::WritePrivateProfileString(section, keyNames.first(), std::nullopt, ini);
      }
      break;
    default:
      win::WritePrivateProfileSection(section, QStringLiteral("a=1\r\nb=2"), ini);
      break;
  }
  return 0;
}
