#pragma once
// The search's own reading of the engine's listing and its matching of the
// user's key.
//
// The engine writes one recursive listing of the searched folder into
// "OrvaneSearchResult.txt" of the application folder: UTF-16 text, one
// entry a line, ended by LF, each line in fixed columns (1-based): the type
// in column 1 ("d" folder, "-" file), the size right-aligned in columns 12
// to 22, the modification time "yyyy/mm/dd hh:mm:ss" in 23 to 42 and the
// path relative to the searched folder from column 44 on.
//
// A key is matched as "*" key "*" against the lower-cased path with the
// language's Like rules ("?", "#", "*", lists in brackets). A "[" that no
// "]" closes stands for itself, so a key like "report[1" finds what it says.

#include <QString>
#include <QStringList>

#include <vector>

namespace OrvaneMac {

// "<program folder>\<application word>\OrvaneSearchResult.txt".
[[nodiscard]] QString SearchResultFile();

// One line of a listing, its fields cut at the first CR or NUL.
struct SearchListingLine {
  QChar type;    // 'd', '-' or anything else (passed over)
  QString size;  // columns 12 to 22, trimmed
  QString date;  // columns 23 to 42, trimmed
  QString name;  // column 44 on, leading blanks removed
};

// The lines of a listing's text that carry an entry: the text is split at
// LF (a text without any LF holds no line to read) and blank lines are
// left out.
[[nodiscard]] std::vector<SearchListingLine> ReadSearchListing(const QString& text);

// The lower-cased pattern for the paths of a listing (the key's trailing
// blanks dropped, its leading ones kept) and for the top-level files (the
// key trimmed on both sides).
[[nodiscard]] QString ListingSearchPattern(const QString& key);
[[nodiscard]] QString TopLevelSearchPattern(const QString& key);

// Whether the lower-cased `path` matches `pattern` as a whole. A pattern
// with a descending range matches nothing.
[[nodiscard]] bool SearchPathMatches(const QString& path, const QString& pattern);

// The size cell of a row: the bytes as a size text, "0 KB" for an empty
// field, empty for a field that is not a number.
[[nodiscard]] QString SearchSizeCell(const QString& sizeField);

// The date cell of a listing row: "yyyy/mm/dd hh:mm:ss" read as local time
// and shown in the user's general date format; empty when empty or
// unreadable.
[[nodiscard]] QString SearchListingDateCell(const QString& dateField);

}  // namespace OrvaneMac
