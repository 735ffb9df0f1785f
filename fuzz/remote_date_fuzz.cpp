// The server's modification dates as the remote tree and the search window
// show them: any text gives a date of the user's general form or
// "00/00/00 00:00:00", never an error or a line end; a date in the server's
// own form ("Tue, 04 May 2010 10:12:33 GMT") shows that very moment.
#include <QDateTime>

#include "fuzz/ProgramFuzz.h"
#include "platform/text/Format.h"
#include "program/browse/TreeViewControl.h"

namespace {

const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString Shown(const QString& text) {
  OrvaneMac::TreeViewControl& tree = OrvaneMac::TreeViewControl::Instance();
  tree.DateTimeResult = QStringLiteral("not set");
  tree.CalculateDateTime(text);
  return tree.DateTimeResult;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ProgramOnce();
  fuzz::Input in(data, size);
  // A moment from the first bytes, in the server's form.
  const QDate day(1900 + in.Byte() % 200, 1 + in.Byte() % 12, 1 + in.Byte() % 28);
  const QTime time(in.Byte() % 24, in.Byte() % 60, in.Byte() % 60);
  const QString serverForm = QString::asprintf("%s, %02d %s %04d %s GMT", kDays[day.dayOfWeek() - 1], day.day(),
                                               kMonths[day.month() - 1], day.year(),
                                               qPrintable(time.toString(QStringLiteral("HH:mm:ss"))));
  FUZZ_CHECK(Shown(serverForm) == vb::FormatGeneralDate(QDateTime(day, time)));

  // The rest as any text.
  const QString text = in.Text();
  const QString shown = Shown(text);
  FUZZ_CHECK(shown != QStringLiteral("not set"));
  FUZZ_CHECK(!shown.isEmpty() && shown.size() <= 40);
  FUZZ_CHECK(!shown.contains(u'\0') && !shown.contains(u'\r') && !shown.contains(u'\n'));
  return 0;
}
