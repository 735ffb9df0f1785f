#include "platform/values/Variant.h"

#include "platform/errors/ErrorTesting.h"

#include "platform/errors/RuntimeError.h"
#include "platform/text/UserLocale.h"
#include "platform/values/Collection.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using vb::test::ErrorOf;

class VariantTest : public ::testing::Test {
 protected:
  vb::ScopedUserLocale locale_{vb::UserLocale::EnglishUS()};
};

TEST_F(VariantTest, KindsVarTypesAndTypeNames) {
  struct Row {
    vb::Variant value;
    int varType;
    const char* typeName;
  };
  const Row rows[] = {
      {vb::Variant(), vb::vbEmpty, "Empty"},
      {vb::Variant::Null(), vb::vbNull, "Null"},
      {vb::Variant::FromInteger(5), vb::vbInteger, "Integer"},
      {vb::Variant(5), vb::vbLong, "Long"},
      {vb::Variant(1.5f), vb::vbSingle, "Single"},
      {vb::Variant(1.5), vb::vbDouble, "Double"},
      {vb::Variant::FromDate(1.0), vb::vbDate, "Date"},
      {vb::Variant("x"), vb::vbString, "String"},
      {vb::Variant(std::make_shared<vb::Collection>()), vb::vbObject, "Collection"},
      {vb::Variant::Nothing(), vb::vbObject, "Nothing"},
      {vb::Variant(true), vb::vbBoolean, "Boolean"},
      {vb::Variant::FromByte(7), vb::vbByte, "Byte"},
      {vb::Variant::FromStrings({"a"}), vb::vbArray + vb::vbVariant, "Variant()"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(r.value.VarType(), r.varType) << r.typeName;
    EXPECT_EQ(r.value.TypeName(), QString::fromLatin1(r.typeName));
  }
  EXPECT_TRUE(vb::Variant::Nothing().IsNothing());
  EXPECT_TRUE(vb::Variant(nullptr).IsNothing());
  EXPECT_FALSE(vb::Variant(std::make_shared<vb::Collection>()).IsNothing());
}

TEST_F(VariantTest, ConversionsFollowTheLegacyCoercion) {
  const vb::Variant empty;
  EXPECT_EQ(empty.ToString(), "");
  EXPECT_EQ(empty.ToLong(), 0);
  EXPECT_FALSE(empty.ToBoolean());
  EXPECT_EQ(empty.ToDateTime(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));

  const vb::Variant yes(true);
  EXPECT_EQ(yes.ToString(), "True");
  EXPECT_EQ(vb::Variant(false).ToString(), "False");
  EXPECT_EQ(yes.ToLong(), -1);
  EXPECT_EQ(yes.ToInteger(), -1);

  EXPECT_EQ(vb::Variant("2.5").ToInteger(), 2);
  EXPECT_EQ(vb::Variant("3.5").ToLong(), 4);
  EXPECT_EQ(vb::Variant(2.5).ToLong(), 2);
  EXPECT_TRUE(vb::Variant("true").ToBoolean());
  EXPECT_TRUE(vb::Variant(0.5).ToBoolean());
  EXPECT_EQ(vb::Variant(1.5).ToString(), "1.5");
  EXPECT_EQ(vb::Variant(0.1f).ToString(), "0.1");
  EXPECT_EQ(vb::Variant::FromInteger(-7).ToString(), "-7");
  EXPECT_EQ(vb::Variant::FromByte(200).ToString(), "200");
  EXPECT_EQ(vb::Variant(300).ToString(), "300");
  EXPECT_EQ(vb::Variant("12/08/2026 10:20").ToDateTime(), QDateTime(QDate(2026, 12, 8), QTime(10, 20)));

  struct Failure {
    const char* what;
    std::function<void()> call;
    long error;
  };
  const Failure failures[] = {
      {"Null to String", [] { (void)vb::Variant::Null().ToString(); }, 94},
      {"Null to Long", [] { (void)vb::Variant::Null().ToLong(); }, 94},
      {"Null to Boolean", [] { (void)vb::Variant::Null().ToBoolean(); }, 94},
      {"text to Long", [] { (void)vb::Variant("abc").ToLong(); }, 13},
      {"empty text to Double", [] { (void)vb::Variant("").ToDouble(); }, 13},
      {"big text to Integer", [] { (void)vb::Variant("40000").ToInteger(); }, 6},
      {"big Double to Long", [] { (void)vb::Variant(1e10).ToLong(); }, 6},
      {"300 to Byte", [] { (void)vb::Variant(300).ToByte(); }, 6},
      {"Double to Single", [] { (void)vb::Variant(1e300).ToSingle(); }, 6},
      {"text to Boolean", [] { (void)vb::Variant("maybe").ToBoolean(); }, 13},
      {"text to Date", [] { (void)vb::Variant("abc").ToDate(); }, 13},
      {"number beyond dates", [] { (void)vb::Variant(1e7).ToDate(); }, 6},
      {"Date beyond range", [] { (void)vb::Variant::FromDate(1e7); }, 6},
      {"object to String", [] { (void)vb::Variant(std::make_shared<vb::Collection>()).ToString(); }, 13},
      {"number to object", [] { (void)vb::Variant(5).ToObject(); }, 424},
      {"array to String", [] { (void)vb::Variant::FromStrings({"a"}).ToString(); }, 13},
      {"scalar as array", [] { (void)vb::Variant(5).UBound(); }, 13},
  };
  for (const auto& f : failures) EXPECT_EQ(ErrorOf(f.call), f.error) << f.what;
}

TEST_F(VariantTest, DatesShowTheGeneralDateForm) {
  const vb::Variant late = vb::Variant::FromDate(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29)));
  EXPECT_EQ(late.ToString(), "12/8/2026 11:59:29 PM");
  EXPECT_NEAR(late.ToDouble(), 46364 + (23 * 3600 + 59 * 60 + 29) / 86400.0, 1e-9);
  EXPECT_EQ(vb::Variant::FromDate(46364.0).ToString(), "12/8/2026");
  EXPECT_EQ(vb::Variant::FromDate(0.5).ToString(), "12:00:00 PM");
  EXPECT_EQ(vb::Variant(46364.5).ToDateTime(), QDateTime(QDate(2026, 12, 8), QTime(12, 0)));
  EXPECT_EQ(late.ToLong(), 46365);
}

TEST_F(VariantTest, ObjectsAreSharedReferences) {
  auto c = std::make_shared<vb::Collection>();
  const vb::Variant v(c);
  const vb::Variant copy = v;
  copy.ToObjectAs<vb::Collection>()->Add(vb::Variant(1));
  EXPECT_EQ(c->Count(), 1);
  EXPECT_EQ(v.ToObject(), copy.ToObject());
  EXPECT_TRUE(v == copy);
  EXPECT_FALSE(v == vb::Variant(std::make_shared<vb::Collection>()));
  EXPECT_EQ(vb::Variant::Nothing().ToObject(), nullptr);
}

TEST_F(VariantTest, ArraysAreValues) {
  vb::Variant a = vb::Variant::FromStrings({"x", "y"});
  EXPECT_EQ(a.LBound(), 0);
  EXPECT_EQ(a.UBound(), 1);
  vb::Variant b = a;
  b.SetElement(1, vb::Variant(5));
  EXPECT_EQ(a.Element(1), vb::Variant("y")) << "the copy was changed, not the original";
  EXPECT_EQ(b.Element(1), vb::Variant(5));
  EXPECT_EQ(ErrorOf([&] { (void)a.Element(2); }), 9);
  EXPECT_EQ(ErrorOf([&] { b.SetElement(-1, vb::Variant()); }), 9);
  const vb::Variant empty = vb::Variant::FromStrings({});
  EXPECT_EQ(empty.UBound(), -1);
  const vb::Variant based = vb::Variant::FromArray({vb::Variant(1)}, 1);
  EXPECT_EQ(based.Element(1), vb::Variant(1));
  EXPECT_EQ(ErrorOf([&] { (void)based.Element(0); }), 9);
}

TEST_F(VariantTest, EqualityNeedsTheSameKind) {
  EXPECT_TRUE(vb::Variant(5) == vb::Variant(5));
  EXPECT_FALSE(vb::Variant(5) == vb::Variant::FromInteger(5));
  EXPECT_FALSE(vb::Variant(5) == vb::Variant(5.0));
  EXPECT_TRUE(vb::Variant::Null() == vb::Variant::Null());
  EXPECT_FALSE(vb::Variant() == vb::Variant::Null());
  EXPECT_TRUE(vb::Variant::FromStrings({"a"}) == vb::Variant::FromStrings({"a"}));
  EXPECT_FALSE(vb::Variant::FromDate(1.0) == vb::Variant(1.0));
}

TEST_F(VariantTest, FormatChoosesByKind) {
  const vb::Variant late = vb::Variant::FromDate(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 29)));
  EXPECT_EQ(vb::Format(late, QStringLiteral("mm/dd/yyyy hh:mm:ss")), "12/08/2026 23:59:29");
  EXPECT_EQ(vb::Format(vb::Variant("1234.5"), QStringLiteral("#,##0.00")), "1,234.50");
  EXPECT_EQ(vb::Format(vb::Variant("2010/03/08 10:20:30"), QStringLiteral("H:mm")), "10:20");
  EXPECT_EQ(vb::Format(vb::Variant("abc"), QStringLiteral("0.00")), "abc");
  EXPECT_EQ(vb::Format(vb::Variant(5), QStringLiteral("00")), "05");
  EXPECT_EQ(vb::Format(vb::Variant(true)), "True");
  EXPECT_EQ(vb::Format(vb::Variant(), QStringLiteral("0.00")), "");
  EXPECT_EQ(vb::Format(late), "12/8/2026 11:59:29 PM");
}

}  // namespace
