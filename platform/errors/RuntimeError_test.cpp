#include "platform/errors/RuntimeError.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(RuntimeError, CarriesNumberAndLegacyText) {
  struct Row {
    long number;
    const char* text;
  };
  const Row rows[] = {
      {5, "Invalid procedure call or argument"},
      {9, "Subscript out of range"},
      {53, "File not found"},
      {76, "Path not found"},
      {429, "ActiveX component can't create object"},
      {438, "Object doesn't support this property or method"},
      {457, "This key is already associated with an element of this collection"},
      {31000, "Application-defined or object-defined error"},
  };
  for (const auto& row : rows) {
    vb::RuntimeError e(row.number);
    EXPECT_EQ(e.Number(), row.number);
    EXPECT_EQ(e.Description(), QString::fromUtf8(row.text)) << row.number;
  }
  vb::RuntimeError own(5, QStringLiteral("custom"), QStringLiteral("Util"));
  EXPECT_EQ(own.Description(), "custom");
  EXPECT_EQ(own.Source(), "Util");
}

TEST(RuntimeError, OnErrorGoToAnswersWhatTheHandlerAnswers) {
  int reached = 0;
  const bool ok = vb::OnErrorGoTo(
      [&] {
        reached = 1;
        vb::Raise(vb::errFileNotFound);
        reached = 2;
        return true;
      },
      [&](const vb::ErrorInfo& e) {
        EXPECT_EQ(e.number, 53);
        return false;
      });
  EXPECT_FALSE(ok);
  EXPECT_EQ(reached, 1);

  // Standard exceptions never escape either.
  const int n = vb::OnErrorGoTo([]() -> int { throw std::runtime_error("boom"); },
                                [](const vb::ErrorInfo& e) { return static_cast<int>(e.number); });
  EXPECT_EQ(n, vb::errAutomationError);
}

TEST(RuntimeError, ResumeNextGoesOnAndKeepsTheLastError) {
  vb::ResumeNext next;
  int steps = 0;
  EXPECT_FALSE(next([&] { vb::Raise(6); }));
  EXPECT_TRUE(next([&] { ++steps; }));
  EXPECT_EQ(next.Err().number, 6) << "a later success does not clear the error";
  EXPECT_FALSE(next([&] { vb::Raise(13); }));
  EXPECT_EQ(next.Err().number, 13);
  EXPECT_EQ(next.Err().description, "Type mismatch");
  next.Clear();
  EXPECT_FALSE(next.Err().Failed());
  EXPECT_EQ(steps, 1);
}

TEST(RuntimeError, ReasonLineJoinsWithoutBlanks) {
  EXPECT_EQ(vb::ErrorReasonLine("Overflow", "GetSize", vb::OwnerKind::ClassModule, "Util"),
            "Error Reason :Overflowin procedure GetSize of Class Module Util");
  EXPECT_EQ(vb::ErrorReasonLine("x", "p", vb::OwnerKind::Form, "frmMain"), "Error Reason :xin procedure p of Form frmMain");
  EXPECT_EQ(vb::ErrorReasonLine("x", "p", vb::OwnerKind::Module, "modMain"), "Error Reason :xin procedure p of Module modMain");
}

}  // namespace
