// The data stores as JSON, driven by one table of fields per store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec/stores.h"
#include "tools/json_writer.h"

namespace pelyx::tools {

enum class FieldKind : uint8_t {
  kInt8,
  kUint8,
  kInt16,
  kUint16,
  kInt32,
  kUint32,
  kFloat,
  kChar,    // one character: a one-character string, "" for NUL
  kText,    // NUL-terminated characters in a field of `count` bytes: a string
  kRecord,  // a nested record: an object laid out by `record`
};

struct RecordLayout;

// One field of a record. `count` elements of `kind` print as a scalar when 1 and as an
// array otherwise; for kText it is the width of the character field.
struct FieldLayout {
  const char* name;
  size_t offset;
  size_t size;
  size_t alignment;
  FieldKind kind;
  uint16_t count;
  const RecordLayout* record;  // kRecord only
};

// The fields of one record in declaration order, named as the code names them.
struct RecordLayout {
  const char* name;
  std::span<const FieldLayout> fields;
  size_t size;
  size_t alignment;
};

// A store: its layout and where DataStores keeps it.
struct StoreEntry {
  const RecordLayout* layout;
  size_t offset;
};

// The four stores in the order they are printed.
std::span<const StoreEntry> StoreEntries();

// The ALR fields that AisStore keeps as `alarm`.
const RecordLayout& AlarmLayout();

// Appends `record` (laid out by `layout`) as a JSON object.
void AppendRecord(JsonWriter& out, const RecordLayout& layout, const void* record);

// Appends {"GnssStore": {...}, "HeadingSpeedStore": {...}, "AisStore": {...},
// "ProprietaryStore": {...}}.
void AppendStores(JsonWriter& out, const DataStores& stores);

}  // namespace pelyx::tools
