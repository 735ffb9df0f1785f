#pragma once
// The rsync client's command: from the batch line and the argument list the
// engine writes to the command line of Debian's rsync.
//
// The engine names the real arguments in a file, one token per line, whose
// POSIX path follows the client's own option "-7" on the command line (the
// batch line itself holds non-ASCII letters only as "A"). Only the options
// the engine writes are accepted; the rest is refused before anything runs.
// Paths in the "/cygdrive/<d>/..." form go through the drive table; the
// daemon's host and port through the connect-to map (ToolPaths.h).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <utility>
#include <vector>

namespace tools {

// Splits a batch line into its words, never through a shell: blanks and
// tabs separate words; double quotes and apostrophes group text and are
// removed, and quoted and plain parts that touch form one word
// (user@host::tessara"/" is one word); backslashes are plain characters.
// An unclosed quote runs to the end of the line.
[[nodiscard]] QStringList SplitBatchLine(const QString& line);

// The file name the client runs under.
inline constexpr char kClientExe[] = "orvane_int_rst_100.exe";

struct ClientPlan {
  QString error;               // not empty: the run is refused with this text
  int exitCode = 0;            // the code to end with when refused
  bool transfer = false;       // a destination was given (else a listing)
  QString destination;         // the transfer's host folder, ending in "/"
  QStringList rsyncArguments;  // argv[1..] of /usr/bin/rsync
  // With a file list, rsyncArguments holds kFilesFromPlaceholder, which the
  // client replaces with "--files-from=" and a private file holding filesFrom.
  bool hasFilesFrom = false;
  QByteArray filesFrom;
  QString tunnelAddress;  // not empty: wait for a listener here before rsync starts
  int tunnelPort = 0;
  // Host paths to write back in the client's form in error lines, longest first.
  std::vector<std::pair<QString, QString>> hostToClientPaths;
};

inline constexpr char kFilesFromPlaceholder[] = "--files-from=<private list>";

// The marker that starts the lines rsync writes for each item of a transfer
// (itemised change, size, name); the output translator reads and drops them.
inline constexpr char kItemMarker[] = "::ORV::";

// The tokens of the run: those of the argument list named by "-7<path>" in
// `commandLine` (its first line, the client's own name, skipped), or the
// command line itself when it names none. Sets `error` when the list cannot be read.
[[nodiscard]] QStringList ClientTokens(const QStringList& commandLine, QString* error);

// The plan for rsync from the client's tokens.
[[nodiscard]] ClientPlan PlanClientRun(const QStringList& tokens);

// The file list rewritten for a source below the module's root. rsync's
// daemon loses the files of a list whose source is a folder below the module
// ("file has vanished"), so the folder moves into each entry instead: with
// relative paths as "<folder>/./<entry>" (the part after "/./" is what is
// kept), without them as "<folder>/<entry>". Leading "/" of entries and CR
// at line ends are dropped; empty lines are left out.
[[nodiscard]] QByteArray RewriteFileList(const QByteArray& list, const QString& folder, bool relative);

// Writes `list` to a new file only this user can read, in the user's runtime
// folder (or the system's temporary folder), named after this process, and
// holds a lock on it until this process ends; answers its path, empty on
// failure. Files of runs that are gone (their process was ended at once, so
// nobody holds their lock) are removed on the way.
[[nodiscard]] std::string WritePrivateListFile(const QByteArray& list);

}  // namespace tools
