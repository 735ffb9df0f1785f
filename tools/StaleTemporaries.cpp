#include "tools/StaleTemporaries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>
#include <set>

namespace tools {
namespace {

// rsync keeps at most this many bytes of the name in a temporary's name.
constexpr qsizetype kLongestKept = 246;
constexpr qsizetype kSuffixLength = 7;  // "." and six letters or digits

bool IsSuffix(const QByteArray& suffix) {
  if (suffix.size() != kSuffixLength || suffix.at(0) != '.') return false;
  for (qsizetype i = 1; i < suffix.size(); ++i) {
    const char c = suffix.at(i);
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

}  // namespace

bool IsTemporaryOf(const QByteArray& entry, const QByteArray& name) {
  if (name.isEmpty() || entry.size() <= kSuffixLength + 1 || entry.at(0) != '.') return false;
  if (!IsSuffix(entry.right(kSuffixLength))) return false;
  const QByteArray kept = entry.mid(1, entry.size() - 1 - kSuffixLength);
  QByteArray base = name.startsWith('.') ? name.mid(1) : name;
  if (base.size() > kLongestKept) {
    // A cut name: the first bytes, less a multi-byte character the cut split.
    QByteArray cut = base.left(kLongestKept);
    if (static_cast<unsigned char>(base.at(kLongestKept)) & 0x80) {
      while (!cut.isEmpty() && (static_cast<unsigned char>(cut.back()) & 0x80)) cut.chop(1);
    }
    base = cut;
  }
  if (base.endsWith('.')) base.chop(1);
  return !base.isEmpty() && kept == base;
}

int RemoveStaleTemporaries(const QString& destination, const QList<QByteArray>& items) {
  // The names of each folder, so that each folder is read once.
  std::map<QString, std::set<QByteArray>> folders;
  for (const QByteArray& item : items) {
    if (item.isEmpty() || item.endsWith('/')) continue;
    const qsizetype slash = item.lastIndexOf('/');
    const QString folder = QDir(destination).filePath(QFile::decodeName(slash < 0 ? QByteArray() : item.left(slash)));
    folders[QDir::cleanPath(folder)].insert(slash < 0 ? item : item.mid(slash + 1));
  }
  int removed = 0;
  for (const auto& [folder, names] : folders) {
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
      const QByteArray entryName = QFile::encodeName(entry.fileName());
      if (!entryName.startsWith('.') || names.count(entryName)) continue;
      for (const QByteArray& name : names) {
        if (IsTemporaryOf(entryName, name)) {
          if (QFile::remove(entry.absoluteFilePath())) ++removed;
          break;
        }
      }
    }
  }
  return removed;
}

}  // namespace tools
