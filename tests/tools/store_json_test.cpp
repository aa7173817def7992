#include "tools/store_json.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/json_check.h"

namespace pelyx::tools {
namespace {

using testing::JsonReader;
using testing::JsonValue;

size_t AlignUp(size_t n, size_t alignment) {
  return (n + alignment - 1) / alignment * alignment;
}

// A field left out of a table leaves a gap that padding cannot explain: each field must
// start where the previous one ends, rounded up to its own alignment, and the record
// must end at the last field rounded up to the record's alignment.
void ExpectCoversEveryByte(const RecordLayout& layout) {
  SCOPED_TRACE(layout.name);
  size_t end = 0;
  std::set<std::string> names;
  for (const FieldLayout& field : layout.fields) {
    EXPECT_EQ(field.offset, AlignUp(end, field.alignment)) << "before " << field.name;
    EXPECT_TRUE(names.insert(field.name).second) << "twice: " << field.name;
    end = field.offset + field.size;
    if (field.kind == FieldKind::kRecord) {
      ASSERT_NE(field.record, nullptr);
      EXPECT_EQ(field.record->size, field.size);
      ExpectCoversEveryByte(*field.record);
    }
  }
  EXPECT_EQ(layout.size, AlignUp(end, layout.alignment)) << "after the last field";
}

TEST(StoreLayouts, CoverEveryFieldOfEveryStore) {
  std::vector<std::string> names;
  for (const StoreEntry& store : StoreEntries()) {
    ExpectCoversEveryByte(*store.layout);
    names.push_back(store.layout->name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"GnssStore", "HeadingSpeedStore", "AisStore",
                                             "ProprietaryStore"}));
  EXPECT_EQ(StoreEntries()[0].offset, offsetof(DataStores, gnss));
  EXPECT_EQ(StoreEntries()[1].offset, offsetof(DataStores, headingSpeed));
  EXPECT_EQ(StoreEntries()[2].offset, offsetof(DataStores, ais));
  EXPECT_EQ(StoreEntries()[3].offset, offsetof(DataStores, proprietary));
}

TEST(StoreLayouts, AlarmHasTheAlrKeysInOrder) {
  std::vector<std::string> keys;
  for (const FieldLayout& field : AlarmLayout().fields) keys.push_back(field.name);
  EXPECT_EQ(keys, (std::vector<std::string>{"hour", "minute", "second", "hundredths", "id",
                                            "condition", "acknowledgement", "description"}));
}

JsonValue DumpStores(const DataStores& stores) {
  JsonWriter out;
  AppendStores(out, stores);
  JsonValue value;
  std::string error;
  EXPECT_TRUE(JsonReader::Parse(out.Text(), value, error)) << error << "\n" << out.Text();
  return value;
}

const JsonValue& Member(const JsonValue& object, const char* key) {
  static const JsonValue kMissing;
  const JsonValue* found = object.Find(key);
  EXPECT_NE(found, nullptr) << "no key " << key;
  return found != nullptr ? *found : kMissing;
}

std::vector<std::string> Texts(const JsonValue& array) {
  std::vector<std::string> texts;
  for (const JsonValue& item : array.items) texts.push_back(item.text);
  return texts;
}

TEST(StoreJson, PrintsEachKindAsTheContractSays) {
  DataStores stores{};
  stores.gnss.talkerKind = 3;
  stores.gnss.latitude = 48.1173f;
  stores.gnss.longitude = kNoLongitude;
  stores.gnss.courseTrue = kNoFloat;
  stores.gnss.gsaMode = 'A';
  stores.gnss.year = -1;
  stores.gnss.usedSatellites[0] = 5;
  stores.gnss.usedSatellites[11] = kNoInt8;
  stores.gnss.gsvAzimuth[3] = 359;
  stores.gnss.utcHour = 24;
  stores.headingSpeed.gnsMode[0] = 'A';
  stores.headingSpeed.gnsMode[1] = 'N';
  stores.headingSpeed.gnsSatellites[0] = '1';
  // A text that fills its whole field without a NUL still ends at the field.
  std::memset(stores.ais.txtText, 'T', sizeof stores.ais.txtText);
  stores.ais.mmsi = 4294967295u;
  std::strcpy(stores.ais.shipName, "NAME \"Q\"");
  stores.ais.channel = 'B';
  stores.ais.alarm = {12, 34, 56, 78, 999, 'A', 'V', "DESCRIPTION"};
  stores.proprietary.dbgValue[0] = kNoDbgValue;
  stores.proprietary.dbgCode[3] = kNoDbgCode;
  stores.proprietary.dbgDirectionLetter = 'c';
  stores.proprietary.mobId[2] = 255;
  stores.proprietary.mobData[19] = 200;
  stores.proprietary.bthText[0] = '\x01';

  JsonValue root = DumpStores(stores);
  EXPECT_EQ(root.Keys(), (std::vector<std::string>{"GnssStore", "HeadingSpeedStore", "AisStore",
                                                   "ProprietaryStore"}));
  const JsonValue& gnss = Member(root, "GnssStore");
  EXPECT_EQ(Member(gnss, "talkerKind").text, "3");
  EXPECT_EQ(Member(gnss, "latitude").text, "48.1173");
  EXPECT_EQ(Member(gnss, "longitude").text, "181");
  EXPECT_EQ(Member(gnss, "courseTrue").text, "-1e+05");
  EXPECT_EQ(Member(gnss, "gsaMode").type, JsonValue::Type::kString);
  EXPECT_EQ(Member(gnss, "gsaMode").text, "A");
  EXPECT_EQ(Member(gnss, "status").type, JsonValue::Type::kString);
  EXPECT_EQ(Member(gnss, "status").text, "") << "NUL gives the empty string";
  EXPECT_EQ(Member(gnss, "year").text, "-1");
  EXPECT_EQ(Member(gnss, "utcHour").text, "24");
  const JsonValue& used = Member(gnss, "usedSatellites");
  ASSERT_EQ(used.items.size(), 12u);
  EXPECT_EQ(used.items[0].text, "5");
  EXPECT_EQ(used.items[1].text, "0");
  EXPECT_EQ(used.items[11].text, "-128");
  EXPECT_EQ(Texts(Member(gnss, "gsvAzimuth")), (std::vector<std::string>{"0", "0", "0", "359"}));

  const JsonValue& hs = Member(root, "HeadingSpeedStore");
  EXPECT_EQ(Texts(Member(hs, "gnsMode")), (std::vector<std::string>{"A", "N"}));
  EXPECT_EQ(Texts(Member(hs, "gnsSatellites")), (std::vector<std::string>{"1", ""}));

  const JsonValue& ais = Member(root, "AisStore");
  EXPECT_EQ(Member(ais, "txtText").text, std::string(sizeof stores.ais.txtText, 'T'));
  EXPECT_EQ(Member(ais, "mmsi").text, "4294967295");
  EXPECT_EQ(Member(ais, "shipName").text, "NAME \"Q\"");
  EXPECT_EQ(Member(ais, "channel").text, "B");
  EXPECT_EQ(Member(ais, "callSign").text, "");
  const JsonValue& alarm = Member(ais, "alarm");
  ASSERT_EQ(alarm.type, JsonValue::Type::kObject);
  EXPECT_EQ(Member(alarm, "hour").text, "12");
  EXPECT_EQ(Member(alarm, "hundredths").text, "78");
  EXPECT_EQ(Member(alarm, "id").text, "999");
  EXPECT_EQ(Member(alarm, "condition").text, "A");
  EXPECT_EQ(Member(alarm, "acknowledgement").text, "V");
  EXPECT_EQ(Member(alarm, "description").text, "DESCRIPTION");
  EXPECT_EQ(ais.Keys().back(), "alarm");

  const JsonValue& p = Member(root, "ProprietaryStore");
  EXPECT_EQ(Member(p, "dbgValue").items.at(0).text, "-2147483648");
  EXPECT_EQ(Member(p, "dbgCode").items.at(3).text, "999");
  EXPECT_EQ(Member(p, "dbgDirectionLetter").text, "c");
  EXPECT_EQ(Texts(Member(p, "mobId")), (std::vector<std::string>{"0", "0", "255"}));
  EXPECT_EQ(Member(p, "mobData").items.size(), 20u);
  EXPECT_EQ(Member(p, "mobData").items.at(19).text, "200");
  EXPECT_EQ(Member(p, "bthText").text, "\x01");
}

TEST(StoreJson, KeysFollowTheStoreDeclarations) {
  JsonValue root = DumpStores(DataStores{});
  for (const StoreEntry& store : StoreEntries()) {
    std::vector<std::string> expected;
    for (const FieldLayout& field : store.layout->fields) expected.push_back(field.name);
    EXPECT_EQ(Member(root, store.layout->name).Keys(), expected);
  }
  // Spot checks of names as the code spells them.
  const JsonValue& gnss = Member(root, "GnssStore");
  for (const char* key :
       {"utcHour", "latitude", "fixQuality", "usedSatellites", "utcValid", "positionValid"}) {
    EXPECT_NE(gnss.Find(key), nullptr) << key;
  }
  EXPECT_NE(Member(root, "ProprietaryStore").Find("dbgCode"), nullptr);
}

}  // namespace
}  // namespace pelyx::tools
