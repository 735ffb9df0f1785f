#include "platform/ini/PrivateProfile.h"

#include "platform/codepage/CodePage.h"
#include "platform/files/FolderLock.h"
#include "platform/paths/WinPath.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStringList>
#include <QtEndian>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace win {
namespace {

Q_LOGGING_CATEGORY(lcIni, "platform.ini")

const QString kCrLf = QStringLiteral("\r\n");

thread_local DWORD tLastError = ERROR_SUCCESS;

bool Fail(DWORD code) {
  tLastError = code;
  return false;
}

bool Succeed() {
  tLastError = ERROR_SUCCESS;
  return true;
}

// ---------------------------------------------------------------------------
// The file as lines, each with the terminator it had, so that untouched lines
// go back to disk exactly as they came.

enum class Encoding { Ansi, Utf16le };

struct Line {
  QString text;
  QString eol;  // "\r\n", "\n" or "" (last line without terminator)
};

struct ProfileText {
  Encoding encoding = Encoding::Ansi;
  std::vector<Line> lines;
  QByteArray oddByte;  // the last byte of a UTF-16 file of odd length, kept as it was
};

std::vector<Line> SplitLines(const QString& text) {
  std::vector<Line> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\n') continue;
    const bool crlf = i > start && text[i - 1] == u'\r';
    lines.push_back({text.mid(start, i - start - (crlf ? 1 : 0)), crlf ? kCrLf : QStringLiteral("\n")});
    start = i + 1;
  }
  if (start < text.size()) lines.push_back({text.mid(start), {}});
  return lines;
}

ProfileText Decode(const QByteArray& bytes) {
  ProfileText t;
  if (bytes.size() >= 2 && static_cast<uchar>(bytes[0]) == 0xFF && static_cast<uchar>(bytes[1]) == 0xFE) {
    // Unit by unit, without validation, so that any content survives a rewrite.
    t.encoding = Encoding::Utf16le;
    const qsizetype units = (bytes.size() - 2) / 2;
    QString s(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) s[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 + 2 * i));
    if ((bytes.size() - 2) % 2 != 0) t.oddByte = bytes.right(1);
    t.lines = SplitLines(s);
  } else {
    t.lines = SplitLines(FromAnsi(bytes));
  }
  return t;
}

QByteArray Encode(const ProfileText& t) {
  qsizetype size = 0;
  for (const Line& line : t.lines) size += line.text.size() + line.eol.size();
  QString s;
  s.reserve(size);
  for (const Line& line : t.lines) {
    s += line.text;
    s += line.eol;
  }
  if (t.encoding == Encoding::Ansi) return ToAnsi(s);
  QByteArray out("\xFF\xFE", 2);
  out.reserve(2 + s.size() * 2 + 1);
  for (QChar c : s) {
    const quint16 u = qToLittleEndian<quint16>(c.unicode());
    out.append(reinterpret_cast<const char*>(&u), 2);
  }
  out.append(t.oddByte);
  return out;
}

// ---------------------------------------------------------------------------
// Line syntax.

bool IsBlankOrTab(QChar c) { return c == u' ' || c == u'\t'; }

QStringView TrimBlanksTabs(QStringView s) {
  qsizetype b = 0;
  qsizetype e = s.size();
  while (b < e && IsBlankOrTab(s[b])) ++b;
  while (e > b && IsBlankOrTab(s[e - 1])) --e;
  return s.sliced(b, e - b);
}

// Arguments lose surrounding blanks only (tabs stay), as the system does.
QString TrimBlanks(const QString& s) {
  qsizetype b = 0;
  qsizetype e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  return s.mid(b, e - b);
}

// The system receives C strings: whatever follows a NUL never arrives.
QString CString(const QString& s) {
  const qsizetype nul = s.indexOf(QChar(0));
  return nul < 0 ? s : s.left(nul);
}

QString Argument(const QString& s) { return TrimBlanks(CString(s)); }

std::optional<QString> HeaderName(const QString& line) {
  const QStringView v = TrimBlanksTabs(line);
  if (!v.startsWith(u'[')) return std::nullopt;
  const qsizetype close = v.indexOf(u']');
  if (close < 0) return std::nullopt;
  return TrimBlanksTabs(v.sliced(1, close - 1)).toString();
}

bool IsComment(const QString& line) { return TrimBlanksTabs(line).startsWith(u';'); }

bool IsBlankLine(const QString& line) { return TrimBlanksTabs(line).isEmpty(); }

struct KeyLine {
  QString key;
  QString value;
};

std::optional<KeyLine> ParseKey(const QString& line) {
  if (IsComment(line) || HeaderName(line)) return std::nullopt;
  const qsizetype eq = line.indexOf(u'=');
  if (eq < 0) return std::nullopt;
  const QStringView v(line);
  return KeyLine{TrimBlanksTabs(v.left(eq)).toString(), TrimBlanksTabs(v.sliced(eq + 1)).toString()};
}

QString Unquote(const QString& v) {
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    return v.mid(1, v.size() - 2);
  return v;
}

bool SameName(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

struct Section {
  QString name;
  std::size_t header;  // index of the "[name]" line
  std::size_t end;     // one past the section's last line
};

std::vector<Section> Sections(const ProfileText& t) {
  std::vector<Section> out;
  for (std::size_t i = 0; i < t.lines.size(); ++i) {
    if (auto name = HeaderName(t.lines[i].text)) {
      if (!out.empty()) out.back().end = i;
      out.push_back({*name, i, t.lines.size()});
    }
  }
  return out;
}

std::optional<Section> FindSection(const ProfileText& t, const QString& name) {
  for (const Section& s : Sections(t))
    if (SameName(s.name, name)) return s;
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const ProfileText& t, const Section& s, const QString& key) {
  for (std::size_t i = s.header + 1; i < s.end; ++i) {
    const auto k = ParseKey(t.lines[i].text);
    if (k && SameName(k->key, key)) return i;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------
// Edits.

void EnsureEol(ProfileText& t, std::size_t index) {
  if (t.lines[index].eol.isEmpty()) t.lines[index].eol = kCrLf;
}

void InsertAfter(ProfileText& t, std::size_t index, const QStringList& entries) {
  EnsureEol(t, index);
  std::vector<Line> added;
  for (const QString& e : entries) added.push_back({e, kCrLf});
  t.lines.insert(t.lines.begin() + static_cast<std::ptrdiff_t>(index) + 1, added.begin(), added.end());
}

void AppendSection(ProfileText& t, const QString& name, const QStringList& entries) {
  if (!t.lines.empty()) EnsureEol(t, t.lines.size() - 1);
  t.lines.push_back({u'[' + name + u']', kCrLf});
  InsertAfter(t, t.lines.size() - 1, entries);
}

// The section's last non-blank line (its header when the body is blank):
// new keys go after it, so blank lines that separate sections stay in place.
std::size_t LastContentLine(const ProfileText& t, const Section& s) {
  std::size_t last = s.header;
  for (std::size_t i = s.header + 1; i < s.end; ++i)
    if (!IsBlankLine(t.lines[i].text)) last = i;
  return last;
}

bool SetKey(ProfileText& t, const QString& section, const QString& key, const QString& value) {
  const auto s = FindSection(t, section);
  if (!s) {
    AppendSection(t, section, {key + u'=' + value});
  } else if (const auto k = FindKey(t, *s, key)) {
    t.lines[*k] = {ParseKey(t.lines[*k].text)->key + u'=' + value, kCrLf};
  } else {
    InsertAfter(t, LastContentLine(t, *s), {key + u'=' + value});
  }
  return true;
}

bool DeleteKey(ProfileText& t, const QString& section, const QString& key) {
  const auto s = FindSection(t, section);
  if (!s) return false;
  const auto k = FindKey(t, *s, key);
  if (!k) return false;
  t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(*k));
  return true;
}

// The header and every line but comments go; comments stay where they were.
bool DeleteSection(ProfileText& t, const QString& section) {
  const auto s = FindSection(t, section);
  if (!s) return false;
  // One pass that moves the kept lines down, then one erase of the tail.
  std::size_t kept = s->header;
  for (std::size_t i = s->header + 1; i < s->end; ++i) {
    if (IsComment(t.lines[i].text)) t.lines[kept++] = std::move(t.lines[i]);
  }
  t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(kept), t.lines.begin() + static_cast<std::ptrdiff_t>(s->end));
  return true;
}

bool ReplaceSection(ProfileText& t, const QString& section, const QStringList& entries) {
  const auto s = FindSection(t, section);
  if (!s) {
    AppendSection(t, section, entries);
    return true;
  }
  const std::size_t last = LastContentLine(t, *s);
  t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(s->header) + 1,
                t.lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  InsertAfter(t, s->header, entries);
  return true;
}

// ---------------------------------------------------------------------------
// Argument checks for writes: what would change the file's structure.

bool HasLineBreak(const QString& s) { return s.contains(u'\r') || s.contains(u'\n'); }

// A name the file reads back without its surrounding tabs ("[S\t]" is
// section "S") would never be found again: each write would add another.
bool KeepsItsTabs(const QString& name) { return TrimBlanksTabs(name).size() == name.size(); }

bool ValidSectionName(const QString& s) {
  return !s.isEmpty() && !HasLineBreak(s) && !s.contains(u']') && KeepsItsTabs(s);
}

bool ValidKeyName(const QString& k) {
  const QStringView v = TrimBlanksTabs(k);
  return !v.isEmpty() && !HasLineBreak(k) && !k.contains(u'=') && !v.startsWith(u';') && !v.startsWith(u'[') &&
         KeepsItsTabs(k);
}

// Entries of a section write: NUL-separated (an empty entry ends the run),
// each possibly holding several CR LF- or LF-separated lines.
QStringList SectionEntries(const QString& data) {
  QStringList entries;
  for (const QString& part : data.split(QChar(0))) {
    if (part.isEmpty()) break;
    QString lines = part;
    lines.replace(kCrLf, QStringLiteral("\n")).replace(u'\r', u'\n');
    for (const QString& line : lines.split(u'\n'))
      if (!IsBlankLine(line)) entries << line;
  }
  return entries;
}

// ---------------------------------------------------------------------------
// File access.


std::mutex& WriteMutex() {
  static std::mutex m;
  return m;
}

// ---------------------------------------------------------------------------
// Reads that do not grow with the file: a file once read is kept parsed,
// with its sections and keys indexed, and used again while the file on disk
// is the same one, unchanged (device, inode, size, modification and change
// times). A time the file system stamps coarsely (to the tick of the
// kernel's clock) could let a change within the same tick go unseen: a file
// changed no earlier than the tick in which it was read is read again, and
// its parse used again only when its bytes are the same.

// The names of a file compared as the reads compare them (case ignored as
// QString::compare ignores it, unit by unit), as a hash key: each unit's
// folded value in two units.
QString FoldedName(QStringView name) {
  QString out(name.size() * 2, Qt::Uninitialized);
  QChar* to = out.data();
  char32_t last = 0;
  for (const QChar c : name) {
    char32_t code = c.unicode();
    if (QChar::isLowSurrogate(code) && QChar::isHighSurrogate(last)) code = QChar::surrogateToUcs4(last, code);
    last = c.unicode();
    const char32_t folded = QChar::toCaseFolded(code);
    *to++ = QChar(static_cast<char16_t>(folded >> 16));
    *to++ = QChar(static_cast<char16_t>(folded & 0xFFFF));
  }
  return out;
}

// The key of a key line without its value (what ParseKey would give as key).
std::optional<QString> KeyOf(const QString& line) {
  if (IsComment(line) || HeaderName(line)) return std::nullopt;
  const qsizetype eq = line.indexOf(u'=');
  if (eq < 0) return std::nullopt;
  return TrimBlanksTabs(QStringView(line).left(eq)).toString();
}

// A file's text with its sections and, for each, its keys by name.
struct ParsedProfile {
  ProfileText text;
  std::vector<Section> sections;
  QHash<QString, std::vector<std::size_t>> sectionsByName;            // in order
  std::vector<QHash<QString, std::vector<std::size_t>>> keysBySection;  // lines, in order

  explicit ParsedProfile(ProfileText parsed) : text(std::move(parsed)), sections(Sections(text)) {
    keysBySection.resize(sections.size());
    for (std::size_t i = 0; i < sections.size(); ++i) {
      sectionsByName[FoldedName(sections[i].name)].push_back(i);
      for (std::size_t line = sections[i].header + 1; line < sections[i].end; ++line) {
        if (const auto key = KeyOf(text.lines[line].text)) keysBySection[i][FoldedName(*key)].push_back(line);
      }
    }
  }

  // The first section of that name, as FindSection finds it.
  [[nodiscard]] std::optional<std::size_t> SectionNamed(const QString& name) const {
    const auto found = sectionsByName.constFind(FoldedName(name));
    if (found == sectionsByName.cend()) return std::nullopt;
    for (const std::size_t i : *found) {
      if (SameName(sections[i].name, name)) return i;
    }
    return std::nullopt;
  }

  // The first line of that key in a section, as FindKey finds it.
  [[nodiscard]] std::optional<std::size_t> KeyLine(std::size_t section, const QString& key) const {
    const auto& keys = keysBySection[section];
    const auto found = keys.constFind(FoldedName(key));
    if (found == keys.cend()) return std::nullopt;
    for (const std::size_t line : *found) {
      if (SameName(*KeyOf(text.lines[line].text), key)) return line;
    }
    return std::nullopt;
  }
};

struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static FileStamp Of(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  }
  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && Same(modified, o.modified) &&
           Same(changed, o.changed);
  }
  static bool Same(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
  static bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
  }
};

struct CachedFile {
  QString host;
  FileStamp stamp;
  timespec readAt{};  // the kernel's coarse clock when the reading began
  std::shared_ptr<const ParsedProfile> parsed;
  QByteArray bytes;  // the file's bytes, kept while a change could hide in its stamps
  quint64 used = 0;

  // Changed no earlier than the tick in which it was read: the stamps
  // alone cannot tell a later change of the same tick.
  [[nodiscard]] bool Unsettled() const {
    return !FileStamp::Before(stamp.modified, readAt) || !FileStamp::Before(stamp.changed, readAt);
  }
};

struct ProfileCache {
  std::mutex mutex;
  std::vector<CachedFile> files;
  quint64 uses = 0;
};

ProfileCache& Cache() {
  static ProfileCache cache;
  return cache;
}

// At most this many files are kept parsed; the least recently read goes.
constexpr std::size_t kFilesKept = 8;

struct LoadedProfile {
  std::shared_ptr<const ParsedProfile> parsed;  // empty: not readable
  DWORD error = ERROR_SUCCESS;                  // why not
};

timespec CoarseNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return now;
}

// The cache entry of a file, made when missing (the least recently used
// one going when the cache is full). Under the cache's lock.
CachedFile& EntryFor(ProfileCache& cache, const QString& hostPath) {
  auto entry = std::find_if(cache.files.begin(), cache.files.end(), [&](const CachedFile& f) { return f.host == hostPath; });
  if (entry != cache.files.end()) return *entry;
  if (cache.files.size() >= kFilesKept) {
    cache.files.erase(std::min_element(cache.files.begin(), cache.files.end(),
                                       [](const CachedFile& a, const CachedFile& b) { return a.used < b.used; }));
  }
  cache.files.push_back({hostPath, {}, {}, nullptr, {}, 0});
  return cache.files.back();
}

// The file parsed, from the cache while the file is unchanged.
LoadedProfile LoadCached(const QString& hostPath) {
  if (hostPath.isEmpty()) return {nullptr, ERROR_FILE_NOT_FOUND};
  const QByteArray native = QFile::encodeName(hostPath);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0) return {nullptr, ERROR_FILE_NOT_FOUND};
  if (S_ISDIR(st.st_mode)) return {nullptr, ERROR_ACCESS_DENIED};

  ProfileCache& cache = Cache();
  std::lock_guard guard(cache.mutex);
  CachedFile& entry = EntryFor(cache, hostPath);
  entry.used = ++cache.uses;
  if (entry.parsed && entry.stamp == FileStamp::Of(st) && !entry.Unsettled()) return {entry.parsed, ERROR_SUCCESS};

  const timespec readAt = CoarseNow();
  QFile f(hostPath);
  if (!f.open(QIODevice::ReadOnly)) return {nullptr, ERROR_ACCESS_DENIED};
  const QByteArray bytes = f.readAll();
  struct stat opened {};
  if (::fstat(f.handle(), &opened) != 0) opened = st;
  // The same bytes as kept: the same parse.
  if (!entry.parsed || entry.bytes.isNull() || entry.bytes != bytes) {
    entry.parsed = std::make_shared<const ParsedProfile>(Decode(bytes));
  }
  entry.stamp = FileStamp::Of(opened);
  entry.readAt = readAt;
  entry.bytes = entry.Unsettled() ? bytes : QByteArray();
  return {entry.parsed, ERROR_SUCCESS};
}

// Whether a read of `bytes`, which `text` was written as, gives `text` back:
// it does unless an 8-bit file holds characters its code page lacks ("?"
// now) or begins with the bytes of the UTF-16 mark. The lines split as they
// were: no line holds a line feed, and a carriage return before a line feed
// always belongs to the line end.
bool ReadsBackAsItself(const ProfileText& text, const QByteArray& bytes) {
  if (text.encoding == Encoding::Utf16le) return true;
  if (bytes.startsWith("\xFF\xFE")) return false;
  for (const Line& line : text.lines) {
    for (const QChar c : line.text) {
      if (c.unicode() >= 0x80 && (c.isSurrogate() || AnsiCode(c) < 0)) return false;
    }
  }
  return true;
}

// After a write of ours: the text written, as a read of the file would
// parse it, kept with the file's stamps and bytes (`writingAt` is the coarse
// clock before the writing began, so the entry stays unsettled until a read
// finds the same bytes).
void Remember(const QString& hostPath, const ProfileText& text, const QByteArray& bytes, const timespec& writingAt) {
  struct stat st {};
  if (::stat(QFile::encodeName(hostPath).constData(), &st) != 0) return;
  ProfileCache& cache = Cache();
  std::lock_guard guard(cache.mutex);
  CachedFile& entry = EntryFor(cache, hostPath);
  entry.used = ++cache.uses;
  entry.parsed = std::make_shared<const ParsedProfile>(ReadsBackAsItself(text, bytes) ? text : Decode(bytes));
  entry.stamp = FileStamp::Of(st);
  entry.readAt = writingAt;
  entry.bytes = bytes;
}

// The file is read afresh by the next read (after a write of ours).
void Forget(const QString& hostPath) {
  ProfileCache& cache = Cache();
  std::lock_guard guard(cache.mutex);
  cache.files.erase(std::remove_if(cache.files.begin(), cache.files.end(),
                                   [&](const CachedFile& f) { return f.host == hostPath; }),
                    cache.files.end());
}

// Reads the file, applies `edit` (which answers whether it changed anything)
// and writes the result back through a temporary sibling. A missing file is
// created only when `create` is set.
bool Rewrite(const QString& fileName, bool create, const std::function<bool(ProfileText&)>& edit) {
  const QString host = ToHostPath(fileName);
  if (host.isEmpty()) return Fail(ERROR_PATH_NOT_FOUND);
  const QFileInfo info(host);
  const QString folder = info.absolutePath();
  if (!QFileInfo(folder).isDir()) return Fail(ERROR_PATH_NOT_FOUND);

  std::lock_guard guard(WriteMutex());
  FolderLock lock(folder);
  ProfileText text;
  if (QFileInfo::exists(host)) {
    // The file as it is now (its lines shared with the kept parse, not copied).
    const LoadedProfile loaded = LoadCached(host);
    if (!loaded.parsed) return Fail(loaded.error);
    text = loaded.parsed->text;
  } else if (!create) {
    return Succeed();
  }
  if (!edit(text)) return Succeed();

  const timespec writingAt = CoarseNow();
  QSaveFile out(host);
  // A failed write leaves the file to be read afresh next time.
  auto forget = qScopeGuard([&] { Forget(host); });
  if (!out.open(QIODevice::WriteOnly)) {
    qCWarning(lcIni) << "cannot write" << host << out.errorString();
    return Fail(ERROR_ACCESS_DENIED);
  }
  const QByteArray bytes = Encode(text);
  out.write(bytes);
  if (!out.commit()) {
    qCWarning(lcIni) << "cannot write" << host << out.errorString();
    return Fail(ERROR_WRITE_FAULT);
  }
  forget.dismiss();
  Remember(host, text, bytes, writingAt);
  return Succeed();
}

// What a buffer of `size` characters receives of `text`.
ProfileString CopyOut(const QString& text, int size) {
  if (size <= 0) return {};
  if (text.size() > size - 1) {
    tLastError = ERROR_MORE_DATA;
    return {text.left(size - 1), size - 1};
  }
  return {text, static_cast<int>(text.size())};
}

// A list of names, each followed by a NUL; the buffer ends with one more.
ProfileString CopyList(const QStringList& names, int size) {
  QString joined;
  for (const QString& n : names) joined += n + QChar(0);
  if (joined.size() + 1 <= size) return {joined, static_cast<int>(joined.size())};
  tLastError = ERROR_MORE_DATA;
  if (size < 2) return {};
  return {joined.left(size - 2), size - 2};
}

}  // namespace

ProfileString GetPrivateProfileString(const std::optional<QString>& section, const std::optional<QString>& key,
                                      const std::optional<QString>& defaultValue, int size, const QString& fileName) {
  tLastError = ERROR_SUCCESS;
  QString fallback = defaultValue ? CString(*defaultValue) : QString();
  while (fallback.endsWith(u' ')) fallback.chop(1);

  const LoadedProfile loaded = LoadCached(ToHostPath(fileName));
  if (!loaded.parsed) {
    const ProfileString out = (section && key) ? CopyOut(fallback, size) : CopyList({}, size);
    tLastError = loaded.error;
    return out;
  }
  const ParsedProfile& p = *loaded.parsed;
  const ProfileText& t = p.text;

  if (!section) {
    QStringList names;
    for (const Section& s : p.sections) names << s.name;
    return CopyList(names, size);
  }
  const auto s = p.SectionNamed(Argument(*section));
  if (!key) {
    QStringList keys;
    if (!s) {
      const ProfileString out = CopyList({}, size);
      tLastError = ERROR_FILE_NOT_FOUND;
      return out;
    }
    for (std::size_t i = p.sections[*s].header + 1; i < p.sections[*s].end; ++i)
      if (const auto k = KeyOf(t.lines[i].text)) keys << *k;
    return CopyList(keys, size);
  }
  if (s) {
    if (const auto k = p.KeyLine(*s, Argument(*key))) return CopyOut(Unquote(ParseKey(t.lines[*k].text)->value), size);
  }
  const ProfileString out = CopyOut(fallback, size);
  if (tLastError == ERROR_SUCCESS) tLastError = ERROR_FILE_NOT_FOUND;
  return out;
}

bool WritePrivateProfileString(const QString& section, const std::optional<QString>& key,
                               const std::optional<QString>& value, const QString& fileName) {
  const QString sec = Argument(section);
  if (!ValidSectionName(sec)) return Fail(ERROR_INVALID_PARAMETER);
  if (!key) return Rewrite(fileName, false, [&](ProfileText& t) { return DeleteSection(t, sec); });

  const QString k = Argument(*key);
  if (!ValidKeyName(k)) return Fail(ERROR_INVALID_PARAMETER);
  if (!value) return Rewrite(fileName, false, [&](ProfileText& t) { return DeleteKey(t, sec, k); });

  const QString v = CString(*value);
  if (HasLineBreak(v)) return Fail(ERROR_INVALID_PARAMETER);
  return Rewrite(fileName, true, [&](ProfileText& t) { return SetKey(t, sec, k, v); });
}

bool WritePrivateProfileSection(const QString& section, const std::optional<QString>& data, const QString& fileName) {
  const QString sec = Argument(section);
  if (!ValidSectionName(sec)) return Fail(ERROR_INVALID_PARAMETER);
  if (!data) return Rewrite(fileName, false, [&](ProfileText& t) { return DeleteSection(t, sec); });

  const QStringList entries = SectionEntries(*data);
  for (const QString& e : entries)
    if (HeaderName(e)) return Fail(ERROR_INVALID_PARAMETER);
  return Rewrite(fileName, true, [&](ProfileText& t) { return ReplaceSection(t, sec, entries); });
}

DWORD ProfileLastError() { return tLastError; }

}  // namespace win
