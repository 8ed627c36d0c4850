// Group reads and the value cache, custom groups, the value lists' arrays,
// writes, a long poll, and calls by name through IDispatch.
#include "mgmt/tests/fixture.h"

namespace vlm::mgmt::testing {
namespace {

using namespace xlpnmif;

class GroupTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    net->integers = {{6, 3}, {18, 250}, {151, 12}, {152, 5}, {153, 7}, {160, 1}, {8001, 3}};
    net->texts = {{77, "Velmar 9000"}, {108, "Stapler"}};
    net->groups[1017] = {{151, 152}, {}};
    net->groups[1018] = {{151, 153}, {}};
    net->groups[1019] = {{160}, {}};
    net->groups[1010] = {{6}, {108}};
    ASSERT_EQ(Discover({{"127.0.0.5", 1}}), 0);
    device = Root(kInstalledPrinter, 0);
    engine = Child(device, 0, 1);
    ASSERT_EQ(engine, 2);
  }
  LONG device = -1, engine = -1;
};

TEST_F(GroupTest, AModeOneReadOfACachedGroupSendsNothing) {
  ASSERT_EQ(Read(engine, 1017), 0);
  ValueLists fresh = Ints(engine);
  EXPECT_EQ(fresh.Ids(), (std::vector<std::int32_t>{151, 152}));
  EXPECT_EQ(fresh.IntValues(), (std::vector<std::int32_t>{12, 5}));
  EXPECT_EQ(fresh.Descriptions(), (std::vector<std::string>{"Label 151", "Label 152"}));

  const std::size_t traffic = net->Traffic(), lists = net->Count("GetIntegerValueList");
  net->integers[151] = 99;  // the device changed; the cache answers
  EXPECT_EQ(Read(engine, 1017, kModeCached), 0);
  ValueLists cached = Ints(engine);
  EXPECT_EQ(net->Traffic(), traffic);
  EXPECT_EQ(net->Count("GetIntegerValueList"), lists);
  EXPECT_EQ(cached.Ids(), fresh.Ids());
  EXPECT_EQ(cached.IntValues(), fresh.IntValues());
  EXPECT_EQ(cached.Descriptions(), fresh.Descriptions());
  EXPECT_EQ(net->liveGroups, 0);  // the group was freed on the cache path too

  struct Case {
    const char* name;
    LONG group;
    std::int32_t getValues;
    LONG error;
    bool listed = false;  // the failed read's list is handed out before
  };
  const Case misses[] = {
      {"one scalar missing", 1018, 0, 0},
      {"a text scalar", 1010, 0, 0},
      {"a read that failed stored nothing", 1019, netmgr::kErrTimeout, netmgr::kErrTimeout},
      {"the list of a read that failed is no cached value", 1017, netmgr::kErrBadValue, netmgr::kErrBadValue,
       true},
  };
  for (const Case& c : misses) {
    SCOPED_TRACE(c.name);
    net->getValuesResult = c.getValues;
    Read(engine, c.group);  // registers the group's scalars
    net->getValuesResult = 0;
    if (c.listed) Ints(engine);
    const std::size_t before = net->Count("GetValues");
    net->getValuesResult = c.getValues;
    EXPECT_EQ(Read(engine, c.group, kModeCached), c.error);
    net->getValuesResult = 0;
    EXPECT_EQ(net->Count("GetValues"), before + 1);
    // The miss is recorded as mode 0: the list reads the network manager.
    const std::size_t l = net->Count("GetIntegerValueList");
    Ints(engine);
    EXPECT_EQ(net->Count("GetIntegerValueList"), l + 1);
  }
  EXPECT_EQ(net->liveGroups, 0);
}

TEST_F(GroupTest, AModeOneListAnswersForTheObjectsLastCachedGroup) {
  const LONG tray = Child(engine, 8, 1);
  Read(tray, 1019);
  Ints(tray);
  ASSERT_EQ(Read(tray, 1019, kModeCached), 0);
  Read(engine, 1017);
  Ints(engine);
  ASSERT_EQ(Read(engine, 1017, kModeCached), 0);
  // The tray's list answers for 1017, which its node does not hold.
  ValueLists l = Ints(tray);
  EXPECT_EQ(l.Ids(), (std::vector<std::int32_t>{-1, -1}));
}

TEST_F(GroupTest, TheDeviceSummaryAndTheMonitorsDeviceGroupComeFromDiscovery) {
  const std::size_t traffic = net->Traffic();
  ASSERT_EQ(Read(device, kDeviceGroup, kModeCached), 0);
  ValueLists ints = Ints(device);
  EXPECT_EQ(ints.Ids(), (std::vector<std::int32_t>{6003, 6006, 6008, 6009}));
  EXPECT_EQ(ints.IntValues(), (std::vector<std::int32_t>{0, 4, 1, 2}));
  ValueLists texts = Texts(device);
  EXPECT_EQ(texts.Ids(), (std::vector<std::int32_t>{6001, 6002, 6007, 6005}));
  EXPECT_EQ(texts.TextValues()[0], "127.0.0.5");

  // The list the monitor's discovery reads: 145 and 0 are not device
  // scalars (-1), and the last element is not part of the group.
  const LONG g = Group({145, 0, 6002, 6005, 6001, 6008});
  ASSERT_EQ(Read(device, g, kModeCached), 0);
  ints = Ints(device);
  EXPECT_EQ(ints.Ids(), (std::vector<std::int32_t>{-1, -1, 6008}));
  EXPECT_EQ(ints.IntValues()[2], 1);
  texts = Texts(device);
  EXPECT_EQ(texts.Ids(), (std::vector<std::int32_t>{-1, -1, 6002, 6005, 6001}));
  EXPECT_EQ(texts.TextValues()[4], "127.0.0.5");
  EXPECT_EQ(net->Traffic(), traffic);

  // In mode 0 a device handle has no list of its own.
  Read(device, g);
  EXPECT_EQ(Ints(device).count, 0);
}

TEST_F(GroupTest, OwnAndUnknownIdentifiersAreNeverSent) {
  const LONG g = Group({8, 6001, 9999, 8001, 7004, -3});
  ASSERT_EQ(Read(engine, g), 0);
  EXPECT_EQ(net->calls[net->calls.size() - 3], "AddScalars 0 8 8001");
  // An own group on a vector handle reads nothing at all.
  const std::size_t traffic = net->Traffic(), adds = net->Count("AddScalars");
  EXPECT_EQ(Read(engine, kDeviceGroup), 0);
  EXPECT_EQ(Read(engine, Group({6001, 6002})), 0);
  EXPECT_EQ(net->Traffic(), traffic);
  EXPECT_EQ(net->Count("AddScalars"), adds);

  // Writes: only the network manager's scalars go out.
  struct Case {
    LONG handle, id;
    LONG error;
    bool sent;
  };
  net->setValuesResult = netmgr::kErrAccess;
  for (const Case& c : {Case{engine, 18, netmgr::kErrAccess, true}, Case{engine, 6001, netmgr::kErrCall, false},
                        Case{engine, 5000, netmgr::kErrCall, false}, Case{device, 18, 0, false},
                        Case{0, 18, 0, false}, Case{40, 18, netmgr::kErrCall, false},
                        Case{-1, 18, netmgr::kErrCall, false}}) {
    SCOPED_TRACE(std::to_string(c.handle) + " " + std::to_string(c.id));
    const std::size_t sets = net->Count("SetValues");
    LONG error = -99;
    ASSERT_EQ(item->SetScalarIntegerValue(c.handle, c.id, 5, &error), S_OK);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(net->Count("SetValues"), sets + (c.sent ? 1 : 0));
    error = -99;
    ASSERT_EQ(item->SetScalarStringValue(c.handle, c.id, nullptr, &error), S_OK);
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(net->writes.back(), (std::pair<std::int32_t, std::string>{18, ""}));
  // A text longer than the value field is refused, not cut.
  LONG error = 0;
  Bstr longText(std::string(300, 'x'));
  const std::size_t sets = net->Count("SetValues");
  item->SetScalarStringValue(engine, 22, longText.Get(), &error);
  EXPECT_EQ(error, netmgr::kErrBadValue);
  EXPECT_EQ(net->Count("SetValues"), sets);
  Bstr name("Lobby");
  item->SetScalarStringValue(engine, 22, name.Get(), &error);
  EXPECT_EQ(net->writes.back(), (std::pair<std::int32_t, std::string>{22, "Lobby"}));
}

TEST_F(GroupTest, TextMembersOfCustomGroupsAreCachedAsTexts) {
  const LONG g = Group({6, 77});
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const std::size_t reads = net->Count("GetValues");
    ASSERT_EQ(Read(engine, g, kModeCached), 0);
    EXPECT_EQ(net->Count("GetValues"), reads + 1);  // a text member: always afresh
    ValueLists texts = Texts(engine);
    EXPECT_EQ(texts.Ids(), std::vector<std::int32_t>{77});
    EXPECT_EQ(texts.TextValues(), std::vector<std::string>{"Velmar 9000"});
    EXPECT_EQ(Ints(engine).IntValues(), std::vector<std::int32_t>{3});
  }
  // The members hold their own kinds: the integer one answers a mode-1
  // list of a group made of it alone.
  const LONG alone = Group({6});
  ASSERT_EQ(Read(engine, alone, kModeCached), 0);
  EXPECT_EQ(Ints(engine).IntValues(), std::vector<std::int32_t>{3});
}

// A caller reads into the same arrays again and again: every read leaves
// the texts of that read, whether they are the same, as long but other,
// longer, shorter, empty or not ASCII.
TEST_F(GroupTest, TextsReadAgainIntoTheSameArraysAreThatReadsTexts) {
  const LONG g = Group({77, 108, 6});
  ValueLists lists(true);
  for (const auto& [first, second] : std::vector<std::pair<std::string, std::string>>{
           {"Velmar 9000", "Stapler"},
           {"Velmar 9000", "Stapler"},
           {"Velmar 9001", "Stapler"},
           {"Velmar 9001 with a longer name", "S"},
           {"", "Stapler"},
           {"Velm\xC3\xA5r 9000", "Stapl\xC3\xA9r"},
           {"Velmar 9000", "Stapler"}}) {
    SCOPED_TRACE(first + " / " + second);
    net->texts[77] = first;
    net->texts[108] = second;
    ASSERT_EQ(Read(engine, g), 0);
    ASSERT_EQ(item->GetCurrentStringValueList(engine, &lists.ids, &lists.values, &lists.descrs, &lists.count),
              S_OK);
    EXPECT_EQ(lists.Ids(), (std::vector<std::int32_t>{77, 108}));
    EXPECT_EQ(lists.TextValues(), (std::vector<std::string>{first, second}));
    EXPECT_EQ(lists.Descriptions(), (std::vector<std::string>{"Label 77", "Label 108"}));
  }
}

TEST_F(GroupTest, CustomGroupsTakeAllButTheLastElement) {
  auto byRef = [](Variant& array) {
    Variant v;
    v.vt = VT_BYREF | VT_ARRAY | VT_I2;
    v.pparray = &array.parray;
    return v;
  };
  std::vector<SHORT> seventy(70, 8);
  struct Case {
    const char* name;
    Variant list;
    std::vector<std::int32_t> ids;
  };
  Variant bounds1to6 = ShortArray({36, 187, 188}, 1, 3);  // elements 1..6
  Case cases[] = {
      {"bounds 0 to 5 with five ids", ShortArray({36, 187, 188, 35, 37}), {36, 187, 188, 35, 37}},
      {"the last element is not taken", ShortArray({36, 187}, 0, 0), {36}},
      {"lower bound 1", ShortArray({36, 187, 188}, 1, 1), {36, 187, 188}},
      {"one element", ShortArray({36}, 0, 0), {}},
      {"16-bit values widen without sign", ShortArray({-1, 8001}), {65535, 8001}},
      {"at most 64 ids", ShortArray(seventy), std::vector<std::int32_t>(64, 8)},
      {"by reference", byRef(bounds1to6), {36, 187, 188, 0, 0}},
      {"not an array of 16-bit values", Variant(LONG{7}), {}},
      {"32-bit elements", Variant::Array(SafeArrayCreateVector(VT_I4, 0, 4)), {}},
  };
  std::set<LONG> handles;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    LONG g = -5;
    ASSERT_EQ(item->CreateCustomGroup(c.list, &g), S_OK);
    EXPECT_GT(g, kCustomGroupBase);
    EXPECT_TRUE(handles.insert(g).second);
    EXPECT_EQ(Core().CustomGroupIdsForTests(g), c.ids);
  }
  // Deleting: a group that names nothing, 2000 and a second delete do nothing.
  const LONG first = *handles.begin();
  for (LONG g : {first, first, LONG{2000}, LONG{99999}, LONG{-1}}) item->DeleteCustomGroup(g);
  EXPECT_EQ(Core().OccupancyForTests().customGroups, std::size(cases) - 1);
  EXPECT_TRUE(Core().CustomGroupIdsForTests(first).empty());
  // A deleted group reads nothing.
  const std::size_t adds = net->Count("AddScalars");
  EXPECT_EQ(Read(engine, first), 0);
  EXPECT_EQ(net->Count("AddScalars"), adds);
  // A new group never takes a deleted group's number.
  EXPECT_EQ(handles.count(Group({8})), 0u);
}

TEST_F(GroupTest, ValueListsWriteOnlyWhatTheCallersArraysHold) {
  Read(engine, Group({151, 152, 153, 6}));
  struct Case {
    const char* name;
    ULONG size;
    LONG lower;
    LONG count;
  };
  for (const Case& c : {Case{"room for all", 101, 0, 4}, Case{"room for two", 2, 0, 2},
                        Case{"no room", 0, 0, 0}, Case{"starting at 1", 10, 1, 0},
                        Case{"starting at -2", 4, -2, 2}}) {
    SCOPED_TRACE(c.name);
    Variant ids = Variant::Array(SafeArrayCreateVector(VT_I4, c.lower, c.size));
    Variant values = Variant::Array(SafeArrayCreateVector(VT_I4, c.lower, c.size));
    Variant descrs = Variant::Array(SafeArrayCreateVector(VT_BSTR, c.lower, c.size));
    LONG count = -7;
    ASSERT_EQ(item->GetCurrentIntegerValueList(engine, &ids, &values, &descrs, &count), S_OK);
    EXPECT_EQ(count, c.count);
    for (LONG k = 0; k < count; ++k) {
      LONG v = 0;
      SafeArrayGetElement(values.parray, &k, &v);
      EXPECT_EQ(v, (std::vector<LONG>{12, 5, 7, 3})[static_cast<std::size_t>(k)]);
    }
  }

  // An integer VARIANT over an array of 16-bit elements is written element
  // by element at the array's own size, never past its end.
  {
    ValueLists narrow(false, 4);
    SafeArrayDestroy(narrow.values.parray);
    narrow.values.parray = SafeArrayCreateVector(VT_I2, 0, 4);
    ASSERT_EQ(item->GetCurrentIntegerValueList(engine, &narrow.ids, &narrow.values, &narrow.descrs,
                                               &narrow.count),
              S_OK);
    ASSERT_EQ(narrow.count, 4);
    for (LONG k = 0; k < 4; ++k) {
      SHORT v = 0;
      SafeArrayGetElement(narrow.values.parray, &k, &v);
      EXPECT_EQ(v, (std::vector<SHORT>{12, 5, 7, 3})[static_cast<std::size_t>(k)]);
    }
    EXPECT_EQ(narrow.Ids(), (std::vector<std::int32_t>{151, 152, 153, 6}));
  }

  // Arrays reached through references are filled in place.
  ValueLists l(false);
  Variant idsRef = Variant::Ref(&l.ids), valuesRef;
  valuesRef.vt = VT_BYREF | VT_ARRAY | VT_I4;
  valuesRef.pparray = &l.values.parray;
  ASSERT_EQ(item->GetCurrentIntegerValueList(engine, &idsRef, &valuesRef, &l.descrs, &l.count), S_OK);
  EXPECT_EQ(l.Ids(), (std::vector<std::int32_t>{151, 152, 153, 6}));
  EXPECT_EQ(l.IntValues(), (std::vector<std::int32_t>{12, 5, 7, 3}));

  // Any VARIANT of another type: nothing is written, the count stays.
  ValueLists wrong(true);  // text values for the integer list
  ASSERT_EQ(item->GetCurrentIntegerValueList(engine, &wrong.ids, &wrong.values, &wrong.descrs,
                                             &wrong.count),
            S_OK);
  EXPECT_EQ(wrong.count, -7);
  Variant number(LONG{3});
  for (int which = 0; which < 3; ++which) {
    ValueLists t(true);
    VARIANT* args[3] = {&t.ids, &t.values, &t.descrs};
    args[which] = &number;
    ASSERT_EQ(item->GetCurrentStringValueList(engine, args[0], args[1], args[2], &t.count), S_OK);
    EXPECT_EQ(t.count, -7);
  }
  LONG v = -1;
  LONG zero = 0;
  SafeArrayGetElement(wrong.ids.parray, &zero, &v);
  EXPECT_EQ(v, 0);
}

TEST_F(GroupTest, AThousandPollsLeaveTheTablesAsTheFirstDid) {
  auto poll = [&] {
    // The input-tray procedure: count, then a tray row's scalars.
    const LONG count = Group({8001});
    const LONG trays = Group({36, 187, 188, 35, 37});
    const LONG root = Root(kInstalledPrinter, 0);
    const LONG eng = Child(root, 0, 1);
    Read(eng, count);
    Ints(eng);
    const LONG tray = Child(eng, 8, 2);
    Read(tray, trays);
    Ints(tray);
    Read(eng, 1017, kModeCached);
    Ints(eng);
    item->DeleteCustomGroup(count);
    item->DeleteCustomGroup(trays);
    for (LONG h : {tray, eng, root}) item->ReleaseHandle(h);
  };
  item->ReleaseHandle(engine);
  item->ReleaseHandle(device);
  poll();
  const auto first = Core().OccupancyForTests();
  for (int i = 0; i < 999; ++i) poll();
  const auto last = Core().OccupancyForTests();
  EXPECT_EQ(last.openHandles, first.openHandles);
  EXPECT_EQ(last.nodeCounter, first.nodeCounter);
  EXPECT_EQ(last.treeNodes, first.treeNodes);
  EXPECT_EQ(last.customGroups, 0u);
  EXPECT_EQ(net->OpenCount(), 0);
  EXPECT_EQ(net->liveGroups, 0);
}

TEST_F(GroupTest, TheNodeTableWrapKeepsLiveHandlesAndBoundsTheTree) {
  Read(engine, 1017);
  Ints(engine);
  const LONG row = Group({6});
  for (LONG i = 1; i <= 1100; ++i) {
    const LONG tray = Child(engine, 8, i);
    ASSERT_GE(tray, 0);
    Read(tray, row);
    Ints(tray);
    item->ReleaseHandle(tray);
  }
  EXPECT_LE(Core().OccupancyForTests().treeNodes, 1030u);
  // The engine's node is still its own, with its cached values.
  const std::size_t traffic = net->Traffic();
  ASSERT_EQ(Read(engine, 1017, kModeCached), 0);
  EXPECT_EQ(net->Traffic(), traffic);
  EXPECT_EQ(Ints(engine).IntValues(), (std::vector<std::int32_t>{12, 5}));
}

TEST_F(GroupTest, TheSameMethodsAnswerByNameThroughIDispatch) {
  ComPtr<IDispatch> d;
  ASSERT_EQ(item.As(&d), S_OK);
  const char* names[] = {"GetHandle", "GetGroupValues", "GetCurrentIntegerValueList",
                         "GetCurrentStringValueList", "GetRootHandle", "GetNumberOfInstances",
                         "ReleaseHandle", "SetScalarIntegerValue", "SetAdviseRate",
                         "SetScalarStringValue", "CreateFilter", "AddConditionToFilter",
                         "RemoveFilter", "CreateCustomGroup", "DeleteCustomGroup"};
  for (DISPID i = 0; i < 15; ++i) {
    std::u16string wide = Utf16FromUtf8(names[i]);
    for (char16_t& c : wide) c = static_cast<char16_t>(c >= u'a' && c <= u'z' ? c - 32 : c);
    LPOLESTR n = wide.data();
    DISPID id = 0;
    ASSERT_EQ(d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id), S_OK) << names[i];
    EXPECT_EQ(id, i + 1);
  }

  LONG tray = -1, group = -1, error = -1, count = -1;
  VbCallByName(d.Get(), "GetHandle", engine, LONG{0x8}, LONG{3}, Variant::Ref(&tray));
  EXPECT_EQ(tray, 3);
  VbCallByName(d.Get(), "CreateCustomGroup", ShortArray({151, 152}), Variant::Ref(&group));
  EXPECT_GT(group, kCustomGroupBase);
  VbCallByName(d.Get(), "GetGroupValues", tray, group, LONG{0}, LONG{0}, Variant::Ref(&error));
  EXPECT_EQ(error, 0);
  ValueLists l(false);
  VbCallByName(d.Get(), "GetCurrentIntegerValueList", tray, Variant::Ref(&l.ids),
               Variant::Ref(&l.values), Variant::Ref(&l.descrs), Variant::Ref(&count));
  l.count = count;
  EXPECT_EQ(l.Ids(), (std::vector<std::int32_t>{151, 152}));
  EXPECT_EQ(l.IntValues(), (std::vector<std::int32_t>{12, 5}));

  // GetNumberOfInstances reports the network manager's failure as its result.
  try {
    VbCallByName(d.Get(), "GetNumberOfInstances", LONG{0}, LONG{5002}, Variant::Ref(&count));
    ADD_FAILURE() << "no error";
  } catch (const VbError& e) {
    EXPECT_NE(e.Number(), 0);
  }
}

}  // namespace
}  // namespace vlm::mgmt::testing
