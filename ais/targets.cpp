#include "ais/targets.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace pelyx::ais {

namespace {

constexpr int kStoreTypes[6] = {12, 14, 15, 20, 22, 23};
constexpr size_t kStoreBytes[6] = {170, 128, 27, 31, 45, 33};

// Copies a decoded text into a fixed field, cut to its width.
template <size_t N>
void CopyText(char (&dst)[N], const char* src) {
  size_t n = 0;
  while (n < N - 1 && src[n] != '\0') ++n;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

void SetBit(uint8_t& flags, int bit, uint32_t value) {
  flags = static_cast<uint8_t>((flags & ~(1u << bit)) | ((value & 1u) << bit));
}

void SetNavStatus(AisTarget& t, uint32_t status) {
  t.status = static_cast<uint8_t>((t.status & 0x0F) | (status & 0x0F) << 4);
}

void SetEpfd(AisTarget& t, uint32_t epfd) {
  t.status = static_cast<uint8_t>((t.status & 0xF0) | (epfd & 0x0F));
}

// Distance to bow in bits 29-21, stern 20-12, port 11-6, starboard 5-0.
void SetDimensions(AisTarget& t, uint32_t raw) {
  t.toBow = static_cast<uint16_t>(raw >> 21 & 0x1FF);
  t.toStern = static_cast<uint16_t>(raw >> 12 & 0x1FF);
  t.toPort = static_cast<uint8_t>(raw >> 6 & 0x3F);
  t.toStarboard = static_cast<uint8_t>(raw & 0x3F);
}

// Month in bits 19-16, day 15-11, hour 10-6, minute 5-0.
void SetEta(AisTarget& t, uint32_t raw) {
  t.etaMonth = static_cast<uint8_t>(raw >> 16 & 0x0F);
  t.etaDay = static_cast<uint8_t>(raw >> 11 & 0x1F);
  t.etaHour = static_cast<uint8_t>(raw >> 6 & 0x1F);
  t.etaMinute = static_cast<uint8_t>(raw & 0x3F);
}

// The fields of one position report: accuracy, longitude, latitude at i, i+1, i+2.
void SetPosition(AisTarget& t, const DecodedReader& r, int i) {
  SetBit(t.flags, 0, r.u(i));
  t.longitude = r.f(i + 1);
  t.latitude = r.f(i + 2);
}

// ---- updates by message type; field numbers are positions in the layout ----------

void UpdatePosition(AisTarget& t, const DecodedReader& r) {  // 1, 2, 3
  SetNavStatus(t, r.u(3));
  t.rateOfTurn = r.f(4);
  t.speedOverGround = r.f(5);
  SetPosition(t, r, 6);
  t.courseOverGround = r.f(9);
  t.trueHeading = static_cast<float>(r.u(10));
  SetBit(t.flags, 1, r.u(14));
}

void UpdateBaseStation(AisTarget& t, const DecodedReader& r) {  // 4
  SetPosition(t, r, 9);
  SetEpfd(t, r.u(12));
  SetBit(t.flags, 1, r.u(14));
}

void UpdateStaticVoyage(AisTarget& t, const DecodedReader& r) {  // 5
  t.aisVersion = static_cast<uint8_t>(r.u(3));
  t.imoNumber = r.u(4);
  CopyText(t.callSign, r.text(5));
  CopyText(t.name, r.text(6));
  t.shipType = static_cast<uint8_t>(r.u(7));
  SetDimensions(t, r.u(8));
  SetEpfd(t, r.u(9));
  SetEta(t, r.u(10));
  t.draught = r.f(11);
  CopyText(t.destination, r.text(12));
  SetBit(t.flags, 2, r.u(13));
}

void UpdateSarAircraft(AisTarget& t, const DecodedReader& r) {  // 9
  float altitude = static_cast<float>(r.u(3));
  std::memcpy(t.altitudeOrNameExtension, &altitude, sizeof altitude);
  t.speedOverGround = r.f(4);
  SetPosition(t, r, 5);
  t.courseOverGround = r.f(8);
  SetBit(t.flags, 2, r.u(11));
  SetBit(t.flags, 1, r.u(14));
}

void UpdateClassB(AisTarget& t, const DecodedReader& r) {  // 18
  t.speedOverGround = r.f(4);
  SetPosition(t, r, 5);
  t.courseOverGround = r.f(8);
  t.trueHeading = static_cast<float>(r.u(9));
  SetBit(t.classBFlags, 1, r.u(12));  // Class B unit
  SetBit(t.classBFlags, 2, r.u(13));  // display
  SetBit(t.classBFlags, 3, r.u(14));  // DSC
  SetBit(t.classBFlags, 4, r.u(15));  // band
  SetBit(t.classBFlags, 5, r.u(16));  // message 22
  SetBit(t.classBFlags, 0, r.u(17));  // assigned mode
  SetBit(t.flags, 1, r.u(18));
}

void UpdateClassBExtended(AisTarget& t, const DecodedReader& r) {  // 19
  t.speedOverGround = r.f(4);
  SetPosition(t, r, 5);
  t.courseOverGround = r.f(8);
  t.trueHeading = static_cast<float>(r.u(9));
  CopyText(t.name, r.text(12));
  t.shipType = static_cast<uint8_t>(r.u(13));
  SetDimensions(t, r.u(14));
  SetEpfd(t, r.u(15));
  SetBit(t.flags, 1, r.u(16));
  SetBit(t.flags, 2, r.u(17));
}

void UpdateAidToNavigation(AisTarget& t, const DecodedReader& r) {  // 21
  t.atonFlags = static_cast<uint8_t>((t.atonFlags & ~0x3Eu) | (r.u(3) & 0x1F) << 1);
  CopyText(t.name, r.text(4));
  SetPosition(t, r, 5);
  SetDimensions(t, r.u(8));
  SetEpfd(t, r.u(9));
  SetBit(t.atonFlags, 0, r.u(11));  // off position
  SetBit(t.flags, 1, r.u(13));
  SetBit(t.atonFlags, 6, r.u(14));  // virtual
  SetBit(t.atonFlags, 7, r.u(15));  // assigned mode
  std::memset(t.altitudeOrNameExtension, 0, sizeof t.altitudeOrNameExtension);
  const char* extension = r.text(17);
  size_t n = 0;
  while (n < sizeof t.altitudeOrNameExtension - 1 && extension[n] != '\0') ++n;
  std::memcpy(t.altitudeOrNameExtension, extension, n);
}

void UpdateStaticData(AisTarget& t, const DecodedReader& r) {  // 24
  uint32_t part = r.u(3);
  if (part == 0) {
    CopyText(t.name, r.text(4));
  } else if (part == 1) {
    t.shipType = static_cast<uint8_t>(r.u(4));
    CopyText(t.vendorId, r.text(5));
    CopyText(t.callSign, r.text(6));
    SetDimensions(t, r.u(7));
  }
  // Part numbers 2 and 3 are not defined; their bits are laid out as part A and carry
  // no part B fields, so nothing is taken from them.
}

using Update = void (*)(AisTarget&, const DecodedReader&);

struct TypeEntry {
  int stationClass;  // -1: unchanged
  Update update;     // nullptr: no station fields
};

// clang-format off
constexpr TypeEntry kByType[25] = {
    {-1, nullptr},
    {kClassA, UpdatePosition},           // 1
    {kClassA, UpdatePosition},           // 2
    {kClassA, UpdatePosition},           // 3
    {kBaseStation, UpdateBaseStation},   // 4
    {kClassA, UpdateStaticVoyage},       // 5
    {-1, nullptr},                       // 6
    {-1, nullptr},                       // 7
    {-1, nullptr},                       // 8
    {kSarAircraft, UpdateSarAircraft},   // 9
    {-1, nullptr},                       // 10
    {-1, nullptr},                       // 11
    {-1, nullptr},                       // 12 (message store)
    {-1, nullptr},                       // 13
    {-1, nullptr},                       // 14 (message store)
    {-1, nullptr},                       // 15 (message store)
    {kBaseStation, nullptr},             // 16
    {kBaseStation, nullptr},             // 17
    {kClassB, UpdateClassB},             // 18
    {kClassB, UpdateClassBExtended},     // 19
    {kBaseStation, nullptr},             // 20 (message store)
    {kAidToNavigation, UpdateAidToNavigation},  // 21
    {kBaseStation, nullptr},             // 22 (message store)
    {kBaseStation, nullptr},             // 23 (message store)
    {kClassB, UpdateStaticData},         // 24
};
// clang-format on

// Seconds of the last-heard stamp, leap days not counted.
int64_t LastHeardKey(const LocalTime& t) {
  static constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int month = t.month >= 1 && t.month <= 12 ? kDaysBefore[t.month - 1] : 0;
  int64_t days = int64_t{t.year % 100} * 365 + month + t.day;
  return ((days * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
}

void PutFloat(uint8_t* at, float v) {
  std::memcpy(at, &v, sizeof v);
}

uint32_t MmsiOf(const DecodedMessage& m) {
  uint32_t v;  // the third field of every layout, at byte 2
  std::memcpy(&v, m.bytes + 2, sizeof v);
  return v;
}

}  // namespace

float AisTarget::altitude() const {
  float v;
  std::memcpy(&v, altitudeOrNameExtension, sizeof v);
  return v;
}

void countReception(ReceptionCounters& counters, const char* formatter, char channel) {
  if (std::strncmp(formatter, "VDO", 4) == 0) return;
  if (channel == 'A') {
    ++counters.channelA;
  } else {
    ++counters.channelB;
  }
}

TargetTable::TargetTable(Clock& clock) : clock_(clock) {
  count_ = kSlots;  // every slot
  resetTargets();
}

void TargetTable::resetTargets() {
  // Slots from count_ on have not been taken since the last reset: they are empty.
  for (int slot = 0; slot < count_; ++slot) {
    AisTarget& t = slots_[slot];
    t = AisTarget{};
    t.longitude = 181;
    t.latitude = 91;
    t.stationClass = kUnknownClass;
  }
  AisTarget& own = slots_[0];
  own.stationClass = kClassA;
  own.status = 0;
  own.flags = 0;
  own.longitude = 150;
  own.latitude = -30;
  own.speedOverGround = 15;
  own.courseOverGround = 301;
  own.trueHeading = 62;
  own.rateOfTurn = 5;
  count_ = 1;
  for (MessageStore& s : stores_) s = MessageStore{};
  // The corners of the group assignment store start not available.
  uint8_t* corners = MutableStore(23)->bytes + 7;
  for (int i = 0; i < 4; i += 2) {
    PutFloat(corners + 4 * i, 181);
    PutFloat(corners + 4 * (i + 1), 91);
  }
  std::fill(std::begin(indexSlot_), std::end(indexSlot_), int16_t{-1});
}

const MessageStore* TargetTable::store(int type) const {
  for (int i = 0; i < 6; ++i) {
    if (kStoreTypes[i] == type) return &stores_[i];
  }
  return nullptr;
}

MessageStore* TargetTable::MutableStore(int type) {
  return const_cast<MessageStore*>(store(type));
}

int TargetTable::evictTarget() {
  int chosen = 1;
  int64_t best = INT64_MAX;
  for (int slot = 1; slot < count_; ++slot) {
    int64_t key = LastHeardKey(slots_[slot].lastHeard);
    if (key < best) {
      best = key;
      chosen = slot;
    }
  }
  AisTarget& t = slots_[chosen];
  IndexErase(t.mmsi, chosen);
  t.stationClass = kUnknownClass;
  t.mmsi = 0;
  SetNavStatus(t, 0);
  SetBit(t.flags, 0, 0);
  SetBit(t.flags, 2, 1);
  t.longitude = 181;
  t.latitude = 91;
  t.speedOverGround = 0;
  t.courseOverGround = 361;
  t.trueHeading = 511;
  t.rateOfTurn = 0;
  t.imoNumber = 0;
  t.name[0] = '\0';
  t.callSign[0] = '\0';
  t.lastHeard = LocalTime{};
  return chosen;
}

int TargetTable::FindOrTake(uint32_t mmsi, bool fromVdo, bool& isNew) {
  isNew = false;
  if (fromVdo) {
    if (count_ <= 0) {
      count_ = 1;
      isNew = true;
    }
    if (slots_[0].mmsi == 0) {
      slots_[0].mmsi = mmsi;
      isNew = true;
    }
    return 0;
  }
  if (slots_[0].mmsi == mmsi) return 0;
  int found = IndexFind(mmsi);
  if (found > 0) return found;
  int slot = count_ < kSlots ? count_++ : evictTarget();
  slots_[slot].mmsi = mmsi;
  IndexInsert(mmsi, slot);
  isNew = true;
  return slot;
}

int TargetTable::handleMessage(const DecodedMessage& message, int channelCode, uint32_t zeroWord,
                               bool fromVdo) {
  const int type = message.type();
  if (type == 0 || type > 24) return -1;
  bool isNew;
  const int slot = FindOrTake(MmsiOf(message), fromVdo, isNew);
  AisTarget& t = slots_[slot];
  const LocalTime now = clock_.Now();
  if (isNew) {
    t.vdmCount = 0;
    t.vdoCount = 0;
    t.firstHeard = now;
  }
  t.lastHeard = now;

  const TypeEntry& entry = kByType[type];
  if (entry.stationClass >= 0) t.stationClass = static_cast<uint8_t>(entry.stationClass);
  if (entry.update != nullptr) entry.update(t, DecodedReader(message));
  if (MessageStore* s = MutableStore(type)) {
    size_t kept = kStoreBytes[s - stores_];
    *s = MessageStore{};
    std::memcpy(s->bytes, message.bytes, kept);
    if (type == 15 || type == 20) {
      s->channelCode = channelCode;
      s->zeroWord = zeroWord;
    }
    s->isNew = 1;
  }
  return slot;
}

void TargetTable::CountMessage(int slot, bool fromVdo) {
  if (slot < 0 || slot >= kSlots) return;
  ++(fromVdo ? slots_[slot].vdoCount : slots_[slot].vdmCount);
}

// ---- MMSI index ---------------------------------------------------------------

namespace {
constexpr unsigned kIndexMask = 4096 - 1;
unsigned Home(uint32_t mmsi) {
  return (mmsi * 2654435761u) >> 20;
}
}  // namespace

int TargetTable::IndexFind(uint32_t mmsi) const {
  for (unsigned i = Home(mmsi);; i = (i + 1) & kIndexMask) {
    if (indexSlot_[i] < 0) return -1;
    if (indexMmsi_[i] == mmsi) return indexSlot_[i];
  }
}

void TargetTable::IndexInsert(uint32_t mmsi, int slot) {
  unsigned i = Home(mmsi);
  while (indexSlot_[i] >= 0) i = (i + 1) & kIndexMask;
  indexMmsi_[i] = mmsi;
  indexSlot_[i] = static_cast<int16_t>(slot);
}

void TargetTable::IndexErase(uint32_t mmsi, int slot) {
  unsigned i = Home(mmsi);
  while (indexSlot_[i] >= 0 && !(indexMmsi_[i] == mmsi && indexSlot_[i] == slot)) {
    i = (i + 1) & kIndexMask;
  }
  if (indexSlot_[i] < 0) return;
  // Backward-shift deletion keeps every probe chain unbroken.
  unsigned hole = i;
  for (unsigned j = (hole + 1) & kIndexMask; indexSlot_[j] >= 0; j = (j + 1) & kIndexMask) {
    unsigned home = Home(indexMmsi_[j]);
    bool movable = ((j - home) & kIndexMask) >= ((j - hole) & kIndexMask);
    if (movable) {
      indexMmsi_[hole] = indexMmsi_[j];
      indexSlot_[hole] = indexSlot_[j];
      hole = j;
    }
  }
  indexSlot_[hole] = -1;
}

}  // namespace pelyx::ais
