#pragma once
// The account's snapshot folders as the rsync route reads them.
//
// The tree shows snapshot n of the account as "/BackUp_nightly.<n>/<user>/..."
// below the files root; the daemon serves it as module "tessara<n>", whose
// root is that user folder. So "/BackUp_nightly.3/jsmith/Documents/" is
// "Documents/" of module tessara3. A path that names the snapshot without
// the user folder ("/BackUp_nightly.3/Documents/...", as a listing of the
// snapshot folder itself names its entries) means the same place.

#include <QString>

namespace OrvaneSrv {

// Where "/BackUp_nightly." stands in `path` (exact case), or -1.
[[nodiscard]] qsizetype SnapshotMark(const QString& path);

// The snapshot's digit of a path holding the mark at `mark`.
[[nodiscard]] QString SnapshotDigit(const QString& path, qsizetype mark);

// The part of `path` after the snapshot folder and its user folder (the mark
// at `mark`): "" or a text beginning with "/". The user folder is left out
// only when it is there (names compared without case).
[[nodiscard]] QString SnapshotRest(const QString& path, qsizetype mark, const QString& user);

// The module path a listing of `remotePath` reads after "tessara": the path
// itself, or "<n>/" and the rest for a snapshot.
[[nodiscard]] QString ModulePath(const QString& remotePath, const QString& user);

}  // namespace OrvaneSrv
