#pragma once
// Opening a session once the sign-in window has an account name: the
// account-type check with the service (a Windows-client account is
// refused; an account of the older product brings its own credentials and
// quota), the preparation of the working folders, and the engine sign-in
// with the listing of the account's root in up to five passes, the account
// status asked after a failure, and the session recorded on success.

#include <QString>

#include "program/foundation/ProgramState.h"

namespace OrvaneMac::modGeneral {

// The account-type check and the preparation; then LoginToServer. The box
// values are the sign-in window's (1 checked, 0 not). False when it stops
// before LoginToServer, which shows its own messages.
bool StartLogin(const QString& userName, const QString& password, Integer sslBox, Integer rememberBox);

// Signs the engine in and lists the account's root into the main window's
// remote tree. True when the session is open and the root is listed. With
// SSL on (`sslFlag` 1) the credentials never go over plain HTTP: where a
// pass would try the plain-HTTP alternate sign-in, the sign-in fails with
// message 508 instead.
bool LoginToServer(const QString& accountName, const QString& password, Integer sslFlag, Integer rememberFlag);

// The user-name and password boxes of the sign-in window as typed, trimmed.
// A session opening records the typed name and its password file from them;
// without a sign-in window (or with an empty box) it uses the account name
// and the password it signed in with. Each answers the source it replaces.
using TypedSource = QString (*)();
TypedSource SetTypedNameSource(TypedSource source);
TypedSource SetTypedPasswordSource(TypedSource source);

// The passwords stored at sign-in stay on disk only while the user asked
// to be remembered ("StatusKey" "1"); otherwise disconnect and exit remove
// the password files of the session's names.
void ForgetUnrememberedPasswords();

// Makes a file that holds a password readable and writable by its owner only.
void RestrictToOwner(const QString& path);

}  // namespace OrvaneMac::modGeneral
