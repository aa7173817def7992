// The AIS message layouts (ITU-R M.1371, types 1 to 24) and the table-driven decoder
// that turns payload bits into a packed record of plain values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ais/payload.h"

namespace pelyx::ais {

// Conversion codes of a layout field.
enum Kind : int8_t {
  kUnsigned8 = 0,
  kUnsigned16 = 1,
  kUnsigned16b = 2,
  kUnsigned32 = 3,
  kUnsigned32b = 4,
  kSignedScaled = 5,
  kScaled = 6,
  kText = 7,
  kTextToEnd = 8,
  kRateOfTurn = 9,
  kLongitude = 11,
  kLatitude = 12,
  kScaledUnsigned = 13,
  kHeading = 14,
  kByte = 15,
  kCommState = 16,
  kDimensions = 17,
  kEta = 18,
};

struct LayoutField {
  int16_t width;
  int8_t kind;
  float scale;
  const char* name;  // the key of the field in `pelyx decode` output
};

struct MessageLayout {
  int count;
  const LayoutField* fields;  // fields[0] is the 6-bit message type
};

inline constexpr size_t kDecodedMessageSize = 171;
inline constexpr int kLayoutCount = 25;

// The decoded message: byte 0 the message type, then the fields from the second on,
// packed in layout order, each in the size its kind gives (1, 2 or 4 bytes, or a text
// with its terminating zero), in the machine's byte order. Fields that were not decoded
// stay zero.
struct DecodedMessage {
  uint8_t bytes[kDecodedMessageSize];

  int type() const { return bytes[0]; }
};

// The layout `decodeMessage` uses for a decoded record (type 24 by its part number).
const MessageLayout* LayoutOf(const DecodedMessage& message);

// Stored size of a field of the given kind and width; 0 for the variable text (kind 8).
size_t StoredSize(int kind, int width);

// `width` (1 to 32) bits from bit `position`, first bit most significant. Bytes past
// the payload buffer read as zero.
uint32_t readBits(const PayloadBits& bits, int position, int width);

// Decodes the payload bits into `message` (which the caller has cleared).
bool decodeMessage(const PayloadBits& bits, DecodedMessage& message);

// Reads the decoded fields of a record by field position.
class DecodedReader {
 public:
  explicit DecodedReader(const DecodedMessage& message);
  bool valid() const { return layout_ != nullptr; }
  const MessageLayout& layout() const { return *layout_; }

  // Field i of the layout (i >= 1): its stored bytes.
  const uint8_t* at(int i) const { return message_.bytes + offsets_[i]; }
  uint32_t u(int i) const;  // unsigned kinds, any size
  float f(int i) const;     // float kinds
  const char* text(int i) const { return reinterpret_cast<const char*>(at(i)); }
  // Offset just past the regular fields (type 22's destination MMSIs follow).
  size_t end() const { return offsets_[layout_->count]; }

 private:
  const DecodedMessage& message_;
  const MessageLayout* layout_;
  const uint16_t* offsets_;
};

}  // namespace pelyx::ais
