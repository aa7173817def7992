// The table of stations heard (slot 0 the own ship), the stores of the last message of
// six message types that describe no station, and the reception counters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ais/clock.h"
#include "ais/message.h"

namespace pelyx::ais {

enum StationClass : uint8_t {
  kBaseStation = 0,
  kSarAircraft = 1,
  kAidToNavigation = 2,
  kClassA = 3,
  kClassB = 4,
  kUnknownClass = 5,
};

struct AisTarget {
  uint8_t stationClass;
  uint32_t mmsi;           // 0 in a free slot
  uint8_t status;          // high 4 bits navigational status, low 4 position fixing device
  uint8_t flags;           // bit 0 position accuracy, bit 1 RAIM, bit 2 DTE
  float longitude;         // 181 = not available
  float latitude;          // 91 = not available
  float speedOverGround;   // knots
  float courseOverGround;  // degrees
  float trueHeading;       // 511 = not available
  char name[21];
  char callSign[8];
  uint8_t shipType;
  uint8_t toStarboard, toPort;  // 6 bits each, metres
  uint16_t toStern, toBow;      // 9 bits each, metres
  uint32_t imoNumber;
  float rateOfTurn;
  uint8_t etaMinute, etaHour, etaDay, etaMonth;
  uint8_t aisVersion;
  float draught;
  char destination[21];
  char vendorId[8];
  uint8_t classBFlags;  // bit 0 assigned mode, 1 Class B unit, 2 display, 3 DSC, 4 band, 5 msg 22
  uint8_t atonFlags;    // bit 0 off position, bits 1-5 aid type, bit 6 virtual, bit 7 assigned
  uint8_t altitudeOrNameExtension[15];  // a float altitude (type 9) or 14 characters (type 21)
  LocalTime lastHeard;
  LocalTime firstHeard;
  uint32_t vdmCount;
  uint32_t vdoCount;

  float altitude() const;
  const char* nameExtension() const {
    return reinterpret_cast<const char*>(altitudeOrNameExtension);
  }
};

// The last decoded message of one of the types 12, 14, 15, 20, 22, 23.
struct MessageStore {
  uint8_t bytes[kDecodedMessageSize - 1];
  int channelCode;
  uint32_t zeroWord;
  uint8_t isNew;
};

struct ReceptionCounters {
  int32_t channelA = 0;
  int32_t channelB = 0;
};

// Counts a complete message of a "!" sentence: VDO never counts; channel 'A' counts on
// A, anything else (empty included) on B.
void countReception(ReceptionCounters& counters, const char* formatter, char channel);

class TargetTable {
 public:
  static constexpr int kSlots = 2250;

  explicit TargetTable(Clock& clock);

  void resetTargets();
  // Updates the table from a decoded message; the slot updated, or -1 for message types
  // outside 1 to 24.
  int handleMessage(const DecodedMessage& message, int channelCode, uint32_t zeroWord,
                    bool fromVdo);
  // Frees the least recently heard slot (never slot 0) and returns its number.
  int evictTarget();

  int count() const { return count_; }
  const AisTarget& operator[](int slot) const { return slots_[slot]; }
  // Adds one to the slot's VDO count for a VDO sentence, otherwise to its VDM count.
  void CountMessage(int slot, bool fromVdo);
  // The store of message type 12, 14, 15, 20, 22 or 23; nullptr for other types.
  const MessageStore* store(int type) const;

 private:
  int FindOrTake(uint32_t mmsi, bool fromVdo, bool& isNew);
  MessageStore* MutableStore(int type);
  void IndexInsert(uint32_t mmsi, int slot);
  void IndexErase(uint32_t mmsi, int slot);
  int IndexFind(uint32_t mmsi) const;

  Clock& clock_;
  AisTarget slots_[kSlots];
  int count_ = 1;
  MessageStore stores_[6];
  // MMSI -> slot for slots 1 and up (open addressing, linear probing); slot 0 is
  // compared first, so a look-up gives the first matching slot as a scan would.
  static constexpr int kIndexSize = 4096;
  uint32_t indexMmsi_[kIndexSize];
  int16_t indexSlot_[kIndexSize];  // -1 empty
};

}  // namespace pelyx::ais
