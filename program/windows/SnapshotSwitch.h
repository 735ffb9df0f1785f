#pragma once
// The snapshot display switch: carries the user's choice in the profile key
// "FILEVER" ("1" shown, "0" hidden) to the service.

namespace OrvaneMac::modGeneral {

// Exit mode (`exiting` set): when "FILEVER" is "1", has the engine hide the
// snapshot folders and writes "FILEVER" "0"; nothing is shown.
// Switch mode: when "FILEVER" differs from Program().FileverBeforeToggle,
// shows or hides the snapshots under the wait box, then lists the remote
// tree again (done) or reports the failure (messages 517, 518, 519), and
// writes "FILEVER" "0" when the folders end up hidden. An empty "FILEVER"
// does nothing in either mode.
void ApplyFileversioning(bool& exiting);

}  // namespace OrvaneMac::modGeneral
