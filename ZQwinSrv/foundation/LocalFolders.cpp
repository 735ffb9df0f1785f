#include "ZQwinSrv/foundation/LocalFolders.h"

#include <QStringList>

#include <vector>

#include "platform/errors/RuntimeError.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

bool HasAttribute(long attributes, long bit) {
  return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & bit) != 0;
}

// Removes one entry of a tree; each step that fails is skipped.
void RemoveEntry(const QString& name, long attributes) {
  vb::ResumeNext next;
  if (HasAttribute(attributes, win::FILE_ATTRIBUTE_REPARSE_POINT)) {
    // The link goes, what it points at stays: clearing its attributes would
    // change the target's.
    if (HasAttribute(attributes, win::FILE_ATTRIBUTE_DIRECTORY)) {
      next([&] { win::RemoveFolder(name); });
    } else {
      next([&] { win::DeleteFile(name, true); });
    }
  } else if (HasAttribute(attributes, win::FILE_ATTRIBUTE_DIRECTORY)) {
    RemoveFolderTree(name);
  } else {
    next([&] { win::SetAttr(name, 0); });
    next([&] { win::DeleteFile(name); });
  }
}

}  // namespace

QString RefuseFolderRemoval(const QString& path) {
  try {
    if (vb::Trim(path).isEmpty()) return QStringLiteral("empty folder name");
    // The walk lists path & "\*.*", so "C:" names the root of C: there,
    // while alone it names the current folder of C:; both forms are checked.
    for (const QString& form : {path, path + u'\\'}) {
      const QString full = win::FullPath(form);
      if (win::IsDriveRoot(full)) return QStringLiteral("drive root");
      if (win::ToHostPath(full) == QLatin1String("/")) return QStringLiteral("root of the host");
    }
    return {};
  } catch (...) {
    return QStringLiteral("unreadable folder name");
  }
}

void RemoveFolderTree(const QString& path) {
  const long own = win::GetFileAttributes(path);
  if (HasAttribute(own, win::FILE_ATTRIBUTE_REPARSE_POINT)) {
    RemoveEntry(path, own);
    return;
  }
  struct Entry {
    QString name;
    long attributes;
  };
  std::vector<Entry> entries;
  const win::FindResult found = win::FindFiles(path + QStringLiteral("\\*.*"));
  for (const win::FindData& data : found.entries) {
    if (data.name != QLatin1String(".") && data.name != QLatin1String("..")) {
      entries.push_back({path + u'\\' + data.name, data.attributes});
    }
    vb::DoEvents();
  }
  for (const Entry& entry : entries) {
    RemoveEntry(entry.name, entry.attributes);
    vb::DoEvents();
  }
  if (path.size() > 2 && win::FolderExists(path)) {
    vb::ResumeNext next;
    next([&] { win::RemoveFolder(path); });
  }
}

void CreateFolderPath(const QString& path, QString& failedPrefix) {
  auto create = [&](const QString& folder) {
    if (win::FolderExists(folder)) return;
    failedPrefix = folder;
    win::CreateFolder(folder);
  };
  for (qsizetype i = 0; i < path.size(); ++i) {
    if (path.at(i) == u'\\') create(path.left(i + 1));
  }
  create(path);
  failedPrefix.clear();
}

void EmptyCollection(const vb::CollectionPtr& collection) {
  if (!collection) vb::Raise(vb::errObjectVariableNotSet);
  const qsizetype count = collection->Count();
  for (qsizetype i = 0; i < count; ++i) collection->Remove(1);
}

bool QuotaIsFull(const QString& quotaText) {
  try {
    if (quotaText.isEmpty() || quotaText == QLatin1String("0")) return false;
    const qsizetype slash = quotaText.indexOf(u'/');
    if (slash < 0) return false;
    const double used = vb::Val(quotaText.left(slash));
    const double total = vb::Val(quotaText.mid(slash + 1));
    return total != 0 && used >= total;
  } catch (...) {
    return false;
  }
}

}  // namespace OrvaneSrv
