#include "platform/objects/DispatchObject.h"

#include "platform/errors/RuntimeError.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A class with a by-reference and a by-value parameter, an optional one and
// a property pair.
class Counter : public win::DispatchObject {
 public:
  const win::MemberTable& Members() const override {
    static const auto table = win::MemberTable::Of<Counter>(
        "Counter", {
                       {"Bump", win::Method, win::Params::ByRef().AndByVal().OptionalByRef(),
                        [](Counter& self, win::DispatchArgs& a) {
                          a[0] = a[0].ToLong() + 1;  // seen by the caller
                          a[1] = a[1].ToLong() + 1;  // a copy: lost
                          self.lastMissing = a.IsMissing(2);
                          return vb::Variant(a.Get(2, 7).ToLong());
                        }},
                       {"Total", win::PropertyGet, {}, [](Counter& self, win::DispatchArgs&) { return vb::Variant(self.total); }},
                       {"Total", win::PropertyLet, win::Params::ByVal(),
                        [](Counter& self, win::DispatchArgs& a) {
                          self.total = a[0].ToLong();
                          return vb::Variant();
                        }},
                       {"Fail", win::Method, {},
                        [](Counter&, win::DispatchArgs&) -> vb::Variant { vb::Raise(vb::errFileNotFound); }},
                   });
    return table;
  }
  int total = 0;
  bool lastMissing = false;
};

class PlainObject : public vb::Object {};

TEST(LateBoundCall, ByRefChangesReachTheCallerByValChangesDoNot) {
  const auto counter = std::make_shared<Counter>();
  std::vector<vb::Variant> args{vb::Variant(1), vb::Variant(10)};
  EXPECT_EQ(win::Invoke(counter, "bump", args).ToLong(), 7);
  EXPECT_TRUE(counter->lastMissing);
  EXPECT_EQ(args[0].ToLong(), 2);
  EXPECT_EQ(args[1].ToLong(), 10);

  args.push_back(vb::Variant(3));
  EXPECT_EQ(win::Invoke(counter, "BUMP", args).ToLong(), 3);
  EXPECT_FALSE(counter->lastMissing);
  EXPECT_EQ(args[0].ToLong(), 3);

  // Temporaries go in by value.
  EXPECT_EQ(win::Invoke(counter, "Bump", {5, 5}).ToLong(), 7);
}

TEST(LateBoundCall, PropertiesLetAndGetByName) {
  const auto counter = std::make_shared<Counter>();
  win::LetProperty(counter, "total", 42);
  EXPECT_EQ(counter->total, 42);
  EXPECT_EQ(win::Invoke(counter, "Total").ToLong(), 42);
  EXPECT_EQ(counter->TypeName(), "Counter");
}

TEST(LateBoundCall, FailuresRaiseTheRuntimeNumbers) {
  const auto counter = std::make_shared<Counter>();
  const auto number = [](auto&& call) -> long {
    try {
      call();
    } catch (const vb::RuntimeError& e) {
      return e.Number();
    }
    return 0;
  };
  EXPECT_EQ(number([&] { win::Invoke(counter, "Missing"); }), 438);
  EXPECT_EQ(number([&] { win::LetProperty(counter, "Bump", 1); }), 438);      // no property of that name
  EXPECT_EQ(number([&] { win::SetProperty(counter, "Total", nullptr); }), 438);  // Let only
  EXPECT_EQ(number([&] { win::Invoke(counter, "Bump", {1}); }), 449);
  EXPECT_EQ(number([&] { win::Invoke(counter, "Bump", {1, 2, 3, 4}); }), 450);
  EXPECT_EQ(number([&] { win::Invoke(counter, "Total", {1}); }), 450);
  EXPECT_EQ(number([&] { win::Invoke(nullptr, "Bump"); }), 91);
  EXPECT_EQ(number([&] { win::Invoke(std::make_shared<PlainObject>(), "Bump"); }), 438);
  EXPECT_EQ(number([&] { win::Invoke(counter, "Fail"); }), 53);  // the member's own error passes through
}

TEST(MemberTables, ARequiredParameterAfterAnOptionalOneIsRefused) {
  EXPECT_THROW(win::Params::ByRef().OptionalByVal().AndByRef(), std::invalid_argument);
  const win::Params p = win::Params::ByRef(12).OptionalByRef().OptionalByVal();
  EXPECT_EQ(p.Count(), 14);
  EXPECT_EQ(p.Required(), 12);
  EXPECT_EQ(p[13].pass, win::Pass::ByVal);
}

}  // namespace
