#include "ZQwinSrv/rsync/SnapshotPaths.h"

namespace OrvaneSrv {
namespace {

const QString kSnapshotMark = QStringLiteral("/BackUp_nightly.");

}  // namespace

qsizetype SnapshotMark(const QString& path) { return path.indexOf(kSnapshotMark); }

QString SnapshotDigit(const QString& path, qsizetype mark) { return path.mid(mark + kSnapshotMark.size(), 1); }

QString SnapshotRest(const QString& path, qsizetype mark, const QString& user) {
  QString rest = path.mid(mark + kSnapshotMark.size() + 1);
  const QString name = user.trimmed();
  if (!name.isEmpty() && rest.size() > name.size() && rest.at(0) == u'/' &&
      rest.mid(1, name.size()).compare(name, Qt::CaseInsensitive) == 0 &&
      (rest.size() == name.size() + 1 || rest.at(name.size() + 1) == u'/')) {
    rest = rest.mid(name.size() + 1);
  }
  return rest;
}

QString ModulePath(const QString& remotePath, const QString& user) {
  const qsizetype mark = SnapshotMark(remotePath);
  if (mark < 0) return remotePath;
  const QString rest = SnapshotRest(remotePath, mark, user);
  return SnapshotDigit(remotePath, mark) + u'/' + rest.mid(1);
}

}  // namespace OrvaneSrv
