// Cross-checks of the identifier tables against each other and against the
// vector list that the rest of the system relies on.
#include <gtest/gtest.h>

#include <set>

#include "netmgr/mib_tables.h"
#include "netmgr/snmp/snmp.h"

namespace vlm::netmgr {
namespace {

struct VectorRow {
  std::int32_t vector;
  const char* name;
  const char* walkOid;
  std::int32_t countScalar;  // 0: none
};

// Every vector, the subtree walked to count its rows, and its count scalar.
const VectorRow kVectorRows[] = {
    {0, "vlmDeviceInfoTable", "1.3.6.1.2.1.25.3.2.1.2", 0},
    {8, "PrinterInputInfoTable", "1.3.6.1.4.1.2364.1.2.3.1.1.1.4", 8001},
    {38, "PrinterOutputInfoTable", "1.3.6.1.4.1.2364.1.2.3.2.1.1.1", 8002},
    {74, "vlmProductIDVector", "1.3.6.1.4.1.2364.1.1.1.1.1.2", 0},
    {82, "vlmSNMPVector", "1.3.6.1.4.1.2364.1.1.2.1.1.2", 0},
    {87, "vlmOperationalVector", "1.3.6.1.4.1.2364.1.1.3.1.1.2", 0},
    {93, "vlmResponsiblePartySPVector", "1.3.6.1.4.1.2364.1.2.1.1.1.2", 0},
    {99, "vlmResponsiblePartyDMVector", "1.3.6.1.4.1.2364.1.2.2.1.1.2", 0},
    {104, "vlmFinisherVector", "1.3.6.1.4.1.2364.1.2.3.2.2.1.2", 8006},
    {112, "vlmConsoleVector", "1.3.6.1.4.1.2364.1.2.3.3.1.1.1", 8007},
    {118, "vlmDisplayLineVector", "1.3.6.1.4.1.2364.1.2.3.3.2.1.1", 8008},
    {123, "vlmMemoryVector", "1.3.6.1.4.1.2364.1.2.3.4.1.1.2", 8009},
    {130, "vlmDiskVector", "1.3.6.1.4.1.2364.1.2.3.5.1.1.2", 8005},
    {136, "vlmFirmwareVector", "1.3.6.1.4.1.2364.1.2.3.6.1.1.2", 8012},
    {142, "vlmControllerModuleVector", "1.3.6.1.4.1.2364.1.2.3.7.1.1.2", 0},
    {148, "vlmEngineVector", "1.3.6.1.4.1.2364.1.2.3.8.1.1.2", 8010},
    {159, "vlmJobVector", "1.3.6.1.4.1.2364.1.2.4.1.1.2", 8003},
    {164, "vlmActionVector", "1.3.6.1.4.1.2364.1.2.5.1.1.2", 0},
    {175, "vlmAlertVector", "1.3.6.1.4.1.2364.1.2.6.1.1.2", 8004},
    {191, "prtGeneralTable", "1.3.6.1.2.1.43.5.1", 0},
    {193, "prtInterpreterTable", "1.3.6.1.2.1.43.15.1", 8011},
    {199, "vlmTrapVector", "1.3.6.1.4.1.2364.1.2.7.1.1.2", 0},
    {210, "vlmOptionTable", "1.3.6.1.4.1.2364.1.2.3.10.1.1.2", 8013},
};

TEST(MibTables, EveryVectorHasSyntaxXAndItsWalkRecordFollowsIt) {
  std::set<std::int32_t> vectors;
  for (const VectorRow& row : kVectorRows) {
    SCOPED_TRACE(row.vector);
    vectors.insert(row.vector);
    EXPECT_TRUE(IsVector(row.vector));
    EXPECT_STREQ(MibObjectTable[row.vector].name, row.name);
    EXPECT_EQ(SyntaxOf(row.vector), "X");
    EXPECT_EQ(OidOf(row.vector + 1), row.walkOid) << "walk record is vector + 1";
  }
  for (std::int32_t id = 0; id < kMibObjectCount; ++id)
    EXPECT_EQ(IsVector(id), vectors.count(id) == 1) << id;
}

TEST(MibTables, WalksOfTheGeneralAndInterpreterTablesCountOneColumn) {
  for (const VectorRow& row : kVectorRows) {
    SCOPED_TRACE(row.vector);
    if (row.vector == 191)
      EXPECT_EQ(WalkOidOf(191), OidOf(185));
    else if (row.vector == 193)
      EXPECT_EQ(WalkOidOf(193), OidOf(195));
    else
      EXPECT_EQ(WalkOidOf(row.vector), row.walkOid);
  }
  // A column walk lies inside its table.
  EXPECT_EQ(WalkOidOf(193).substr(0, OidOf(193).size()), OidOf(193));
  EXPECT_EQ(WalkOidOf(191).substr(0, OidOf(191).size()), OidOf(191));
  EXPECT_TRUE(WalkOidOf(5).empty());
}

TEST(MibTables, CountScalarsNameVectorsInOrder) {
  std::set<std::int32_t> counted;
  for (int i = 0; i < kCountScalarCount; ++i) {
    const CountScalar& c = CountScalarTable[i];
    EXPECT_EQ(c.id, kFirstCountScalar + i);
    EXPECT_TRUE(IsVector(c.vector)) << c.id;
    EXPECT_EQ(FindCountScalar(c.id), &c);
    counted.insert(c.vector);
  }
  for (const VectorRow& row : kVectorRows) {
    if (!row.countScalar) continue;
    const CountScalar* c = FindCountScalar(row.countScalar);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->vector, row.vector) << row.countScalar;
  }
  EXPECT_EQ(counted.size(), static_cast<std::size_t>(kCountScalarCount));
  EXPECT_EQ(FindCountScalar(8000), nullptr);
  EXPECT_EQ(FindCountScalar(8014), nullptr);
  EXPECT_TRUE(IsCountBand(8000));
  EXPECT_TRUE(IsCountBand(9000));
  EXPECT_FALSE(IsCountBand(9001));
}

bool IsManagementOwn(std::int32_t id) {
  return (id >= 6001 && id <= 6009) || (id >= 7002 && id <= 7012);
}

TEST(MibTables, EveryGroupMemberResolvesAndBothKindTestsAgree) {
  const std::set<std::int32_t> managementGroups = {1026, 1029, 1030, 1039, 1040};
  for (std::int32_t g = kFirstGroup; g < kFirstGroup + kGroupCount; ++g) {
    SCOPED_TRACE(g);
    std::vector<std::int32_t> members = GroupMembers(g);
    ASSERT_FALSE(members.empty());
    EXPECT_LT(members.size(), static_cast<std::size_t>(kGroupWidth));
    for (std::int32_t id : members) {
      if (managementGroups.count(g)) {
        EXPECT_TRUE(IsManagementOwn(id)) << id;
        continue;
      }
      ASSERT_TRUE(IsMibObject(id) || FindCountScalar(id)) << id;
      // A served member is read into the same kind of list by both tests.
      EXPECT_EQ(IsStringInReadList(id), !IsIntegerInGroup(id)) << id;
    }
  }
  EXPECT_TRUE(GroupMembers(1000).empty());
  EXPECT_TRUE(GroupMembers(1042).empty());
}

TEST(MibTables, RecordsParseAndFitTheirBuffers) {
  for (std::int32_t id = 0; id < kMibObjectCount; ++id) {
    const MibObject& r = MibObjectTable[id];
    SCOPED_TRACE(id);
    EXPECT_TRUE(snmp::Oid::Parse(r.oid).has_value());
    EXPECT_LE(std::string_view(r.oid).size(), 255u);
    EXPECT_TRUE(SyntaxOf(id) == "X" || SyntaxOf(id) == "I" || SyntaxOf(id) == "OS");
    EXPECT_TRUE(std::string_view(r.kind) == "X" || std::string_view(r.kind) == "S");
    EXPECT_TRUE(std::string_view(r.access) == "N" || std::string_view(r.access) == "R" ||
                std::string_view(r.access) == "W");
  }
}

struct RecordCase {
  std::int32_t id;
  const char* name;
  const char* syntax;
  const char* oid;
  const char* label;
};

// Records whose details callers depend on: shared names, odd syntaxes, the
// system group's instance in the OID, labels with trailing blanks.
const RecordCase kRecordCases[] = {
    {1, "vlmDeviceInfoIndex", "X", "1.3.6.1.2.1.25.3.2.1.2", ""},
    {2, "vlmDeviceInfoIndex", "I", "1.3.6.1.2.1.25.3.2.1.1", ""},
    {22, "Unit Name", "OS", "1.3.6.1.2.1.43.8.2.1.13", "Unit Name"},
    {25, "PrinterInputInfoVersion", "OS", "1.3.6.1.2.1.43.8.2.1.16", "Version "},
    {46, "Unit Name", "OS", "1.3.6.1.2.1.43.9.2.1.7", "Unit Name"},
    {66, "vlmSysInfoVector", "OS", "1.3.6.1.2.1.1.1", ""},
    {67, "vlmSysInfoDescription", "OS", "1.3.6.1.2.1.1.1.0", ""},
    {94, "vlmResponsiblePartSPIndex", "I", "1.3.6.1.4.1.2364.1.2.1.1.1.2", ""},
    {95, "vlmResponsiblePartySPIndex", "I", "1.3.6.1.4.1.2364.1.2.1.1.1.1", ""},
    {110, "Folding Mode", "I", "1.3.6.1.4.1.2364.1.2.3.2.2.1.5", "Folding Mode "},
    {122, "vlmDisplayLineText", "I", "1.3.6.1.4.1.2364.1.2.3.3.2.1.3", ""},
    {152, "Engine Name", "OS", "1.3.6.1.4.1.2364.1.2.3.8.1.1.3", "Name"},
    {183, "vlmAlertTimeDateAndTime", "OS", "1.3.6.1.4.1.2364.1.2.6.1.1.7", "Date & Time"},
    {192, "prtGeneralEntry", "I", "1.3.6.1.2.1.43.5.1", ""},
    {216, "vlmInputSizeWide", "I", "1.3.6.1.4.1.2364.1.2.3.1.1.1.6", ""},
    {217, "vlmProductIDTandem", "I", "1.3.6.1.4.1.2364.1.1.1.1.1.8", ""},
};

TEST(MibTables, RecordsThatCallersDependOn) {
  for (const RecordCase& c : kRecordCases) {
    SCOPED_TRACE(c.id);
    EXPECT_STREQ(MibObjectTable[c.id].name, c.name);
    EXPECT_EQ(SyntaxOf(c.id), c.syntax);
    EXPECT_EQ(OidOf(c.id), c.oid);
    EXPECT_EQ(LabelOf(c.id), c.label);
  }
  EXPECT_EQ(LabelOf(8011), "Number of Interpreters");
  EXPECT_EQ(LabelOf(8014), "");
  EXPECT_EQ(LabelOf(6001), "");
  EXPECT_EQ(OidOf(218), "");
}

TEST(MibTables, GroupSplitsByValueKind) {
  std::vector<std::int32_t> ints, strs;
  for (std::int32_t id : GroupMembers(1004)) (IsIntegerInGroup(id) ? ints : strs).push_back(id);
  EXPECT_EQ(ints, (std::vector<std::int32_t>{73}));
  EXPECT_EQ(strs, (std::vector<std::int32_t>{67, 68, 69, 70, 71, 72}));
  for (std::int32_t id : GroupMembers(1012)) EXPECT_TRUE(IsIntegerInGroup(id)) << id;
  EXPECT_EQ(GroupMembers(1030),
            (std::vector<std::int32_t>{7004, 7005, 7006, 7007, 7008, 7010, 7011, 7012, 7009}));
  EXPECT_EQ(GroupMembers(1017),
            (std::vector<std::int32_t>{151, 152, 153, 154, 155, 156, 157, 158}));
}

}  // namespace
}  // namespace vlm::netmgr
