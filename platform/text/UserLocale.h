#pragma once
// The user's regional settings, as the legacy runtime and the system's own
// locale queries saw them.
//
// Everything in the system that formats or reads numbers and dates, and the
// system-information stand-in that answers locale queries, reads the settings
// only through CurrentUserLocale(). By default they come from the host locale
// (QLocale::system()); tests pin a locale with ScopedUserLocale so results do
// not depend on the machine.
//
// Patterns use the Windows pattern letters: d dd ddd dddd, M MM MMM MMMM,
// y yy yyyy, h hh (12-hour), H HH (24-hour), m mm, s ss, t tt (AM/PM), and
// text in single quotes.

#include <QString>
#include <QStringList>

#include <memory>

namespace vb {

// How a negative number is written (the Windows "negative number" setting).
enum class NegativeNumberForm {
  Parentheses = 0,         // (1.1)
  LeadingMinus = 1,        // -1.1
  LeadingMinusBlank = 2,   // - 1.1
  TrailingMinus = 3,       // 1.1-
  TrailingBlankMinus = 4,  // 1.1 -
};

struct UserLocale {
  // Identity, as the locale queries answer it.
  QString name = QStringLiteral("en-US");  // BCP 47 name
  unsigned lcid = 0x0409;                  // Windows locale identifier
  QString languageName = QStringLiteral("English (United States)");
  QString countryName = QStringLiteral("United States");         // in the locale's own language
  QString englishCountryName = QStringLiteral("United States");  // in English

  // Numbers.
  QString decimalSeparator = QStringLiteral(".");
  QString thousandSeparator = QStringLiteral(",");
  int groupSize = 3;           // digits in the group next to the decimal point; 0 = no grouping
  int secondaryGroupSize = 0;  // digits in each further group; 0 = same as groupSize
  int decimalDigits = 2;       // default decimals of FormatNumber
  bool leadingZero = true;     // "0.5" rather than ".5"
  NegativeNumberForm negativeForm = NegativeNumberForm::LeadingMinus;

  // Dates and times.
  QString dateSeparator = QStringLiteral("/");
  QString timeSeparator = QStringLiteral(":");
  QString shortDatePattern = QStringLiteral("M/d/yyyy");
  QString longDatePattern = QStringLiteral("dddd, MMMM d, yyyy");
  QString longTimePattern = QStringLiteral("h:mm:ss tt");
  QString amDesignator = QStringLiteral("AM");
  QString pmDesignator = QStringLiteral("PM");
  QStringList monthNames;          // 12 full names, January first
  QStringList abbrevMonthNames;    // 12 short names
  QStringList dayNames;            // 7 full names, Sunday first
  QStringList abbrevDayNames;      // 7 short names, Sunday first

  // The English (United States) settings, the defaults of the system.
  [[nodiscard]] static UserLocale EnglishUS();
  // Settings made from a Qt locale ("de_DE", "en_GB", ...). The C locale gives
  // EnglishUS(). Two-digit years of short-date patterns are widened to four
  // digits, as the Windows defaults have them.
  [[nodiscard]] static UserLocale FromQtLocale(const QString& qtName);
  // The host's settings (QLocale::system()), read once per process.
  [[nodiscard]] static UserLocale Host();

  // True when the short-date pattern puts the day first ("dd/MM/yyyy").
  [[nodiscard]] bool DayFirst() const;

  bool operator==(const UserLocale&) const = default;
};

// The settings in force: the pinned ones, else the host's.
[[nodiscard]] UserLocale CurrentUserLocale();
// The same settings, shared rather than copied (for code that formats or
// reads many values one after another).
[[nodiscard]] std::shared_ptr<const UserLocale> SharedUserLocale();

// Pins settings for the whole process until ResetUserLocale().
void SetUserLocale(const UserLocale& locale);
void ResetUserLocale();

// Pins settings for its lifetime and then restores what was in force before.
class ScopedUserLocale {
 public:
  explicit ScopedUserLocale(const UserLocale& locale);
  ~ScopedUserLocale();
  ScopedUserLocale(const ScopedUserLocale&) = delete;
  ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;

 private:
  bool hadPinned_;
  UserLocale previous_;
};

// Turns a Qt date/time pattern into the Windows pattern letters ("M/d/yy" ->
// "M/d/yy", "h:mm:ss AP t" -> "h:mm:ss tt", "HH:mm" -> "HH:mm"; Qt's "h"
// without AM/PM is a 24-hour "H"; time zones and milliseconds are dropped).
[[nodiscard]] QString WindowsPatternFromQt(const QString& qtPattern);

}  // namespace vb
