#include "platform/values/Collection.h"

#include "platform/errors/ErrorTesting.h"

#include "platform/errors/RuntimeError.h"

#include <gtest/gtest.h>


namespace {

using vb::test::ErrorOf;

QStringList Texts(const vb::Collection& c) {
  QStringList out;
  for (const vb::Variant& v : c) out << v.ToString();
  return out;
}

TEST(Collection, ItemsByIndexAndCaseInsensitiveKey) {
  vb::Collection c;
  c.Add(vb::Variant("one"), QStringLiteral("First"));
  c.Add(vb::Variant(2));
  c.Add(vb::Variant("three"), QStringLiteral("third"));
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Item(1), vb::Variant("one"));
  EXPECT_EQ(c.Item(2), vb::Variant(2));
  EXPECT_EQ(c.Item(vb::Variant("FIRST")), vb::Variant("one"));
  EXPECT_EQ(c.Item("Third"), vb::Variant("three"));
  EXPECT_EQ(c.Item(vb::Variant(2.5)), vb::Variant(2)) << "a numeric index rounds halves to even";
  EXPECT_TRUE(c.HasKey(QStringLiteral("THIRD")));
  EXPECT_FALSE(c.HasKey(QStringLiteral("second")));

  EXPECT_EQ(ErrorOf([&] { (void)c.Item(0); }), 9);
  EXPECT_EQ(ErrorOf([&] { (void)c.Item(4); }), 9);
  EXPECT_EQ(ErrorOf([&] { (void)c.Item("missing"); }), 5);
  EXPECT_EQ(ErrorOf([&] { (void)c.Item(vb::Variant("1")); }), 5) << "text is always a key";
  EXPECT_EQ(ErrorOf([&] { (void)c.Item(vb::Variant::Null()); }), 94);
}

TEST(Collection, DuplicateKeyRaises457AndChangesNothing) {
  vb::Collection c;
  c.Add(vb::Variant(1), QStringLiteral("TEST"));
  EXPECT_EQ(ErrorOf([&] { c.Add(vb::Variant(2), QStringLiteral("Test")); }), 457);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Item("test"), vb::Variant(1));
}

TEST(Collection, AddBeforeAndAfterByIndexOrKey) {
  vb::Collection c;
  c.Add(vb::Variant("a"), QStringLiteral("ka"));
  c.Add(vb::Variant("b"), QStringLiteral("kb"));
  c.Add(vb::Variant("c"), QStringLiteral("kc"));
  c.Add(vb::Variant("x"), std::nullopt, vb::Variant(1));
  EXPECT_EQ(Texts(c), (QStringList{"x", "a", "b", "c"}));
  c.Add(vb::Variant("y"), QStringLiteral("ky"), vb::Variant(), vb::Variant("KB"));
  EXPECT_EQ(Texts(c), (QStringList{"x", "a", "b", "y", "c"}));
  c.Add(vb::Variant("z"), std::nullopt, vb::Variant(), vb::Variant(5));
  EXPECT_EQ(Texts(c), (QStringList{"x", "a", "b", "y", "c", "z"}));
  c.Add(vb::Variant("w"), std::nullopt, vb::Variant("kc"));
  EXPECT_EQ(Texts(c), (QStringList{"x", "a", "b", "y", "w", "c", "z"}));
  EXPECT_EQ(c.Item("ky"), vb::Variant("y"));

  EXPECT_EQ(ErrorOf([&] { c.Add(vb::Variant("e"), QStringLiteral("ke"), vb::Variant(1), vb::Variant(2)); }), 5);
  EXPECT_EQ(ErrorOf([&] { c.Add(vb::Variant("e"), QStringLiteral("ke"), vb::Variant(99)); }), 9);
  EXPECT_EQ(ErrorOf([&] { c.Add(vb::Variant("e"), QStringLiteral("ke"), vb::Variant(), vb::Variant("nokey")); }), 5);
  EXPECT_EQ(c.Count(), 7) << "failed adds leave the collection as it was";
  EXPECT_FALSE(c.HasKey(QStringLiteral("ke")));

  vb::Collection empty;
  EXPECT_EQ(ErrorOf([&] { empty.Add(vb::Variant("e"), std::nullopt, vb::Variant(1)); }), 9);
}

TEST(Collection, RemoveShiftsLaterItemsAndFreesTheKey) {
  vb::Collection c;
  for (const char* s : {"a", "b", "c", "d"}) c.Add(vb::Variant(s), QString::fromLatin1(s).toUpper());
  c.Remove(2);
  EXPECT_EQ(Texts(c), (QStringList{"a", "c", "d"}));
  c.Remove(vb::Variant("d"));
  EXPECT_EQ(Texts(c), (QStringList{"a", "c"}));
  EXPECT_EQ(ErrorOf([&] { c.Remove(3); }), 9);
  EXPECT_EQ(ErrorOf([&] { c.Remove(vb::Variant("b")); }), 5);
  c.Add(vb::Variant("b again"), QStringLiteral("b"));
  EXPECT_EQ(c.Item("B"), vb::Variant("b again"));
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_FALSE(c.HasKey(QStringLiteral("a")));
}

TEST(Collection, LargeCollectionsEmptyFromEitherEnd) {
  constexpr int kItems = 40000;
  vb::Collection c;
  for (int i = 1; i <= kItems; ++i) c.Add(vb::Variant(i), QStringLiteral("k%1").arg(i));
  ASSERT_EQ(c.Count(), kItems);
  EXPECT_EQ(c.Item("K40000"), vb::Variant(kItems));

  int removed = 0;
  while (c.Count() > 0) {
    if (removed == kItems / 2) {
      EXPECT_EQ(c.Item(1), vb::Variant(kItems / 2 + 1));
      EXPECT_EQ(c.Item("k30000"), vb::Variant(30000));
      EXPECT_FALSE(c.HasKey(QStringLiteral("k20000")));
    }
    c.Remove(1);
    ++removed;
  }
  EXPECT_EQ(removed, kItems);

  for (int i = 1; i <= kItems; ++i) c.Add(vb::Variant(i));
  for (qsizetype i = c.Count(); i >= 1; --i) c.Remove(i);
  EXPECT_EQ(c.Count(), 0);
}

TEST(Collection, IsSharedByReference) {
  const vb::CollectionPtr mine = std::make_shared<vb::Collection>();
  auto fill = [](const vb::CollectionPtr& target) {
    target->Clear();
    target->Add(vb::Variant("F_/users/jo/Files/a.txt"));
  };
  mine->Add(vb::Variant("old"));
  fill(mine);
  EXPECT_EQ(Texts(*mine), QStringList{"F_/users/jo/Files/a.txt"});

  // Objects go in by reference, values by copy.
  const vb::CollectionPtr inner = std::make_shared<vb::Collection>();
  vb::Collection outer;
  outer.Add(vb::Variant(inner));
  inner->Add(vb::Variant(1));
  EXPECT_EQ(outer.Item(1).ToObjectAs<vb::Collection>()->Count(), 1);
}

}  // namespace
