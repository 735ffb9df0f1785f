// The search window's reading of "OrvaneSearchResult.txt": whatever bytes
// the file holds, the window reads it as UTF-16LE text (a leading mark
// skipped, an odd last byte dropped) and gets back only rows of the
// promised form: a type character, a trimmed size of at most 11 and a
// trimmed date of at most 20 characters, a name without leading blanks,
// none of them holding a line end or NUL. The cells made of them are a
// size text, "0 KB" or empty, and a date or empty; a well-formed date is
// never empty. The user's key is matched against every name, and a name
// without wildcard characters finds itself.
#include <QRegularExpression>

#include "fuzz/ProgramFuzz.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/TextStream.h"
#include "platform/text/Strings.h"
#include "program/main/SearchResultFile.h"

namespace {

bool HasLineEnd(const QString& s) { return s.contains(u'\0') || s.contains(u'\r') || s.contains(u'\n'); }

// (A character test, not a pattern: patterns see no match in a text with
// lone surrogates.)
bool HasWildcard(const QString& s) {
  for (const QChar c : s) {
    if (c == u'[' || c == u']' || c == u'?' || c == u'#' || c == u'*') return true;
  }
  return false;
}

bool HasLoneSurrogate(const QString& s) {
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
      ++i;
    } else if (s[i].isSurrogate()) {
      return true;
    }
  }
  return false;
}

bool Trimmed(const QString& s) { return !s.startsWith(u' ') && !s.endsWith(u' '); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ProgramOnce();
  fuzz::Input in(data, size);
  // A short key first, then the file's bytes.
  const std::uint8_t keyBytes = in.Byte() % 32;
  QByteArray keyUtf8;
  for (std::uint8_t i = 0; i < keyBytes; ++i) keyUtf8.append(static_cast<char>(in.Byte()));
  const QString key = QString::fromUtf8(keyUtf8);
  const QByteArray bytes = in.Rest();

  const QString relative = QStringLiteral("Prog/OrvaneMac/OrvaneSearchResult.txt");
  fuzz::WriteHost(relative, bytes);
  FUZZ_CHECK(OrvaneMac::SearchResultFile() == QStringLiteral("C:\\Prog\\OrvaneMac\\OrvaneSearchResult.txt"));
  win::TextStream stream =
      win::OpenTextFile(OrvaneMac::SearchResultFile(), win::ForReading, false, win::TristateTrue);
  // A file with no character to read raises "Input past end of file",
  // which the window passes over with an empty text.
  QString text;
  bool raised = false;
  try {
    text = stream.ReadAll();
  } catch (const vb::RuntimeError& e) {
    FUZZ_CHECK(e.Number() == 62);
    raised = true;
  }
  stream.Close();
  const QByteArray units = bytes.startsWith("\xFF\xFE") ? bytes.mid(2) : bytes;
  FUZZ_CHECK(raised == (units.size() < 2));
  FUZZ_CHECK(text == fuzz::Input::Decode(true, units.left(units.size() & ~qsizetype(1))));

  const std::vector<OrvaneMac::SearchListingLine> rows = OrvaneMac::ReadSearchListing(text);
  if (!text.contains(u'\n')) FUZZ_CHECK(rows.empty());
  FUZZ_CHECK(static_cast<qsizetype>(rows.size()) <= text.count(u'\n') + 1);

  const QString pattern = OrvaneMac::ListingSearchPattern(key);
  static const QRegularExpression sizeText(QStringLiteral("^-?[0-9]{1,3}(,[0-9]{3})*\\.[0-9]{2} (B|KB|MB|GB)$"));
  static const QRegularExpression wellFormedDate(
      QStringLiteral("^(19[7-9][0-9]|20[0-9][0-9])/(0[1-9]|1[0-2])/(0[1-9]|1[0-9]|2[0-8]) "
                     "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$"));
  for (const OrvaneMac::SearchListingLine& row : rows) {
    FUZZ_CHECK(row.type != u'\0' && row.type != u'\r' && row.type != u'\n');
    FUZZ_CHECK(!HasLineEnd(row.size) && !HasLineEnd(row.date) && !HasLineEnd(row.name));
    FUZZ_CHECK(row.size.size() <= 11 && Trimmed(row.size));
    FUZZ_CHECK(row.date.size() <= 20 && Trimmed(row.date));
    FUZZ_CHECK(!row.name.startsWith(u' '));

    const QString sizeCell = OrvaneMac::SearchSizeCell(row.size);
    FUZZ_CHECK(sizeCell.isEmpty() || sizeCell == QStringLiteral("0 KB") || sizeText.match(sizeCell).hasMatch());
    if (row.size.isEmpty()) FUZZ_CHECK(sizeCell == QStringLiteral("0 KB"));

    const QString dateCell = OrvaneMac::SearchListingDateCell(row.date);
    FUZZ_CHECK(!HasLineEnd(dateCell) && dateCell.size() <= 40);
    if (wellFormedDate.match(row.date).hasMatch()) FUZZ_CHECK(!dateCell.isEmpty());
    if (row.date.isEmpty()) FUZZ_CHECK(dateCell.isEmpty());

    (void)OrvaneMac::SearchPathMatches(row.name, pattern);
    // (Lone surrogates are left out: lower-casing turns one into U+FFFD
    // where a character follows it, so a key typed from such a broken name
    // differs from the name; no listing the engine writes holds one.)
    if (row.name.size() <= 256 && !HasWildcard(row.name) && !HasLoneSurrogate(row.name)) {
      FUZZ_CHECK(OrvaneMac::SearchPathMatches(row.name, OrvaneMac::ListingSearchPattern(row.name)));
    }
  }
  return 0;
}
