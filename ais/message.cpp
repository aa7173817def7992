#include "ais/message.h"

#include <cstring>
#include <iterator>

namespace pelyx::ais {

namespace {

constexpr LayoutField Type{6, kUnsigned8, 1, "type"};
constexpr LayoutField Repeat{2, kUnsigned8, 1, "repeat_indicator"};
constexpr LayoutField Mmsi{30, kUnsigned32b, 1, "mmsi"};
constexpr LayoutField SourceMmsi{30, kUnsigned32b, 1, "source_mmsi"};
constexpr LayoutField Sog{10, kScaled, 0.1f, "speed_over_ground"};
constexpr LayoutField Accuracy{1, kUnsigned8, 1, "position_accuracy"};
constexpr LayoutField Lon{28, kLongitude, 0.0001f, "longitude"};
constexpr LayoutField Lat{27, kLatitude, 0.0001f, "latitude"};
constexpr LayoutField Cog{12, kScaledUnsigned, 0.1f, "course_over_ground"};
constexpr LayoutField Heading{9, kHeading, 1, "true_heading"};
constexpr LayoutField TimeStamp{6, kByte, 1, "time_stamp"};
constexpr LayoutField Raim{1, kUnsigned8, 1, "raim_flag"};
constexpr LayoutField CommState{19, kCommState, 1, "communication_state"};
constexpr LayoutField Epfd{4, kUnsigned8, 1, "type_of_position_fixing_device"};
constexpr LayoutField Name{120, kText, 1, "name"};
constexpr LayoutField ShipType{8, kUnsigned8, 1, "type_of_ship_and_cargo"};
constexpr LayoutField Dimensions{30, kDimensions, 1, "dimensions"};
constexpr LayoutField Dte{1, kUnsigned8, 1, "dte"};
constexpr LayoutField AssignedMode{1, kUnsigned8, 1, "assigned_mode_flag"};
constexpr LayoutField Selector{1, kUnsigned8, 1, "communication_state_selector"};
constexpr LayoutField AppId6{6, kUnsigned8, 1, "application_identifier_first_6_bits"};
constexpr LayoutField AppId10{10, kUnsigned16b, 1, "application_identifier_last_10_bits"};
constexpr LayoutField BinaryText{6, kTextToEnd, 1, "binary_data_as_text"};
constexpr LayoutField SafetyText{6, kTextToEnd, 1, "safety_text"};
constexpr LayoutField CornerLon(const char* name) {
  return {18, kLongitude, 0.1f, name};
}
constexpr LayoutField CornerLat(const char* name) {
  return {17, kLatitude, 0.1f, name};
}
constexpr LayoutField U8(int width, const char* name) {
  return {static_cast<int16_t>(width), kUnsigned8, 1, name};
}
constexpr LayoutField U16(int width, const char* name) {
  return {static_cast<int16_t>(width), kUnsigned16, 1, name};
}
constexpr LayoutField U32(int width, const char* name) {
  return {static_cast<int16_t>(width), kUnsigned32b, 1, name};
}

// clang-format off
constexpr LayoutField kPosition[] = {   // 1, 2, 3: position report, 168 bits
    Type, Repeat, Mmsi, U8(4, "navigational_status"), {8, kRateOfTurn, 1, "rate_of_turn"},
    Sog, Accuracy, Lon, Lat, Cog, Heading, TimeStamp, U8(4, "regional_reserved"),
    U8(1, "spare"), Raim, CommState};
constexpr LayoutField kBaseStation[] = {  // 4, 11: base station report, 168
    Type, Repeat, Mmsi, U16(14, "utc_year"), U8(4, "month"), U8(5, "day"), U8(5, "hour"),
    U8(6, "minute"), U8(6, "second"), Accuracy, Lon, Lat, Epfd, U16(10, "spare"), Raim,
    CommState};
constexpr LayoutField kStaticVoyage[] = {  // 5: static and voyage data, 424
    Type, Repeat, Mmsi, U8(2, "ais_version"), U32(30, "imo_number"),
    {42, kText, 1, "call_sign"}, Name, ShipType, Dimensions, Epfd, {20, kEta, 1, "eta"},
    {8, kScaled, 0.1f, "draught"}, {120, kText, 1, "destination"}, Dte, U8(1, "spare")};
constexpr LayoutField kAddressedBinary[] = {  // 6
    Type, Repeat, SourceMmsi, U8(2, "sequence_number"), U32(30, "destination_mmsi"),
    U8(1, "retransmit_flag"), U8(1, "spare"), AppId6, AppId10, BinaryText};
constexpr LayoutField kAcknowledge[] = {  // 7, 13: up to 168
    Type, Repeat, SourceMmsi, U8(2, "spare"),
    U32(30, "destination_mmsi"), U8(2, "sequence_number"),
    U32(30, "destination_mmsi_2"), U8(2, "sequence_number_2"),
    U32(30, "destination_mmsi_3"), U8(2, "sequence_number_3"),
    U32(30, "destination_mmsi_4"), U8(2, "sequence_number_4")};
constexpr LayoutField kBroadcastBinary[] = {  // 8
    Type, Repeat, SourceMmsi, U8(2, "spare"), AppId6, AppId10, BinaryText};
constexpr LayoutField kSarAircraft[] = {  // 9: 168
    Type, Repeat, Mmsi, U16(12, "altitude"), {10, kScaled, 1, "speed_over_ground"}, Accuracy,
    Lon, Lat, Cog, TimeStamp, U8(8, "regional_reserved"), Dte, U8(3, "spare"), AssignedMode,
    Raim, Selector, CommState};
constexpr LayoutField kUtcInquiry[] = {  // 10: 72
    Type, Repeat, SourceMmsi, U8(2, "spare"), U32(30, "destination_mmsi"), U8(2, "spare_2")};
constexpr LayoutField kAddressedSafety[] = {  // 12
    Type, Repeat, SourceMmsi, U8(2, "sequence_number"), U32(30, "destination_mmsi"),
    U8(1, "retransmit_flag"), U8(1, "spare"), SafetyText};
constexpr LayoutField kBroadcastSafety[] = {  // 14
    Type, Repeat, SourceMmsi, U8(2, "spare"), SafetyText};
constexpr LayoutField kInterrogation[] = {  // 15: up to 160
    Type, Repeat, SourceMmsi, U8(2, "spare"), U32(30, "destination_1_mmsi"),
    U8(6, "message_type_1_1"), U16(12, "slot_offset_1_1"), U8(2, "spare_2"),
    U8(6, "message_type_1_2"), U16(12, "slot_offset_1_2"), U8(2, "spare_3"),
    U32(30, "destination_2_mmsi"), U8(6, "message_type_2_1"), U16(12, "slot_offset_2_1"),
    U8(2, "spare_4")};
constexpr LayoutField kAssignedMode[] = {  // 16: up to 148
    Type, Repeat, SourceMmsi, U8(2, "spare"), U32(30, "destination_a_mmsi"),
    U16(12, "offset_a"), U16(10, "increment_a"), U32(30, "destination_b_mmsi"),
    U16(12, "offset_b"), U16(10, "increment_b"), U8(4, "spare_2")};
constexpr LayoutField kDgnss[] = {  // 17: header of 120
    Type, Repeat, SourceMmsi, U8(2, "spare"), CornerLon("longitude"), CornerLat("latitude"),
    U8(5, "spare_2"), U8(6, "dgnss_message_type"), U16(10, "station_identifier"),
    U16(13, "z_count"), U8(3, "sequence_number"), U8(5, "n"), U8(3, "health")};
constexpr LayoutField kClassB[] = {  // 18: 168
    Type, Repeat, Mmsi, U8(8, "regional_reserved"), Sog, Accuracy, Lon, Lat, Cog, Heading,
    TimeStamp, U8(2, "regional_reserved_2"), U8(1, "class_b_unit_flag"),
    U8(1, "display_flag"), U8(1, "dsc_flag"), U8(1, "band_flag"), U8(1, "message_22_flag"),
    AssignedMode, Raim, Selector, CommState};
constexpr LayoutField kClassBExtended[] = {  // 19: 312
    Type, Repeat, Mmsi, U8(8, "regional_reserved"), Sog, Accuracy, Lon, Lat, Cog, Heading,
    TimeStamp, U8(4, "regional_reserved_2"), Name, ShipType, Dimensions, Epfd, Raim, Dte,
    AssignedMode, U8(4, "spare")};
constexpr LayoutField kLinkManagement[] = {  // 20: up to 160
    Type, Repeat, SourceMmsi, U8(2, "spare"),
    U16(12, "offset"), U8(4, "number_of_slots"), U8(3, "timeout"), U16(11, "increment"),
    U16(12, "offset_2"), U8(4, "number_of_slots_2"), U8(3, "timeout_2"), U16(11, "increment_2"),
    U16(12, "offset_3"), U8(4, "number_of_slots_3"), U8(3, "timeout_3"), U16(11, "increment_3"),
    U16(12, "offset_4"), U8(4, "number_of_slots_4"), U8(3, "timeout_4"), U16(11, "increment_4")};
constexpr LayoutField kAidToNavigation[] = {  // 21: 360
    Type, Repeat, Mmsi, U8(5, "type_of_aid_to_navigation"), Name, Accuracy, Lon, Lat,
    Dimensions, Epfd, TimeStamp, U8(1, "off_position_indicator"), U8(8, "regional_reserved"),
    Raim, U8(1, "virtual_flag"), AssignedMode, U8(1, "spare"),
    {84, kText, 1, "name_extension"}, U8(4, "spare_2")};
constexpr LayoutField kChannelManagement[] = {  // 22: 168
    Type, Repeat, SourceMmsi, U8(2, "spare"), U16(12, "channel_a"), U16(12, "channel_b"),
    U8(4, "tx_rx_mode"), U8(1, "power"), CornerLon("north_east_longitude"),
    CornerLat("north_east_latitude"), CornerLon("south_west_longitude"),
    CornerLat("south_west_latitude"), U8(1, "addressed_flag"), U8(1, "channel_a_bandwidth"),
    U8(1, "channel_b_bandwidth"), U8(3, "transitional_zone_size"), U32(23, "spare_2")};
constexpr LayoutField kGroupAssignment[] = {  // 23: 160
    Type, Repeat, SourceMmsi, U8(2, "spare"), CornerLon("north_east_longitude"),
    CornerLat("north_east_latitude"), CornerLon("south_west_longitude"),
    CornerLat("south_west_latitude"), U8(4, "station_type"), ShipType, U32(22, "spare_2"),
    U8(2, "tx_rx_mode"), U8(4, "reporting_interval"), U8(4, "quiet_time"), U8(6, "spare_3")};
constexpr LayoutField kStaticA[] = {  // 24 part A: 160
    Type, Repeat, Mmsi, U8(2, "part_number"), Name};
constexpr LayoutField kStaticB[] = {  // 24 part B: 168
    Type, Repeat, Mmsi, U8(2, "part_number"), ShipType, {42, kText, 1, "vendor_identifier"},
    {42, kText, 1, "call_sign"}, Dimensions, U8(6, "spare")};
// clang-format on

template <size_t N>
constexpr MessageLayout L(const LayoutField (&fields)[N]) {
  return {static_cast<int>(N), fields};
}

// Index: the message type (0 unused); type 24 has part B at 24 and part A at 25.
constexpr MessageLayout kLayouts[] = {
    {0, nullptr},        L(kPosition),          L(kPosition),
    L(kPosition),        L(kBaseStation),       L(kStaticVoyage),
    L(kAddressedBinary), L(kAcknowledge),       L(kBroadcastBinary),
    L(kSarAircraft),     L(kUtcInquiry),        L(kBaseStation),
    L(kAddressedSafety), L(kAcknowledge),       L(kBroadcastSafety),
    L(kInterrogation),   L(kAssignedMode),      L(kDgnss),
    L(kClassB),          L(kClassBExtended),    L(kLinkManagement),
    L(kAidToNavigation), L(kChannelManagement), L(kGroupAssignment),
    L(kStaticB),         L(kStaticA),
};
constexpr int kStaticBIndex = 24;
constexpr int kStaticAIndex = 25;

// Byte offsets of every field in the decoded record, per layout; built once.
struct Offsets {
  uint16_t at[std::size(kLayouts)][40];
  Offsets() : at() {
    for (size_t l = 1; l < std::size(kLayouts); ++l) {
      size_t offset = 1;
      for (int i = 1; i < kLayouts[l].count; ++i) {
        at[l][i] = static_cast<uint16_t>(offset);
        offset += StoredSize(kLayouts[l].fields[i].kind, kLayouts[l].fields[i].width);
      }
      at[l][kLayouts[l].count] = static_cast<uint16_t>(offset);
    }
  }
};

const Offsets& OffsetTable() {
  static const Offsets offsets;
  return offsets;
}

int LayoutIndex(int type, int partNumber) {
  if (type == 24) return partNumber == 1 ? kStaticBIndex : kStaticAIndex;
  return type;
}

char SixBitChar(uint32_t v) {
  return static_cast<char>(v < 32 ? v + 64 : v);
}

int32_t SignExtend(uint32_t raw, int width) {
  if (width < 32 && (raw & (uint32_t{1} << (width - 1)))) raw |= ~uint32_t{0} << width;
  return static_cast<int32_t>(raw);
}

template <typename T>
void Put(uint8_t* out, T value) {
  std::memcpy(out, &value, sizeof value);
}

}  // namespace

size_t StoredSize(int kind, int width) {
  switch (kind) {
    case kUnsigned8:
    case kByte:
      return 1;
    case kUnsigned16:
    case kUnsigned16b:
    case kHeading:
      return 2;
    case kText:
      return static_cast<size_t>(width / 6 + 1);
    case kTextToEnd:
      return 0;
    default:
      return 4;
  }
}

uint32_t readBits(const PayloadBits& bits, int position, int width) {
  if (position < 0 || width < 1 || width > 32) return 0;
  int byte = position / 8;
  uint64_t acc = 0;
  for (int i = 0; i < 5; ++i) {
    int at = byte + i;
    acc = acc << 8 | (at < kPayloadBytes ? bits.data[at] : 0);
  }
  int shift = 40 - (position % 8) - width;
  return static_cast<uint32_t>((acc >> shift) & ((uint64_t{1} << width) - 1));
}

bool decodeMessage(const PayloadBits& bits, DecodedMessage& message) {
  const int type = static_cast<int>(readBits(bits, 0, 6));
  message.bytes[0] = static_cast<uint8_t>(type);
  if (type == 0 || type > 24) return false;
  const int index = LayoutIndex(type, static_cast<int>(readBits(bits, 38, 2)));
  const MessageLayout& layout = kLayouts[index];
  const uint16_t* offsets = OffsetTable().at[index];

  int position = 6;
  for (int i = 1; i < layout.count; ++i) {
    const LayoutField& field = layout.fields[i];
    if (position + field.width > bits.bitCount) break;
    uint8_t* out = message.bytes + offsets[i];
    const uint32_t raw =
        field.kind == kText || field.kind == kTextToEnd ? 0 : readBits(bits, position, field.width);
    switch (field.kind) {
      case kUnsigned8:
      case kByte:
        *out = static_cast<uint8_t>(raw);
        break;
      case kUnsigned16:
      case kUnsigned16b:
        Put(out, static_cast<uint16_t>(raw));
        break;
      case kHeading:
        Put(out, static_cast<uint16_t>(raw > 359 ? 511 : raw));
        break;
      case kUnsigned32:
      case kUnsigned32b:
      case kCommState:
      case kDimensions:
      case kEta:
        Put(out, raw);
        break;
      case kSignedScaled:
        Put(out, static_cast<float>(SignExtend(raw, field.width) * double{field.scale}));
        break;
      case kScaled:
      case kScaledUnsigned:
        Put(out, static_cast<float>(raw * double{field.scale}));
        break;
      case kRateOfTurn: {
        double s = SignExtend(raw, field.width) / 4.733;
        Put(out, static_cast<float>(s < 0 ? -s * s : s * s));
        break;
      }
      case kLongitude:
      case kLatitude:
        Put(out, static_cast<float>(SignExtend(raw, field.width) * double{field.scale} / 60.0));
        break;
      case kText:
      case kTextToEnd: {
        int width = field.kind == kText ? field.width : (bits.bitCount - position) / 6 * 6;
        int chars = width / 6;
        // The record holds any text of a payload of up to 1016 bits; stay inside it.
        int room = static_cast<int>(kDecodedMessageSize) - offsets[i] - 1;
        if (chars > room) chars = room;
        for (int c = 0; c < chars; ++c) out[c] = SixBitChar(readBits(bits, position + 6 * c, 6));
        out[chars] = 0;
        if (field.kind == kTextToEnd) position += width - field.width;
        break;
      }
      default:
        return false;
    }
    position += field.width;
  }

  if (type == 22 && readBits(bits, 139, 1) == 1) {
    uint8_t* out = message.bytes + offsets[layout.count];
    Put(out, readBits(bits, 69, 30));
    Put(out + 4, readBits(bits, 104, 30));
  }
  return true;
}

const MessageLayout* LayoutOf(const DecodedMessage& message) {
  int type = message.type();
  if (type == 0 || type > 24) return nullptr;
  // The part number is the fourth field of both type 24 layouts (byte offset 6).
  return &kLayouts[LayoutIndex(type, type == 24 ? message.bytes[6] : 0)];
}

DecodedReader::DecodedReader(const DecodedMessage& message)
    : message_(message), layout_(LayoutOf(message)), offsets_(nullptr) {
  if (layout_ != nullptr) offsets_ = OffsetTable().at[layout_ - kLayouts];
}

uint32_t DecodedReader::u(int i) const {
  switch (StoredSize(layout_->fields[i].kind, layout_->fields[i].width)) {
    case 1:
      return *at(i);
    case 2: {
      uint16_t v;
      std::memcpy(&v, at(i), 2);
      return v;
    }
    default: {
      uint32_t v;
      std::memcpy(&v, at(i), 4);
      return v;
    }
  }
}

float DecodedReader::f(int i) const {
  float v;
  std::memcpy(&v, at(i), 4);
  return v;
}

}  // namespace pelyx::ais
