#pragma once
// What the rsync client writes, in the layouts the engine reads.
//
// Standard output. A listing passes unchanged (rsync runs with plain digits,
// so sizes end in column 22 and names start in column 44). A transfer is
// rewritten: rsync's progress updates (separated by CR) become one line each
// in fixed columns, and every item rsync reports unchanged becomes one
// "[Sync File]" line:
//
//   columns  1-15  bytes of the current file done
//           16-31  size of the current file
//           32-47  bytes of the run done (0 on a "[Sync File]" line)
//           48-63  blank
//           64-67  percent of the current file, "%" in 68
//           69-78  rsync's rate text
//           79-91  rsync's time text
//           92-    the item's path relative to the transfer's root
//
// A file reaches 100 only on the line rsync writes when it has finished the
// file, so each transferred file has exactly one line at 100 and a file cut
// off by an error has none. A "[Sync File]" line shows its file at 100.
//
// Standard error. "Password: " and a line feed come first (the engine looks
// for the prompt); blank lines are left out; rsync's role tags ("[sender] ") are removed; a missing
// item is always reported as
//   rsync: link_stat "/<path>" (in <module>) failed: No such file or directory (2)
// (a missing folder too, which rsync names with "change_dir" and no leading
// "/"); host paths of the run's files are written back in the client's
// "/cygdrive/<d>/..." form.

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>
#include <vector>

namespace tools {

// One progress line in the columns above.
[[nodiscard]] QByteArray ProgressLine(qint64 fileDone, qint64 fileSize, qint64 runDone, int percent,
                                      const QByteArray& rate, const QByteArray& time, const QByteArray& item);

// The "[Sync File]" mark written in front of the item's path.
inline constexpr char kSyncFileMark[] = "[Sync File]";

class OutputTranslator {
 public:
  explicit OutputTranslator(bool transfer) : transfer_(transfer) {}
  // The translated text for the next bytes of rsync's output.
  [[nodiscard]] QByteArray Feed(const QByteArray& bytes);
  // What is left at the end of the output.
  [[nodiscard]] QByteArray Finish();
  // The files rsync has reported whole in the destination so far (finished
  // or already equal), by their paths relative to the transfer's root.
  [[nodiscard]] const QList<QByteArray>& WholeFiles() const { return wholeFiles_; }

 private:
  QByteArray Record(const QByteArray& record, bool lineEnd);

  bool transfer_;
  QByteArray pending_;
  // The file being transferred.
  bool active_ = false;
  QByteArray name_;
  qint64 size_ = 0;
  qint64 runDone_ = 0;  // sizes of the files finished in this run
  QList<QByteArray> wholeFiles_;
};

class ErrorTranslator {
 public:
  explicit ErrorTranslator(std::vector<std::pair<QString, QString>> hostToClientPaths)
      : paths_(std::move(hostToClientPaths)) {}
  // The prompt line written before anything else.
  [[nodiscard]] static QByteArray Start() { return QByteArrayLiteral("Password: \n"); }
  [[nodiscard]] QByteArray Feed(const QByteArray& bytes);
  [[nodiscard]] QByteArray Finish();
  // One line of rsync's standard error, without its line end.
  [[nodiscard]] QByteArray Line(const QByteArray& line) const;

 private:
  std::vector<std::pair<QString, QString>> paths_;
  QByteArray pending_;
};

}  // namespace tools
