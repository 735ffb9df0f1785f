// Signing in through the sign-in window: by account name, and by an e-mail
// address shared by two accounts (the chooser).
#include "tests/journeys/Journey.h"

#include "program/foundation/ProgramState.h"
#include "program/main/Smart.h"
#include "program/session/Login.h"

namespace OrvaneMac::journey {
namespace {

JOURNEY(SignInByNameShowsTheAccountRoot) {
  Run([&] {
    SignIn();
    ASSERT_TRUE(WaitFor([] { return Smart::Instance().IsLoaded() && Smart::Instance().Window()->isVisible(); },
                        "the main window"));
    WaitFor([] { return Program().RemoteTreeConnected; }, "the account's root");
    Shot("main-window");
    // Every toolbar picture shows its face once the session is open.
    EXPECT_TRUE(Ask([] {
      Smart& w = Smart::Instance();
      for (PictureBox* p : {w.Pict_Refresh(), w.Pict_Sess_Log(), w.Pic_Snap(), w.Pict_Help(), w.Pict_Delete()})
        if (p->PictureHandle() == 0) return false;
      return true;
    }));
    EXPECT_TRUE(TransferLog().contains(user_ + " has logged in"));
    EXPECT_FALSE(Ask([] { return Login::Instance().IsLoaded(); }));
    EXPECT_FALSE(NodeByPath("Documents").IsNothing());
  });
}

}  // namespace
}  // namespace OrvaneMac::journey
