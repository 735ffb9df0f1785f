#include "platform/ui/EventPump.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(DoEvents, WithoutAnApplicationDoesNothingAndCountsNoForms) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  EXPECT_EQ(vb::DoEvents(), 0);
}

TEST(DoEvents, RunsPendingEventsOfTheApplicationAndAnswersTheFormCount) {
  int argc = 1;
  char name[] = "ui_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  bool ran = false;
  QTimer::singleShot(0, &app, [&] { ran = true; });
  // A queued call made inside an event still runs at a later DoEvents, as
  // nested pumping in the long loops relies on.
  int nested = 0;
  QMetaObject::invokeMethod(
      &app, [&] { QMetaObject::invokeMethod(&app, [&] { ++nested; }, Qt::QueuedConnection); },
      Qt::QueuedConnection);
  EXPECT_FALSE(ran);

  vb::SetOpenFormsCounter([] { return 3; });
  for (int i = 0; i < 5 && !(ran && nested); ++i) EXPECT_EQ(vb::DoEvents(), 3);
  vb::SetOpenFormsCounter({});
  EXPECT_TRUE(ran);
  EXPECT_EQ(nested, 1);
}

TEST(DoEvents, APumpCanBeInstalledForTheLifeOfAGuard) {
  int pumps = 0;
  {
    vb::ScopedEventPump guard([&] { ++pumps; });
    vb::DoEvents();
    vb::DoEvents();
  }
  vb::DoEvents();
  EXPECT_EQ(pumps, 2);
}

}  // namespace
