#pragma once
// The text of a feedback report: the system report that stands before the
// user's message, and after it the newest lines of the program's transfer
// log and trace file and the machine's language and format settings.
//
// The report goes out as the content of a form post whose other fields
// are separated by "&": every text in it that the user typed or that comes
// from a log is URL-encoded, so none of it can add a field.

#include <QString>

namespace OrvaneMac {

// The values the system report is made of besides the host's.
struct SystemReportInput {
  QString emailAddress;   // the feedback window's address box, as typed
  QString contactNumber;  // its contact box, as typed
};

// The system report: the banner with the program's version, the host's
// system name and kernel release, the browser line (no browser version is
// known here), the proxy line, the signed-in name, the quota, the address
// and contact number, and the heading of the user's message, each line
// ended by CR LF and the heading by two.
[[nodiscard]] QString SystemReport(const SystemReportInput& input);

// The text encoding of the report's parts: the UTF-8 bytes with letters,
// digits and "/" kept and every other byte as "%XX"; "" for a text of
// blanks only.
[[nodiscard]] QString EncodeReportText(const QString& text);

// The user's message as the report carries it: "" when it is blank; one
// line encoded; two or more lines each encoded and followed by LF (blank
// lines stay as bare LFs).
[[nodiscard]] QString ReportMessageText(const QString& message);

namespace modGeneral {

// Appends to the report the tails of "OrvaneLogFile.txt" and
// "TraceFile.txt" of the application folder (each under its banner, and
// only when the file exists) and the user's and the system's locale
// details, and answers the result.
QString BuildErrorReportLogs(QString& report);

// The tail of a log of the application folder: its newest non-blank lines
// in file order, each encoded and followed by LF, as many as bring the
// scratch file "TmpLogAttach.txt" to 20000 bytes (the line that reaches
// the mark included). "" when the file does not exist. The two switches
// (legacy folder, 8-bit text) are kept for the callers and not supported:
// the report passes both off.
QString CollectLogAttachment(const QString& fileName, bool legacyFolder = false, bool eightBit = false);

// Appends `text` to the scratch file `path` as UTF-16 without a line end
// (creating it, with its byte-order mark, when it is missing).
void WriteTmpLogAttach(const QString& text, const QString& path, bool eightBit = false);

// The seven lines of locale details: of the system's default language for
// the section "CodePage" (any case), of the user's locale for any other.
[[nodiscard]] QString GetSystemLanguageDetails(const QString& section);

}  // namespace modGeneral
}  // namespace OrvaneMac
