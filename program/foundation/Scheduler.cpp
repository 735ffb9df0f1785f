#include "program/foundation/Scheduler.h"

#include <memory>

#include "program/foundation/Options.h"
#include "platform/errors/RuntimeError.h"
#include "platform/system/LocaleInfo.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"

namespace OrvaneMac {
namespace {

// The separator of a formatted time: the non-digits that follow the first
// digits, up to the next digit, trimmed of blanks.
QString TimeSeparator(const QString& formattedTime) {
  QString separator;
  bool sawNonDigit = false;
  for (const QChar ch : formattedTime) {
    const bool digit = ch >= u'0' && ch <= u'9';
    if (digit) {
      if (sawNonDigit) break;
      continue;
    }
    sawNonDigit = true;
    separator = vb::Trim(separator) + ch;
  }
  return separator;
}

// The formatted time of day of `text` as "H:mm". A text that cannot be read
// as a date and time gives the formatted noon: only the separator is used,
// and it is the same for every time.
QString FormattedTime(const QString& text) {
  QDateTime value(QDate(2000, 1, 1), QTime(12, 0));
  vb::ResumeNext next;
  next([&] { value = vb::CDate(text); });
  return vb::Format(value, QStringLiteral("H:mm"));
}

QString TwoDigits(const QString& text) { return text.size() == 1 ? QStringLiteral("0") + text : text; }

}  // namespace

Scheduler& gScheduler() {
  static std::unique_ptr<Scheduler> scheduler;
  if (!scheduler) scheduler = std::make_unique<Scheduler>();
  return *scheduler;
}

QString Scheduler::GetLocaleString(Long LCType) {
  QString result;
  vb::ResumeNext next;
  next([&] {
    QString buffer(256, QChar(0));
    const int count = win::GetLocaleInfo(win::LOCALE_USER_DEFAULT, static_cast<std::uint32_t>(LCType), buffer, 256);
    if (count > 0) result = buffer.left(count - 1);
  });
  return result;
}

QString Scheduler::Sch_SortBuildDate(const QString& strDate) {
  return vb::OnErrorGoTo(
      [&] {
        const QString separator = TimeSeparator(FormattedTime(strDate));
        const QStringList pieces =
            separator.isEmpty() ? QStringList{strDate} : strDate.split(separator, Qt::KeepEmptyParts);
        const QString hour = TwoDigits(pieces.isEmpty() ? QStringLiteral("0") : vb::Trim(pieces[0].right(2)));
        const QString minutes = TwoDigits(pieces.size() > 1 ? vb::Trim(pieces[1]) : QStringLiteral("0"));
        return strDate.mid(6, 4) + strDate.mid(0, 2) + strDate.mid(3, 2) + hour + minutes;
      },
      [](const vb::ErrorInfo& err) {
        TraceError(err, QStringLiteral("Sch_SortBuildDate"), vb::OwnerKind::ClassModule, QStringLiteral("Scheduler"));
        return QString();
      });
}

}  // namespace OrvaneMac
