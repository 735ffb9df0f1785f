// Script replies: the compute-size script's size text, and the location
// script's server names, which go into the user's server profile. Whatever
// a script (or a proxy in between) answers, the size is a number and the
// profile keeps its one section with its four one-line keys.
#include <QSet>

#include <cmath>

#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/server/HttpFunctions.h"
#include "fuzz/EngineFuzz.h"
#include "platform/ini/PrivateProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshEngine();
  fuzz::Input in(data, size);
  // Script replies are read as UTF-8.
  const QString reply = QString::fromUtf8(in.Rest());

  const double kilobytes = OrvaneSrv::RemoteSizeKilobytes(reply);
  if (!reply.contains(u'K')) FUZZ_CHECK(kilobytes == 0);

  const QString profile = QStringLiteral("C:\\Prog\\OrvaneMac\\u\\orvaneserver.ini");
  QFile::remove(fuzz::Host(QStringLiteral("Prog/OrvaneMac/u/orvaneserver.ini")));
  int posts = 0;
  {
    OrvaneSrv::ScopedScriptPoster poster([&](const QString&, const QString&, const QString&, OrvaneSrv::Integer,
                                             QString&, OrvaneSrv::Long) {
      ++posts;
      return reply;
    });
    (void)OrvaneSrv::gTransfer().Trf_ReadUserServerProfile(QStringLiteral("RSYNCSERVER"), QStringLiteral("u"));
  }
  FUZZ_CHECK(posts == 1);

  const auto sections = win::GetPrivateProfileString(std::nullopt, std::nullopt, QString(), 65536, profile);
  const QStringList names = sections.value.split(QChar(0), Qt::SkipEmptyParts);
  FUZZ_CHECK(names.size() <= 1);
  if (names.isEmpty()) return 0;
  FUZZ_CHECK(names.first() == QStringLiteral("Orvane"));
  const auto keys = win::GetPrivateProfileString(QStringLiteral("Orvane"), std::nullopt, QString(), 65536, profile);
  static const QSet<QString> known{QStringLiteral("SERVERNAME"), QStringLiteral("RSYNCSERVER"),
                                   QStringLiteral("WEBDAVSERVER"), QStringLiteral("QUOTASERVER")};
  for (const QString& key : keys.value.split(QChar(0), Qt::SkipEmptyParts)) {
    FUZZ_CHECK(known.contains(key));
    const QString value = win::GetPrivateProfileString(QStringLiteral("Orvane"), key, QString(), 4096, profile).value;
    FUZZ_CHECK(!value.contains(u'\r') && !value.contains(u'\n'));
  }
  return 0;
}
