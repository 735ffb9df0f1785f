#pragma once
// Local folder trees and the small state helpers behind the Transfer
// members that remove and create folders, empty the engine's collections
// and test the quota.
//
// These raise run-time errors to their caller (the Transfer members trap
// them and trace as each of them does), except where a comment says
// otherwise.

#include <QString>

#include "platform/values/Collection.h"

namespace OrvaneSrv {

// Why a folder tree may not be removed: "" when it may. Refused are an
// empty name (it would name the root of the current drive once "\*.*" is
// added), a drive root ("C:", "C:\", "\", or a relative name that resolves
// to one) and any name whose host folder is the host's root. Never raises.
[[nodiscard]] QString RefuseFolderRemoval(const QString& path);

// Removes the folder `path` (no trailing "\") and everything below it,
// hidden, system and read-only entries included. A step that fails is
// skipped (a file in use stays, and so does its folder). A link is removed
// as an entry, never followed, whether it is `path` itself or inside the
// tree. Window messages are pumped after each entry. Never raises; callers
// check RefuseFolderRemoval first.
void RemoveFolderTree(const QString& path);

// Creates every folder of `path` from the left: each prefix ending in "\"
// and then the whole path, when missing. Raises the error of the first
// failure, with `failedPrefix` set to the folder it could not create.
void CreateFolderPath(const QString& path, QString& failedPrefix);

// Empties a collection as the legacy loop did: reads its count once and
// removes the first item that many times. An unset collection raises 91.
void EmptyCollection(const vb::CollectionPtr& collection);

// True when the quota text of the WebDAV client ("used/total" in bytes)
// shows the used space at or above a total that is not 0. "0", "" and a
// text without "/" are never full. Never raises.
[[nodiscard]] bool QuotaIsFull(const QString& quotaText);

}  // namespace OrvaneSrv
