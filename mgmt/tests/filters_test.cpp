// Instance filters: the condition tests, filtered counts of table rows and
// devices, the translation of surviving numbers, and what makes a filter
// give up.
#include "mgmt/filter.h"
#include "mgmt/tests/event_fixture.h"

namespace vlm::mgmt::testing {
namespace {

using namespace xlpnmif;
using Ids = std::vector<std::int32_t>;

TEST(FilterConditions, TheLastApplicableConditionDecides) {
  constexpr std::int32_t s = 188;
  struct Case {
    const char* what;
    std::vector<FilterCondition> conditions;
    std::int32_t value;
    bool hidden;
  };
  const Case cases[] = {
      {"no condition", {}, 5, false},
      {"equal, same", {IntegerCondition(s, 0, 5)}, 5, true},
      {"equal, other", {IntegerCondition(s, 0, 5)}, 4, false},
      {"less", {IntegerCondition(s, 1, 5)}, 4, true},
      {"less, same", {IntegerCondition(s, 1, 5)}, 5, false},
      {"greater", {IntegerCondition(s, 2, 5)}, 6, true},
      {"not equal", {IntegerCondition(s, 3, 5)}, 4, true},
      {"equal then not equal, same", {IntegerCondition(s, 0, 5), IntegerCondition(s, 3, 5)}, 5, false},
      {"equal then not equal, other", {IntegerCondition(s, 0, 5), IntegerCondition(s, 3, 5)}, 4, true},
      {"an unknown condition decides nothing", {IntegerCondition(s, 0, 5), IntegerCondition(s, 9, 1)}, 5,
       true},
      {"another scalar's condition", {IntegerCondition(s + 1, 0, 5)}, 5, false},
      {"a text condition counts as 0", {TextCondition(s, 0, "ab")}, 0, true},
  };
  for (const Case& c : cases) {
    Filter f;
    f.conditions = c.conditions;
    EXPECT_EQ(TestIntegerConditions(f, s, c.value), c.hidden) << c.what;
  }
}

TEST(FilterConditions, TextsMatchWhenTheConditionBeginsWithTheCurrentText) {
  constexpr std::int32_t s = 22;
  struct Case {
    const char* what;
    std::vector<FilterCondition> conditions;
    std::string text;
    bool hidden;
  };
  const std::string longText(600, 'x');
  const Case cases[] = {
      {"same", {TextCondition(s, 0, "A4")}, "A4", true},
      {"the first letter", {TextCondition(s, 0, "A4")}, "A", true},
      {"one letter more", {TextCondition(s, 0, "A4")}, "A4X", false},
      {"empty", {TextCondition(s, 0, "A4")}, "", true},
      {"other", {TextCondition(s, 0, "A4")}, "B", false},
      {"case", {TextCondition(s, 0, "A4")}, "a4", false},
      {"only Condition 0 compares texts", {TextCondition(s, 3, "A4")}, "B", false},
      {"the last decides", {TextCondition(s, 0, "A4"), TextCondition(s, 0, "XY")}, "A", false},
      {"an integer condition 0 takes part with an empty text",
       {TextCondition(s, 0, "A4"), IntegerCondition(s, 0, 7)}, "A", false},
      {"texts are cut to 511 bytes", {TextCondition(s, 0, longText)}, std::string(511, 'x'), true},
      {"a longer current text never matches", {TextCondition(s, 0, longText)}, longText, false},
  };
  for (const Case& c : cases) {
    Filter f;
    f.conditions = c.conditions;
    EXPECT_EQ(TestStringConditions(f, s, c.text), c.hidden) << c.what;
  }
}

// The engine of device 0 with three input trays (rows .1.1 .. .1.3).
class FilterTest : public EventTest {
 protected:
  void SetUp() override {
    EventTest::SetUp();
    SetTrays({4, 0, 4}, {"A", "A4", "A4X"});
    countGroup = Group({8001});
  }
  void SetTrays(const std::vector<std::int32_t>& status, const std::vector<std::string>& names) {
    for (std::size_t k = 0; k < status.size(); ++k) {
      const std::string row = ".1." + std::to_string(k + 1);
      net->instanceIntegers[row][188] = status[k];
      net->instanceTexts[row][22] = names[k];
    }
  }
  // The count as the value list hands it out.
  std::int32_t Count(LONG handle, LONG group = 0, LONG mode = kModeRead) {
    EXPECT_EQ(Read(handle, group ? group : countGroup, mode), 0);
    ValueLists l = Ints(handle);
    EXPECT_EQ(l.count, 1);
    return l.count == 1 ? l.IntValues()[0] : -99;
  }
  LONG NewFilter(LONG countId, LONG vectorId, const std::vector<std::pair<LONG, Variant>>& conditions,
                 LONG condition = kConditionEqual) {
    LONG f = 0;
    EXPECT_EQ(item->CreateFilter(countId, vectorId, &f), S_OK);
    for (const auto& [scalar, value] : conditions)
      EXPECT_EQ(item->AddConditionToFilter(f, scalar, value, condition), S_OK);
    return f;
  }
  // The real instances the records of a handle stand for, in surviving order.
  Ids Reals(LONG handle) {
    Ids out;
    auto records = Core().FilteredInstancesForTests(handle);
    if (!records) return {-1};
    for (std::size_t i = 0; i < records->size(); ++i) {
      EXPECT_EQ((*records)[i].surviving, static_cast<std::int32_t>(i) + 1);
      out.push_back((*records)[i].real);
    }
    return out;
  }
  LONG countGroup = -1;
};

TEST_F(FilterTest, ConditionsHideRowsAndTheCountFollows) {
  Bstr text("A4X");
  BSTR byReference = text.Get();
  struct Case {
    const char* what;
    std::vector<std::pair<LONG, Variant>> conditions;
    LONG condition;
    Ids survivors;
  };
  const Case cases[] = {
      {"no condition", {}, 0, {1, 2, 3}},
      {"status equal 0", {{188, LONG{0}}}, kConditionEqual, {1, 3}},
      {"status less than 4", {{188, LONG{4}}}, kConditionLess, {1, 3}},
      {"status greater than 3", {{188, LONG{3}}}, kConditionGreater, {2}},
      {"status not 0", {{188, LONG{0}}}, kConditionNotEqual, {2}},
      {"an unknown condition", {{188, LONG{0}}}, 9, {1, 2, 3}},
      {"a short integer", {{188, SHORT{0}}}, kConditionEqual, {1, 3}},
      {"name is a beginning of A4", {{22, Variant("A4")}}, kConditionEqual, {3}},
      {"a text by reference", {{22, Variant::Ref(&byReference)}}, kConditionEqual, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LONG f = NewFilter(8001, 8, c.conditions, c.condition);
    EXPECT_EQ(Count(engine), static_cast<std::int32_t>(c.survivors.size()));
    EXPECT_EQ(Reals(engine), c.survivors);
    item->RemoveFilter(f);
  }
  // Conditions are tested on the rows' own values, one handle at a time.
  EXPECT_EQ(Core().OccupancyForTests().openHandles, 3);
  EXPECT_EQ(net->OpenCount(), 1);
}

TEST_F(FilterTest, SurvivingNumbersOpenTheirRealRows) {
  NewFilter(8001, 8, {{188, LONG{0}}});
  ASSERT_EQ(Count(engine), 2);
  net->calls.clear();
  const LONG second = Child(engine, 8, 2);
  ASSERT_GE(second, 0);
  EXPECT_EQ(net->calls.back(), "OpenChildHandle 0 8 3");
  // Its node caches the real row: unfiltered later, row 3 finds it again.
  ASSERT_EQ(Read(second, 1023), 0);
  Ints(second);
  item->ReleaseHandle(second);
  const LONG third = Child(engine, 8, 3);
  EXPECT_EQ(net->calls.back(), "OpenChildHandle 0 8 3");
  net->calls.clear();
  ASSERT_EQ(Read(third, 1023, kModeCached), 0);
  EXPECT_EQ(net->Traffic(), 0u);
  item->ReleaseHandle(third);

  // A number past the survivors is not translated; a release drops them.
  Child(engine, 8, 3);
  EXPECT_EQ(net->calls.back(), "OpenChildHandle 0 8 3");
  item->ReleaseHandle(engine);
  EXPECT_FALSE(Core().FilteredInstancesForTests(engine));
}

TEST_F(FilterTest, TheFirstFilterThatChangesACountDecides) {
  const LONG byStatus = NewFilter(8001, 8, {{188, LONG{0}}});
  const LONG byName = NewFilter(8001, 8, {{22, Variant("A4")}});
  EXPECT_EQ(Count(engine), 2);
  EXPECT_EQ(Reals(engine), (Ids{1, 3}));
  item->RemoveFilter(byStatus);
  EXPECT_EQ(Count(engine), 1);
  EXPECT_EQ(Reals(engine), (Ids{3}));

  // A filter that hides nothing before it leaves no records in the way.
  item->RemoveFilter(byName);
  NewFilter(8001, 8, {{188, LONG{9}}});
  NewFilter(8001, 8, {{188, LONG{0}}});
  EXPECT_EQ(Count(engine), 2);
  EXPECT_EQ(Reals(engine), (Ids{1, 3}));
  Child(engine, 8, 2);
  EXPECT_EQ(net->calls.back(), "OpenChildHandle 0 8 3");
}

TEST_F(FilterTest, EachEvaluationReplacesTheRecordsItMade) {
  const LONG f = NewFilter(8001, 8, {{188, LONG{0}}});
  EXPECT_EQ(Count(engine), 2);
  EXPECT_EQ(Count(engine), 2);
  EXPECT_EQ(Reals(engine), (Ids{1, 3}));
  SetTrays({0, 4, 4}, {"A", "A4", "A4X"});
  EXPECT_EQ(Count(engine), 2);
  EXPECT_EQ(Reals(engine), (Ids{2, 3}));

  // Without the filter the count is the raw one, and the records stay until
  // the handle goes.
  item->RemoveFilter(f);
  EXPECT_EQ(Count(engine), 3);
  EXPECT_EQ(Reals(engine), (Ids{2, 3}));
  // A handle that names no filter changes nothing.
  item->RemoveFilter(f);
  EXPECT_EQ(item->AddConditionToFilter(f, 188, Variant(LONG{4}), 0), S_OK);
  EXPECT_EQ(Count(engine), 3);
}

TEST_F(FilterTest, AConditionOnACountScalarUsesItsFilteredValueWithoutRecursion) {
  // Every row's own 8001 reads 3; a condition on the filter's own count
  // scalar sees it unfiltered instead of filtering it again.
  const LONG own = NewFilter(8001, 8, {{8001, LONG{3}}});
  EXPECT_EQ(Count(engine), 0);
  EXPECT_EQ(net->Count("OpenChildHandle"), 3u);
  item->RemoveFilter(own);

  // A count that another filter changes is compared as filtered: below row
  // 2 the one row of vector 9 is hidden, so row 2 counts 0 and goes.
  for (int k = 1; k <= 3; ++k) net->instanceIntegers[".1." + std::to_string(k)][8002] = 1;
  net->instanceIntegers[".1.2.1"][190] = 7;
  NewFilter(8002, 9, {{190, LONG{7}}});
  NewFilter(8001, 8, {{8002, LONG{0}}});
  EXPECT_EQ(Count(engine), 2);
  EXPECT_EQ(Reals(engine), (Ids{1, 3}));
  EXPECT_EQ(Core().OccupancyForTests().openHandles, 3);
}

TEST_F(FilterTest, AFilterThatCannotOpenOrReadEveryRowGivesUp) {
  NewFilter(8001, 8, {{188, LONG{0}}});
  net->getValueResult = netmgr::kErrTimeout;
  EXPECT_EQ(Count(engine), 3);
  EXPECT_FALSE(Core().FilteredInstancesForTests(engine));
  net->getValueResult = 0;

  // A full table: the rows cannot be opened.
  while (Root(kPrintJobs) != -1) {
  }
  EXPECT_EQ(Count(engine), 3);
  EXPECT_FALSE(Core().FilteredInstancesForTests(engine));
  EXPECT_EQ(net->OpenCount(), 1);
}

TEST_F(FilterTest, DeviceFiltersReadTheDevicesNodesAndTranslateDeviceNumbers) {
  const LONG run = Discover({{"127.0.0.5", 1}, {"127.0.0.6", 1}, {"127.0.0.7", 1}});
  ASSERT_GE(run, 0);
  const LONG byAddress = NewFilter(kDeviceCount, kInstalledPrinter, {{kDeviceAddress, Variant("127.0.0.6")}});
  net->calls.clear();
  EXPECT_EQ(Count(run, kInstalledCountGroup, kModeCached), 2);  // group 1039 answers from the cache
  EXPECT_EQ(net->Count("Connect"), 0u);
  EXPECT_EQ(Reals(run), (Ids{1, 3}));
  // Device numbers count from 0: survivor 1 is device 2.
  const LONG opened = Root(kInstalledPrinter, 1);
  ASSERT_GE(opened, 0);
  EXPECT_STREQ(net->connects.back().address, "127.0.0.7");
  item->ReleaseHandle(opened);

  // Integer conditions read the device scalars; another kind's vector finds
  // no device of its kind and gives up.
  item->RemoveFilter(byAddress);
  const LONG byStatus = NewFilter(kDeviceCount, kInstalledPrinter, {{kDeviceGeneralStatus, LONG{4}}});
  EXPECT_EQ(Count(run, kInstalledCountGroup, kModeCached), 0);
  item->RemoveFilter(byStatus);
  NewFilter(kDeviceCount, kOtherDevice, {{kDeviceGeneralStatus, LONG{4}}});
  EXPECT_EQ(Count(run, kInstalledCountGroup, kModeCached), 3);

  // Once the run's root is released, device numbers are real again.
  item->ReleaseHandle(run);
  Root(kInstalledPrinter, 1);
  EXPECT_STREQ(net->connects.back().address, "127.0.0.6");
}

}  // namespace
}  // namespace vlm::mgmt::testing
