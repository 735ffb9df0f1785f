// What stunnel writes to the tunnel's standard error, in pieces as a pipe
// hands them over: every line passes on whole and in order, and the only
// lines the tunnel adds are its well-formed verdicts.
#include "fuzz/FuzzInput.h"
#include "tools/TunnelConf.h"

#include <QList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int piece = 1 + in.Byte() % 64;
  const QByteArray log = in.Rest();
  tools::TunnelLogFilter filter(QStringLiteral("rsync1.orvane.example"));
  QByteArray out;
  for (qsizetype at = 0; at < log.size(); at += piece) out += filter.Feed(log.mid(at, piece));
  out += filter.Finish();

  QList<QByteArray> expected = log.split('\n');
  if (!log.isEmpty() && log.endsWith('\n')) expected.removeLast();
  if (log.isEmpty()) expected.clear();
  qsizetype next = 0;
  for (const QByteArray& line : out.split('\n')) {
    QByteArray wanted = next < expected.size() ? expected.at(next) : QByteArray();
    if (wanted.endsWith('\r')) wanted.chop(1);
    if (next < expected.size() && line == wanted) {
      ++next;
      continue;
    }
    FUZZ_CHECK(line.isEmpty() || line.startsWith("tunnel: certificate refused: rsync1.orvane.example: ") ||
               line.startsWith("tunnel: connection failed: "));
  }
  FUZZ_CHECK(next == expected.size());
  return 0;
}
