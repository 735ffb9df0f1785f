#pragma once
// Small helpers of the engine's general module that many operations share:
// cutting texts at control characters, replacing and finding sections of a
// text, the account-relative part of a remote path, display sizes, the
// restore counters, a chain of local folders, UTF-8 conversion, masking
// characters outside the 8-bit range, the rsync route's drive work folder,
// and emptying a collection.
//
// Every helper traps its own run-time errors (trace line, empty result)
// except GetTempPaths, whose failure the rsync runs report themselves.

#include <QByteArray>
#include <QString>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Collection.h"

namespace OrvaneSrv {

// The text cut before its first CR (unless the CR is its first character)
// and before its first NUL, whichever comes earlier. Lines read from the
// registry, the profile and the rsync client's logs carry both. The restore
// program cuts a leading CR too (`keepLeadingCr` false). Shared with the
// restore program.
[[nodiscard]] ORVANESRV_EXPORT QString StripNull(const QString& text, bool keepLeadingCr = true);

// `sString` with every occurrence of `sToReplace` replaced by `sReplaceWith`,
// found left to right; the search goes on after each replaced occurrence, so
// replaced text is never searched again ("///" with "//" -> "/" gives "//").
// An empty section leaves the text as it was.
[[nodiscard]] ORVANESRV_EXPORT QString ReplaceSection(const QString& sString, const QString& sToReplace, const QString& sReplaceWith);

// The 1-based position of the last occurrence of `oftype` in `fpath`, 0 when
// there is none (or `oftype` is empty).
[[nodiscard]] qsizetype PositionOfString(const QString& fpath, const QString& oftype);

// The part of a remote path after the first "/Files/" (the account root
// "/users/<user>/Files/" gives ""); a path without it gives the text from
// its seventh character on. Shared with the restore program, which decodes
// the result.
[[nodiscard]] ORVANESRV_EXPORT QString GetRemotePath(const QString& path);

// A byte count for display: two decimals in the user's number format and the
// unit ("1.50 KB"); with `bits`, eight times the value and " Kb"-style units.
// The bands are strict: 1024 bytes are "1,024.00 B", 1025 "1.00 KB".
// Shared with the restore program.
[[nodiscard]] ORVANESRV_EXPORT QString GetProperSizeValue(double size, bool bits);

// The restore counters of the engine state.
void ResetTransferCounters();
void ResetSummaryCounters();
[[nodiscard]] double GetSucessCount();
[[nodiscard]] double GetTotalCount();

// Creates every folder of the "\"-separated relative path below `baseFolder`
// (empty parts are skipped) and answers the full folder path ending in "\";
// "" after a failure, which also marks the running restore as failed.
QString CretateMirrorFolderPath(const QString& relativePath, const QString& baseFolder);

// Text <-> UTF-8 bytes (no byte-order mark).
[[nodiscard]] QByteArray ToUtf8(const QString& text);
[[nodiscard]] QString FromUtf8(const QByteArray& bytes);

// The text with every character of code 129 or above replaced by "A" (the
// rsync client's argument lists are read as 8-bit text).
[[nodiscard]] QString MaskNonAnsiChars(const QString& text);

// The drive work folder of the rsync route, the root of the program folder's
// drive followed by "OrvaneInt", into `workFolder`; creates it and its
// subfolder "ORVANETEMP" when missing. Failures raise to the caller.
void GetTempPaths(QString& workFolder);

// A name as the logs show it: every control character (and the Unicode line
// and paragraph separators) written as "\#" and the three octal digits of
// each of its UTF-8 bytes, the way the rsync client shows them ("\#012" for
// a line feed). A server's name can then never start a line of its own in a
// log. Shared with the rsync route.
[[nodiscard]] QString LogName(const QString& name);

// Removes every item of the collection. Shared with the restore program.
ORVANESRV_EXPORT void ClearBacksetData(const vb::CollectionPtr& collection);

}  // namespace OrvaneSrv
