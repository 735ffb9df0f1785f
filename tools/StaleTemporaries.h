#pragma once
// The temporary files an interrupted transfer left in the destination.
//
// rsync writes each file into a temporary sibling and renames it into place
// when the file is whole. A client that is killed (or a machine that stops)
// in the middle of a file leaves that sibling behind, and rsync never
// removes it later. Its name is "." + the file's name + "." + six letters or
// digits; rsync drops one leading "." of the name, drops one trailing "."
// before its suffix, and cuts a long name (at most 246 bytes are kept, and
// never half a multi-byte character).
//
// Once a run has put a file whole in place, every such sibling of that file
// is a leftover: the client removes them after each run, for the files that
// run reported whole (transferred or already equal).

#include <QByteArray>
#include <QList>
#include <QString>

namespace tools {

// True when `entry` (a file name in a folder) is a name rsync gives the
// temporary of the file named `name` in the same folder.
[[nodiscard]] bool IsTemporaryOf(const QByteArray& entry, const QByteArray& name);

// Removes the leftover temporaries of `items` (paths relative to the
// destination folder `destination`, as rsync names them) from their folders:
// only regular files, never links or folders. Answers how many were removed.
int RemoveStaleTemporaries(const QString& destination, const QList<QByteArray>& items);

}  // namespace tools
