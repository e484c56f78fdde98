#include "qor/value.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(Value, MutableContainersPassEveryTypeTest) {
  Ref array = MutableArray::make();
  Ref dict = MutableDictionary::make();
  EXPECT_TRUE(array->isArray());
  EXPECT_NE(asArray(array), nullptr);
  EXPECT_NE(asMutableArray(array), nullptr);
  EXPECT_TRUE(dict->isDictionary());
  EXPECT_NE(asDictionary(dict), nullptr);
  EXPECT_NE(asMutableDictionary(dict), nullptr);
  // The fixed forms are arrays and dictionaries too, but not mutable ones.
  EXPECT_EQ(asMutableArray(Array::make()), nullptr);
  EXPECT_EQ(asMutableDictionary(Dictionary::make()), nullptr);
  EXPECT_EQ(asArray(dict), nullptr);
  EXPECT_EQ(asString(nullptr), nullptr);
}

TEST(Value, DictionaryEnumeratesInInsertionOrderAndKeepsPositionOnReplace) {
  auto dict = MutableDictionary::make();
  for (const char* key : {"name", "menu", "editor", "9", "10"}) dict->setObjectForKey(str(key), key);
  dict->setObjectForKey(integer(1), "menu");
  EXPECT_EQ(dict->allKeys(), (std::vector<std::string>{"name", "menu", "editor", "9", "10"}));
  EXPECT_TRUE(isEqual(dict->objectForKey("menu"), integer(1)));

  dict->removeObjectsForKeys({"menu", "9", "absent"});
  EXPECT_EQ(dict->allKeys(), (std::vector<std::string>{"name", "editor", "10"}));
  // Index stays right after removal: every remaining key still finds its value.
  EXPECT_TRUE(isEqual(dict->objectForKey("10"), str("10")));
  dict->setObjectForKey(nullptr, "editor");
  EXPECT_FALSE(dict->containsKey("editor"));
}

TEST(Value, FixedDictionaryFromEntriesLastDuplicateWins) {
  auto dict = Dictionary::make({{"a", integer(1)}, {"b", integer(2)}, {"a", integer(3)}});
  EXPECT_EQ(dict->allKeys(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(dict->numberForKey("a")->integerValue(), 3);
}

TEST(Value, MutableArrayIgnoresOutOfRangeAndNull) {
  auto array = MutableArray::make({integer(1)});
  array->insertObjectAtIndex(integer(2), 2);  // past the end + 1: ignored
  array->insertObjectAtIndex(integer(3), 1);  // == count: appends
  array->addObject(nullptr);
  array->removeObjectAtIndex(7);
  EXPECT_EQ(describe(array), "(1, 3)");
  EXPECT_EQ(array->objectAtIndex(2), nullptr);
}

TEST(Value, NumbersKeepTheirTypeAndConvert) {
  struct Case {
    NumberRef number;
    Number::Type type;
    std::int64_t integerValue;
    double realValue;
    bool boolValue;
  };
  const Case cases[] = {
      {integer(-3), Number::Type::Integer, -3, -3.0, true},
      {real(2.75), Number::Type::Real, 2, 2.75, true},
      {real(-2.75), Number::Type::Real, -2, -2.75, true},  // truncation toward zero
      {real(1e300), Number::Type::Real, INT64_MAX, 1e300, true},
      {boolean(true), Number::Type::Boolean, 1, 1.0, true},
      {boolean(false), Number::Type::Boolean, 0, 0.0, false},
      {integer(0), Number::Type::Integer, 0, 0.0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(describe(c.number));
    EXPECT_EQ(c.number->type(), c.type);
    EXPECT_EQ(c.number->integerValue(), c.integerValue);
    EXPECT_EQ(c.number->realValue(), c.realValue);
    EXPECT_EQ(c.number->boolValue(), c.boolValue);
  }
}

TEST(Value, IsEqualComparesDeeplyAndKeepsBooleansApart) {
  struct Case {
    Ref a, b;
    bool equal;
  };
  const Case cases[] = {
      {integer(1), real(1.0), true},
      {integer(1), boolean(true), false},
      {boolean(false), boolean(false), true},
      {str("Save"), str("Save"), true},  // two objects, one value
      {str("s"), str("S"), false},
      {Data::make({1, 2}), Data::make({1, 2}), true},
      {Date::make(10.5), Date::make(10.5), true},
      {Array::make({str("x")}), MutableArray::make({str("x")}), true},
      {Array::make({str("x")}), Array::make({str("x"), str("y")}), false},
      // Key order does not matter for equality.
      {Dictionary::make({{"a", integer(1)}, {"b", integer(2)}}),
       MutableDictionary::make({{"b", integer(2)}, {"a", integer(1)}}), true},
      {Dictionary::make({{"a", integer(1)}}), Dictionary::make({{"b", integer(1)}}), false},
      {nullptr, nullptr, true},
      {nullptr, str(""), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(describe(c.a) + " vs " + describe(c.b));
    EXPECT_EQ(isEqual(c.a, c.b), c.equal);
    EXPECT_EQ(isEqual(c.b, c.a), c.equal);
  }
}

TEST(Value, DescribeIsReadable) {
  auto dict = Dictionary::make({{"name", str("My \"set\"")},
                                {"seq", Array::make({integer(1), real(2.5), boolean(true), Data::make({0x0a, 0xff})})}});
  EXPECT_EQ(describe(dict), R"({"name" = "My \"set\""; "seq" = (1, 2.5, true, <0aff>)})");
}

}  // namespace
}  // namespace qor
