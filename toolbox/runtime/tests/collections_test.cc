#include "qor/collections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "qor/file_wrapper.h"

namespace qor {
namespace {

// Every object reachable from `value`, containers and leaves.
void collectObjects(const Ref& value, std::set<const Object*>& out) {
  if (!value) return;
  out.insert(value.get());
  if (auto array = asArray(value))
    for (const auto& element : array->elements()) collectObjects(element, out);
  if (auto dictionary = asDictionary(value))
    for (const auto& [key, element] : dictionary->entries()) collectObjects(element, out);
}

// Every array and dictionary reachable from `value` is mutable.
bool everyContainerMutable(const Ref& value) {
  if (auto array = asArray(value)) {
    if (!array->isMutable()) return false;
    return std::all_of(array->elements().begin(), array->elements().end(), everyContainerMutable);
  }
  if (auto dictionary = asDictionary(value)) {
    if (!dictionary->isMutable()) return false;
    return std::all_of(dictionary->entries().begin(), dictionary->entries().end(),
                       [](const Dictionary::Entry& entry) { return everyContainerMutable(entry.second); });
  }
  return true;
}

bool shareNothing(const Ref& a, const Ref& b) {
  std::set<const Object*> left, right;
  collectObjects(a, left);
  collectObjects(b, right);
  return std::none_of(left.begin(), left.end(), [&](const Object* object) { return right.count(object) != 0; });
}

// A key-binding set as the defaults store hands it over: fixed containers,
// an array of dictionaries two levels down, every leaf kind.
DictionaryRef storedSet() {
  auto stroke = [](const char* key, std::int64_t modifiers) {
    return Dictionary::make({{"key", str(key)}, {"modifiers", integer(modifiers)}});
  };
  auto entry = Dictionary::make({
      {"key sequences", Array::make({Array::make({stroke("", 0x100000), stroke("s", 0)})})},
      {"title", str("Save")},
  });
  return Dictionary::make({
      {"name", str("Mine")},
      {"menu", Dictionary::make({{"[saveDocument:] [] [0]", entry}})},
      {"flags", Array::make({boolean(true), real(2.5), integer(-3)})},
      {"icon", Data::make({0x0a, 0xff})},
      {"created", Date::make(1234567890.5)},
  });
}

std::vector<const Object*> identities(const Array& array) {
  std::vector<const Object*> out;
  for (const auto& element : array.elements()) out.push_back(element.get());
  return out;
}

TEST(BoolWithIDTest, Table) {
  struct Case {
    Ref value;
    bool expected;
    const char* what;
  };
  const Case cases[] = {
      {integer(2), true, "number 2"}, {integer(0), false, "number 0"}, {integer(-1), true, "number -1"},
      {real(0.5), true, "real 0.5 is not zero"}, {real(0.0), false, "real 0"},
      {boolean(true), true, "boolean true"}, {boolean(false), false, "boolean false"},
      {str("1"), true, "string 1"}, {str("01"), true, "leading zero"}, {str("  1"), true, "leading blanks"},
      {str("\t\n1"), true, "leading tab and newline"}, {str("+1"), true, "plus sign"},
      {str("1 apple"), true, "words after the digits"}, {str("1.9"), true, "digits end at the point"},
      {str("2"), false, "string 2"}, {str("11"), false, "string 11"}, {str("-1"), false, "string -1"},
      {str("YES"), false, "YES"}, {str("true"), false, "true"}, {str(""), false, "empty string"},
      {str(" "), false, "blank only"}, {str("+ 1"), false, "blank after the sign"},
      {str("4294967297"), false, "2^32 + 1 must not wrap to 1"},
      {Date::make(0), false, "date"}, {Data::make({1}), false, "data"}, {Array::make({integer(1)}), false, "array"},
      {Dictionary::make(), false, "dictionary"}, {nullptr, false, "null"},
  };
  for (const auto& c : cases) EXPECT_EQ(boolWithID(c.value), c.expected) << c.what;
}

TEST(InsertObjectsAtIndexOfArrayTest, Table) {
  auto a = str("a"), b = str("b"), c = str("c"), x = str("x"), y = str("y");
  struct Case {
    ArrayRef objects;
    std::int32_t index;
    std::vector<const Object*> expected;
    const char* what;
  };
  const Case cases[] = {
      {Array::make({x, y}), 0, {x.get(), y.get(), a.get(), b.get(), c.get()}, "front"},
      {Array::make({x, y}), 1, {a.get(), x.get(), y.get(), b.get(), c.get()}, "middle"},
      {Array::make({x, y}), 3, {a.get(), b.get(), c.get(), x.get(), y.get()}, "index == count appends"},
      {Array::make({x, y}), 4, {a.get(), b.get(), c.get()}, "one past the count: unchanged"},
      {Array::make({x, y}), -1, {a.get(), b.get(), c.get()}, "negative: unchanged"},
      {Array::make(), 1, {a.get(), b.get(), c.get()}, "nothing to insert"},
      {nullptr, 1, {a.get(), b.get(), c.get()}, "null objects"},
  };
  for (const auto& k : cases) {
    auto target = MutableArray::make({a, b, c});
    const Array* before = target.get();
    insertObjectsAtIndexOfArray(k.objects, k.index, target);
    EXPECT_EQ(identities(*target), k.expected) << k.what;
    EXPECT_EQ(target.get(), before) << k.what;
  }
}

TEST(InsertObjectsAtIndexOfArrayTest, ArrayIntoItselfAndNullTarget) {
  auto a = str("a"), b = str("b");
  auto target = MutableArray::make({a, b});
  insertObjectsAtIndexOfArray(target, 1, target);
  EXPECT_EQ(identities(*target), (std::vector<const Object*>{a.get(), a.get(), b.get(), b.get()}));
  insertObjectsAtIndexOfArray(Array::make({a}), 0, nullptr);
}

TEST(IndexOfObjectInArrayTest, FindsByIdentityOnly) {
  auto a = str("same"), twin = str("same"), b = str("b");
  auto array = Array::make({b, a, b, a});
  EXPECT_EQ(indexOfObjectInArray(a, array), 1);
  EXPECT_EQ(indexOfObjectInArray(b, array), 0);
  EXPECT_EQ(indexOfObjectInArray(twin, array), -1) << "equal but distinct";
  EXPECT_EQ(indexOfObjectInArray(a, Array::make()), -1);
  EXPECT_EQ(indexOfObjectInArray(a, nullptr), -1);
  EXPECT_EQ(indexOfObjectInArray(nullptr, array), -1);
  EXPECT_EQ(indexOfObjectInArray(a, MutableArray::make({a})), 0) << "a mutable array is an array";
}

TEST(ArrayRemovingRedundantObjectsTest, KeepsLastOccurrenceByIdentity) {
  auto a = str("A"), b = str("B"), c = str("C");
  auto array = MutableArray::make({a, b, a, c, b});
  arrayRemovingRedundantObjects(array);
  EXPECT_EQ(identities(*array), (std::vector<const Object*>{a.get(), c.get(), b.get()}));

  auto one = str("same"), other = str("same");
  auto equals = MutableArray::make({one, other});
  arrayRemovingRedundantObjects(equals);
  EXPECT_EQ(identities(*equals), (std::vector<const Object*>{one.get(), other.get()}));

  auto empty = MutableArray::make();
  arrayRemovingRedundantObjects(empty);
  EXPECT_TRUE(empty->empty());
  arrayRemovingRedundantObjects(nullptr);
}

TEST(MakeMutableArrayCopyTest, NewMutableContainersSharedLeaves) {
  auto leaf = str("leaf");
  auto inner = Dictionary::make({{"list", Array::make({leaf})}});
  auto input = Array::make({leaf, Array::make({inner}), MutableArray::make({integer(1)})});

  auto copy = MakeMutableArrayCopy(input);
  ASSERT_TRUE(copy);
  EXPECT_TRUE(isEqual(copy, input));
  EXPECT_TRUE(everyContainerMutable(copy));
  EXPECT_EQ(copy->objectAtIndex(0).get(), leaf.get()) << "leaves are shared";
  EXPECT_NE(copy->objectAtIndex(2).get(), input->objectAtIndex(2).get()) << "mutable inputs are copied too";
  auto copiedInner = asDictionary(asArray(copy->objectAtIndex(1))->objectAtIndex(0));
  ASSERT_TRUE(copiedInner);
  EXPECT_NE(copiedInner.get(), inner.get());
  EXPECT_EQ(asArray(copiedInner->objectForKey("list"))->objectAtIndex(0).get(), leaf.get());

  auto fromNull = MakeMutableArrayCopy(nullptr);
  ASSERT_TRUE(fromNull);
  EXPECT_TRUE(fromNull->empty());
}

// Containers, key order and the shared leaves go through the copy the
// array test above reaches; the dictionary form differs in null.
TEST(MakeMutableDictionaryCopyTest, NullGivesNullAndAFixedSetComesBackMutable) {
  auto input = storedSet();
  auto copy = MakeMutableDictionaryCopy(input);
  ASSERT_TRUE(copy);
  EXPECT_TRUE(isEqual(copy, input));
  EXPECT_EQ(copy->objectForKey("icon").get(), input->objectForKey("icon").get());
  EXPECT_EQ(MakeMutableDictionaryCopy(nullptr), nullptr);
}

TEST(MakePlistMutableTest, DeepCopySharesNothingAndIsMutableEverywhere) {
  auto input = storedSet();
  std::string before = describe(input);

  auto copy = asMutableDictionary(MakePlistMutable(input));
  ASSERT_TRUE(copy);
  EXPECT_TRUE(isEqual(copy, input));
  EXPECT_EQ(copy->allKeys(), input->allKeys());
  EXPECT_TRUE(everyContainerMutable(copy));
  EXPECT_TRUE(shareNothing(copy, input));

  // Change the copy at every depth; the input must not move.
  copy->setObjectForKey(str("Changed"), "name");
  auto menu = asMutableDictionary(copy->objectForKey("menu"));
  ASSERT_TRUE(menu);
  auto entry = asMutableDictionary(menu->objectForKey("[saveDocument:] [] [0]"));
  ASSERT_TRUE(entry);
  auto sequences = asMutableArray(entry->objectForKey("key sequences"));
  ASSERT_TRUE(sequences);
  auto sequence = asMutableArray(sequences->objectAtIndex(0));
  ASSERT_TRUE(sequence);
  auto stroke = asMutableDictionary(sequence->objectAtIndex(1));
  ASSERT_TRUE(stroke);
  stroke->setObjectForKey(str("t"), "key");
  sequence->addObject(Dictionary::make());
  sequences->removeAllObjects();
  entry->removeObjectForKey("title");
  menu->setObjectForKey(str("x"), "new");
  EXPECT_EQ(describe(input), before);
}

TEST(MakePlistMutableTest, LeavesAreNewObjectsOfTheSameKind) {
  struct Case {
    Ref value;
    const char* what;
  };
  const Case cases[] = {
      {str("Mine"), "string"},       {integer(-3), "integer"},
      {real(2.5), "real"},           {boolean(true), "boolean"},
      {Data::make({1, 2}), "data"},  {Date::make(1234567890.5), "date"},
  };
  for (const auto& c : cases) {
    Ref copy = MakePlistMutable(c.value);
    ASSERT_TRUE(copy) << c.what;
    EXPECT_NE(copy.get(), c.value.get()) << c.what;
    EXPECT_EQ(copy->kind(), c.value->kind()) << c.what;
    EXPECT_TRUE(isEqual(copy, c.value)) << c.what;
    EXPECT_FALSE(copy->isMutable()) << c.what;
    if (auto number = asNumber(c.value)) {
      EXPECT_EQ(asNumber(copy)->type(), number->type()) << c.what;
    }
  }
  EXPECT_EQ(MakePlistMutable(nullptr), nullptr);
}

TEST(MakePlistMutableTest, OpaqueValuesAreShared) {
  auto wrapper = FileWrapper::makeRegularFile({1}, "a.png");
  auto copy = asMutableDictionary(MakePlistMutable(Dictionary::make({{"picture", wrapper}})));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->objectForKey("picture"), wrapper);
}

TEST(SetObjectToVariableTest, HoldsExactlyOneReference) {
  Ref variable = str("old");
  std::weak_ptr<Object> old = variable;

  setObjectToVariable(&variable, variable);
  EXPECT_FALSE(old.expired()) << "storing its own object keeps it alive";
  EXPECT_EQ(old.use_count(), 1);

  Ref next = str("new");
  setObjectToVariable(&variable, next);
  EXPECT_TRUE(old.expired()) << "the old object's reference is dropped";
  EXPECT_EQ(variable.get(), next.get());
  EXPECT_EQ(next.use_count(), 2) << "the caller's and the variable's";

  std::weak_ptr<Object> held = variable;
  next.reset();
  setObjectToVariable(&variable, nullptr);
  EXPECT_EQ(variable, nullptr);
  EXPECT_TRUE(held.expired());

  setObjectToVariable(nullptr, str("ignored"));
}

}  // namespace
}  // namespace qor
