#include "tools/ClientOutput.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <gtest/gtest.h>

namespace tools {
namespace {

// rsync's standard output for a transfer with -ii, --progress and our item
// marker: a header, four transferred files, one unchanged file, and a file
// cut off after an update that already said 100%.
const QByteArray kRsyncTransfer =
    "receiving file list ... 5 files to consider\n"
    "::ORV::>f+++++++++|6|a.txt\n"
    "\r              0   0%    0.00kB/s    0:00:00  \r              6 100%    1.17kB/s    0:00:00 (xfr#1, to-chk=3/4)\n"
    "::ORV::>f+++++++++|0|empty.txt\n"
    "\r              0 100%    0.00kB/s    0:00:00 (xfr#2, to-chk=2/4)\n"
    "::ORV::cd+++++++++|4096|Media/\n"
    "::ORV::>f+++++++++|3158073|Media/holiday clip.bin\n"
    "\r              0   0%    0.00kB/s    0:00:00  \r        1048576  33%    5.00MB/s    0:00:01  "
    "\r        3158073 100%   94.12MB/s    0:00:00 (xfr#3, to-chk=1/4)\n"
    "::ORV::.f          |25|Letters/\xc3\x9c"
    "n\xc3\xaf"
    "c\xc3\xb6"
    "d\xc3\xa9"
    " \xe6\x97\xa5\xe6\x9c\xac"
    ".txt\n"
    "::ORV::>f+++++++++|100|cut.bin\n"
    "\r             50  50%    1.00kB/s    0:00:01  \r            100 100%    1.00kB/s    0:00:00  \n"
    "\n"
    "sent 199 bytes  received 996 bytes  796.67 bytes/sec\n"
    "total size is 3158104  speedup is 2642.76\n";

// A progress line as the engine reads it: a ":" with a "%" before it, then fixed columns.
struct Parsed {
  QString f1, f2, f3, f4, item;
  bool operator==(const Parsed&) const = default;
};

std::optional<Parsed> EngineParse(const QByteArray& bytes) {
  const QString line = QString::fromUtf8(bytes);
  const qsizetype colon = line.indexOf(u':');
  if (colon < 0 || !line.left(colon + 1).contains(u'%')) return std::nullopt;
  return Parsed{line.mid(0, 15).trimmed(), line.mid(15, 16).trimmed(), line.mid(31, 16).trimmed(),
                line.mid(63, 4).trimmed(), line.mid(91)};
}

std::ostream& operator<<(std::ostream& os, const Parsed& p) {
  return os << p.f1.toStdString() << "|" << p.f2.toStdString() << "|" << p.f3.toStdString() << "|" << p.f4.toStdString()
            << "|" << p.item.toStdString();
}

TEST(OutputTranslator, TransferProgressInFixedColumns) {
  OutputTranslator translator(true);
  QByteArray out;
  // Byte by byte: rsync's output arrives in pieces of any size.
  for (char c : kRsyncTransfer) out += translator.Feed(QByteArray(1, c));
  out += translator.Finish();

  QList<Parsed> progress;
  QList<QByteArray> other;
  for (const QByteArray& line : out.split('\n')) {
    if (const auto p = EngineParse(line)) {
      progress << *p;
      EXPECT_EQ(line.at(67), '%') << line.toStdString();
    } else {
      other << line;
    }
  }
  const QString unicode = QString::fromUtf8(
      "Letters/\xc3\x9c"
      "n\xc3\xaf"
      "c\xc3\xb6"
      "d\xc3\xa9"
      " \xe6\x97\xa5\xe6\x9c\xac"
      ".txt");
  const QList<Parsed> expected{
      {"0", "6", "0", "0", "a.txt"},
      {"6", "6", "6", "100", "a.txt"},
      {"0", "0", "6", "100", "empty.txt"},
      {"0", "3158073", "6", "0", "Media/holiday clip.bin"},
      {"1048576", "3158073", "1048582", "33", "Media/holiday clip.bin"},
      {"3158073", "3158073", "3158079", "100", "Media/holiday clip.bin"},
      {"25", "25", "0", "100", "[Sync File]" + unicode},
      {"50", "100", "3158129", "50", "cut.bin"},
      {"100", "100", "3158179", "99", "cut.bin"},  // never finished: no line at 100
  };
  EXPECT_EQ(progress, expected);
  const QList<QByteArray> passed{"receiving file list ... 5 files to consider", "",
                                 "sent 199 bytes  received 996 bytes  796.67 bytes/sec",
                                 "total size is 3158104  speedup is 2642.76", ""};
  EXPECT_EQ(other, passed);
  // The files now whole in the destination: the finished and the equal
  // ones, not the one cut off.
  const QList<QByteArray> whole{"a.txt", "empty.txt", "Media/holiday clip.bin", unicode.toUtf8()};
  EXPECT_EQ(translator.WholeFiles(), whole);
}

TEST(OutputTranslator, ListingPassesUnchanged) {
  const QByteArray listing =
      "receiving incremental file list\ndrwxr-xr-x        4096 2014/03/04 10:15:02 .\n"
      "-rw-r--r--           6 2014/03/04 10:15:02 a.txt\n\nTotal file size: 120 bytes\n";
  OutputTranslator translator(false);
  EXPECT_EQ(translator.Feed(listing.left(50)) + translator.Feed(listing.mid(50)) + translator.Finish(), listing);
}

TEST(ErrorTranslator, LinesInTheShapesTheEngineReads) {
  ErrorTranslator translator({{QStringLiteral("/home/me/Restore Here"), QStringLiteral("/cygdrive/C/Restore Here")},
                              {QStringLiteral("/home/me"), QStringLiteral("/cygdrive/C")}});
  struct Case {
    QByteArray in, out;
  };
  const Case cases[] = {
      {R"(rsync: [sender] link_stat "nope.txt" (in tessara) failed: No such file or directory (2))",
       R"(rsync: link_stat "/nope.txt" (in tessara) failed: No such file or directory (2))"},
      {R"(rsync: [sender] link_stat "/Documents/./Letters/x" (in tessara) failed: No such file or directory (2))",
       R"(rsync: link_stat "/Documents/Letters/x" (in tessara) failed: No such file or directory (2))"},
      {R"(rsync: [sender] change_dir "Documents/Nothing" (in tessara3) failed: No such file or directory (2))",
       R"(rsync: link_stat "/Documents/Nothing" (in tessara3) failed: No such file or directory (2))"},
      {R"(rsync: [receiver] mkstemp "/home/me/Restore Here/.a.txt.Xy12" failed: Permission denied (13))",
       R"(rsync: mkstemp "/cygdrive/C/Restore Here/.a.txt.Xy12" failed: Permission denied (13))"},
      {R"(rsync: [receiver] open "/home/meta/x" failed: Permission denied (13))",
       R"(rsync: open "/home/meta/x" failed: Permission denied (13))"},
      {"@ERROR: auth failed on module tessara", "@ERROR: auth failed on module tessara"},
      {"rsync error: some files/attrs were not transferred (see previous errors) (code 23) at main.c(1956) "
       "[generator=3.5.0]",
       "rsync error: some files/attrs were not transferred (see previous errors) (code 23) at main.c(1956) "
       "[generator=3.5.0]"},
  };
  for (const Case& c : cases) EXPECT_EQ(translator.Line(c.in), c.out) << c.in.toStdString();
  // The link_stat line has its path's opening quote as its 18th character.
  EXPECT_EQ(translator.Line(cases[0].in).indexOf('"'), 17);

  // Whole stream: blank lines are dropped, a last line without its end is kept.
  ErrorTranslator stream({});
  QByteArray out = stream.Feed("\nrsync: [sender] link_stat \"a\" (in tessara) failed: x\n\nrsync erro");
  out += stream.Feed("r: code 23");
  out += stream.Finish();
  EXPECT_EQ(out, "rsync: link_stat \"/a\" (in tessara) failed: x\nrsync error: code 23\n");
  EXPECT_EQ(ErrorTranslator::Start(), "Password: \n");
}

}  // namespace
}  // namespace tools
