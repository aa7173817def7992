#include "tools/store_json.h"

#include <cstddef>
#include <cstring>
#include <iterator>
#include <string_view>
#include <type_traits>

namespace pelyx::tools {

namespace {

// The kind and element count of a field, derived from its declared type, so a table row
// cannot disagree with the record. A char array is a text unless a row says otherwise.
template <class T>
struct KindOf;
// clang-format off
template <> struct KindOf<int8_t>   { static constexpr FieldKind kKind = FieldKind::kInt8; };
template <> struct KindOf<uint8_t>  { static constexpr FieldKind kKind = FieldKind::kUint8; };
template <> struct KindOf<int16_t>  { static constexpr FieldKind kKind = FieldKind::kInt16; };
template <> struct KindOf<uint16_t> { static constexpr FieldKind kKind = FieldKind::kUint16; };
template <> struct KindOf<int32_t>  { static constexpr FieldKind kKind = FieldKind::kInt32; };
template <> struct KindOf<uint32_t> { static constexpr FieldKind kKind = FieldKind::kUint32; };
template <> struct KindOf<float>    { static constexpr FieldKind kKind = FieldKind::kFloat; };
template <> struct KindOf<char>     { static constexpr FieldKind kKind = FieldKind::kChar; };
// clang-format on

template <class T>
struct FieldShape {
  static constexpr FieldKind kKind = KindOf<T>::kKind;
  static constexpr uint16_t kCount = 1;
};
template <class T, size_t N>
struct FieldShape<T[N]> {
  static constexpr FieldKind kKind = KindOf<T>::kKind;
  static constexpr uint16_t kCount = N;
};
template <size_t N>
struct FieldShape<char[N]> {
  static constexpr FieldKind kKind = FieldKind::kText;
  static constexpr uint16_t kCount = N;
};

template <class T>
constexpr FieldLayout Field(const char* name, size_t offset) {
  return {.name = name,
          .offset = offset,
          .size = sizeof(T),
          .alignment = alignof(T),
          .kind = FieldShape<T>::kKind,
          .count = FieldShape<T>::kCount,
          .record = nullptr};
}

// A char array whose elements are separate characters, not a text.
template <class T>
constexpr FieldLayout CharsField(const char* name, size_t offset) {
  static_assert(std::is_same_v<std::remove_extent_t<T>, char>);
  return {.name = name,
          .offset = offset,
          .size = sizeof(T),
          .alignment = alignof(T),
          .kind = FieldKind::kChar,
          .count = std::extent_v<T>,
          .record = nullptr};
}

template <class T>
constexpr FieldLayout RecordField(const char* name, size_t offset, const RecordLayout& record) {
  return {.name = name,
          .offset = offset,
          .size = sizeof(T),
          .alignment = alignof(T),
          .kind = FieldKind::kRecord,
          .count = 1,
          .record = &record};
}

// A row names the member once; the name, offset and type all come from it.
#define FIELD(Record, member) Field<decltype(Record::member)>(#member, offsetof(Record, member))
#define CHARS(Record, member) \
  CharsField<decltype(Record::member)>(#member, offsetof(Record, member))
#define RECORD(Record, member, layout) \
  RecordField<decltype(Record::member)>(#member, offsetof(Record, member), layout)

constexpr FieldLayout kAlarmFields[] = {
    FIELD(AlrFields, hour),
    FIELD(AlrFields, minute),
    FIELD(AlrFields, second),
    FIELD(AlrFields, hundredths),
    FIELD(AlrFields, id),
    FIELD(AlrFields, condition),
    FIELD(AlrFields, acknowledgement),
    FIELD(AlrFields, description),
};
constexpr RecordLayout kAlarm = {"alarm", kAlarmFields, sizeof(AlrFields), alignof(AlrFields)};

constexpr FieldLayout kGnssFields[] = {
    FIELD(GnssStore, talkerKind),
    FIELD(GnssStore, utcHour),
    FIELD(GnssStore, utcMinute),
    FIELD(GnssStore, utcSecond),
    FIELD(GnssStore, utcHundredths),
    FIELD(GnssStore, latitude),
    FIELD(GnssStore, longitude),
    FIELD(GnssStore, fixQuality),
    FIELD(GnssStore, gsaMode),
    FIELD(GnssStore, fixMode),
    FIELD(GnssStore, geoidSeparation),
    FIELD(GnssStore, year),
    FIELD(GnssStore, month),
    FIELD(GnssStore, day),
    FIELD(GnssStore, modeIndicator),
    FIELD(GnssStore, status),
    FIELD(GnssStore, courseTrue),
    FIELD(GnssStore, courseMagnetic),
    FIELD(GnssStore, speedKnots),
    FIELD(GnssStore, speedKmh),
    FIELD(GnssStore, satellitesUsed),
    FIELD(GnssStore, usedSatellites),
    FIELD(GnssStore, pdop),
    FIELD(GnssStore, hdop),
    FIELD(GnssStore, vdop),
    FIELD(GnssStore, satellitesInView),
    FIELD(GnssStore, gsvTotal),
    FIELD(GnssStore, gsvNumber),
    FIELD(GnssStore, gsvCount),
    FIELD(GnssStore, gsvId),
    FIELD(GnssStore, gsvElevation),
    FIELD(GnssStore, gsvAzimuth),
    FIELD(GnssStore, gsvSnr),
    FIELD(GnssStore, gbsErrorLatitude),
    FIELD(GnssStore, gbsErrorLongitude),
    FIELD(GnssStore, gbsErrorAltitude),
    FIELD(GnssStore, gbsFailedSatellite),
    FIELD(GnssStore, gbsMissedProbability),
    FIELD(GnssStore, gbsBias),
    FIELD(GnssStore, gbsBiasDeviation),
    FIELD(GnssStore, utcValid),
    FIELD(GnssStore, positionValid),
};

constexpr FieldLayout kHeadingSpeedFields[] = {
    FIELD(HeadingSpeedStore, talkerKind),
    FIELD(HeadingSpeedStore, gnsHour),
    FIELD(HeadingSpeedStore, gnsMinute),
    FIELD(HeadingSpeedStore, gnsSecond),
    FIELD(HeadingSpeedStore, gnsLatitude),
    FIELD(HeadingSpeedStore, gnsLongitude),
    // The first two characters of the GNS mode and satellites fields, not texts.
    CHARS(HeadingSpeedStore, gnsMode),
    CHARS(HeadingSpeedStore, gnsSatellites),
    FIELD(HeadingSpeedStore, gnsHdop),
    FIELD(HeadingSpeedStore, gnsAltitude),
    FIELD(HeadingSpeedStore, gnsGeoidSeparation),
    FIELD(HeadingSpeedStore, gnsDgpsAge),
    FIELD(HeadingSpeedStore, gnsStationId),
    FIELD(HeadingSpeedStore, heading),
    FIELD(HeadingSpeedStore, rateOfTurn),
    FIELD(HeadingSpeedStore, waterSpeedLongitudinal),
    FIELD(HeadingSpeedStore, waterSpeedTransverse),
    FIELD(HeadingSpeedStore, speedStatus),
    FIELD(HeadingSpeedStore, groundSpeedLongitudinal),
    FIELD(HeadingSpeedStore, groundSpeedTransverse),
    FIELD(HeadingSpeedStore, groundStatus),
};

constexpr FieldLayout kAisFields[] = {
    FIELD(AisStore, talkerKind),
    FIELD(AisStore, txtTotal),
    FIELD(AisStore, txtNumber),
    FIELD(AisStore, txtId),
    FIELD(AisStore, txtText),
    FIELD(AisStore, mmsi),
    FIELD(AisStore, abkMessageId),
    FIELD(AisStore, abkSequence),
    FIELD(AisStore, abkAckType),
    FIELD(AisStore, channelSequence),
    FIELD(AisStore, acaNeLatitude),
    FIELD(AisStore, acaNeLongitude),
    FIELD(AisStore, acaSwLatitude),
    FIELD(AisStore, acaSwLongitude),
    FIELD(AisStore, acaTransitionZone),
    FIELD(AisStore, acaChannelA),
    FIELD(AisStore, acaBandwidthA),
    FIELD(AisStore, acaChannelB),
    FIELD(AisStore, acaBandwidthB),
    FIELD(AisStore, acaTxRxMode),
    FIELD(AisStore, acaPowerLevel),
    FIELD(AisStore, acaInfoSource),
    FIELD(AisStore, acaInUse),
    FIELD(AisStore, timeHour),
    FIELD(AisStore, timeMinute),
    FIELD(AisStore, timeSecond),
    FIELD(AisStore, timeHundredths),
    FIELD(AisStore, timeDay),
    FIELD(AisStore, timeMonth),
    FIELD(AisStore, timeYear),
    FIELD(AisStore, callSign),
    FIELD(AisStore, shipName),
    FIELD(AisStore, dimensionA),
    FIELD(AisStore, dimensionB),
    FIELD(AisStore, dimensionC),
    FIELD(AisStore, dimensionD),
    FIELD(AisStore, dte),
    FIELD(AisStore, sourceId),
    FIELD(AisStore, shipType),
    FIELD(AisStore, draught),
    FIELD(AisStore, personsOnBoard),
    FIELD(AisStore, destination),
    FIELD(AisStore, navStatus),
    FIELD(AisStore, regionalFlags),
    FIELD(AisStore, msgTotal),
    FIELD(AisStore, msgNumber),
    FIELD(AisStore, msgSequenceId),
    FIELD(AisStore, msgFillBits),
    FIELD(AisStore, msgPayload),
    FIELD(AisStore, channel),
    FIELD(AisStore, messageId),
    FIELD(AisStore, ackAlarmId),
    RECORD(AisStore, alarm, kAlarm),
};

constexpr FieldLayout kProprietaryFields[] = {
    FIELD(ProprietaryStore, midNumber1),
    FIELD(ProprietaryStore, midNumber2),
    FIELD(ProprietaryStore, bdyNumber),
    FIELD(ProprietaryStore, bdyText1),
    FIELD(ProprietaryStore, bdyText2),
    FIELD(ProprietaryStore, bdyByte1),
    FIELD(ProprietaryStore, bdyByte2),
    FIELD(ProprietaryStore, tstNumber),
    FIELD(ProprietaryStore, tstByte),
    FIELD(ProprietaryStore, tstChar1),
    FIELD(ProprietaryStore, tstChar2),
    FIELD(ProprietaryStore, tstWord),
    FIELD(ProprietaryStore, frqNumber),
    FIELD(ProprietaryStore, frqByte),
    FIELD(ProprietaryStore, bthValue),
    FIELD(ProprietaryStore, bthText),
    FIELD(ProprietaryStore, dbgCode),
    FIELD(ProprietaryStore, dbgValue),
    FIELD(ProprietaryStore, dbgDirectionLetter),
    FIELD(ProprietaryStore, tpsNumber),
    FIELD(ProprietaryStore, tpsText),
    FIELD(ProprietaryStore, mobId),
    FIELD(ProprietaryStore, mobByte1),
    FIELD(ProprietaryStore, mobByte2),
    FIELD(ProprietaryStore, mobByte3),
    FIELD(ProprietaryStore, mobHasByte3),
    FIELD(ProprietaryStore, mobData),
    FIELD(ProprietaryStore, mobDataLength),
};

#undef FIELD
#undef CHARS
#undef RECORD

constexpr RecordLayout kGnss = {"GnssStore", kGnssFields, sizeof(GnssStore), alignof(GnssStore)};
constexpr RecordLayout kHeadingSpeed = {"HeadingSpeedStore", kHeadingSpeedFields,
                                        sizeof(HeadingSpeedStore), alignof(HeadingSpeedStore)};
constexpr RecordLayout kAis = {"AisStore", kAisFields, sizeof(AisStore), alignof(AisStore)};
constexpr RecordLayout kProprietary = {"ProprietaryStore", kProprietaryFields,
                                       sizeof(ProprietaryStore), alignof(ProprietaryStore)};

constexpr StoreEntry kStores[] = {
    {&kGnss, offsetof(DataStores, gnss)},
    {&kHeadingSpeed, offsetof(DataStores, headingSpeed)},
    {&kAis, offsetof(DataStores, ais)},
    {&kProprietary, offsetof(DataStores, proprietary)},
};

template <class T>
T Load(const unsigned char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

void AppendElement(JsonWriter& out, FieldKind kind, const unsigned char* p) {
  switch (kind) {
    case FieldKind::kInt8:
      out.Int(Load<int8_t>(p));
      break;
    case FieldKind::kUint8:
      out.Uint(Load<uint8_t>(p));
      break;
    case FieldKind::kInt16:
      out.Int(Load<int16_t>(p));
      break;
    case FieldKind::kUint16:
      out.Uint(Load<uint16_t>(p));
      break;
    case FieldKind::kInt32:
      out.Int(Load<int32_t>(p));
      break;
    case FieldKind::kUint32:
      out.Uint(Load<uint32_t>(p));
      break;
    case FieldKind::kFloat:
      out.Float(Load<float>(p));
      break;
    case FieldKind::kChar:
      out.Char(Load<char>(p));
      break;
    case FieldKind::kText:
    case FieldKind::kRecord:
      break;  // whole fields, handled by AppendField
  }
}

size_t ElementSize(FieldKind kind) {
  switch (kind) {
    case FieldKind::kInt16:
    case FieldKind::kUint16:
      return 2;
    case FieldKind::kInt32:
    case FieldKind::kUint32:
    case FieldKind::kFloat:
      return 4;
    default:
      return 1;
  }
}

void AppendField(JsonWriter& out, const FieldLayout& field, const unsigned char* record) {
  const unsigned char* p = record + field.offset;
  out.Key(field.name);
  if (field.kind == FieldKind::kText) {
    // A text that filled its whole width without a NUL still ends at the field's end.
    const auto* text = reinterpret_cast<const char*>(p);
    out.String(std::string_view(text, strnlen(text, field.count)));
  } else if (field.kind == FieldKind::kRecord) {
    AppendRecord(out, *field.record, p);
  } else if (field.count == 1) {
    AppendElement(out, field.kind, p);
  } else {
    out.BeginArray();
    size_t step = ElementSize(field.kind);
    for (size_t i = 0; i < field.count; ++i) AppendElement(out, field.kind, p + i * step);
    out.EndArray();
  }
}

}  // namespace

std::span<const StoreEntry> StoreEntries() {
  return kStores;
}

const RecordLayout& AlarmLayout() {
  return kAlarm;
}

void AppendRecord(JsonWriter& out, const RecordLayout& layout, const void* record) {
  const auto* bytes = static_cast<const unsigned char*>(record);
  out.BeginObject();
  for (const FieldLayout& field : layout.fields) AppendField(out, field, bytes);
  out.EndObject();
}

void AppendStores(JsonWriter& out, const DataStores& stores) {
  const auto* base = reinterpret_cast<const unsigned char*>(&stores);
  out.BeginObject();
  for (const StoreEntry& store : kStores) {
    out.Key(store.layout->name);
    AppendRecord(out, *store.layout, base + store.offset);
  }
  out.EndObject();
}

}  // namespace pelyx::tools
