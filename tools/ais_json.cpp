#include "tools/ais_json.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace pelyx::tools {

namespace {

bool IsFloatKind(int kind) {
  switch (kind) {
    case ais::kSignedScaled:
    case ais::kScaled:
    case ais::kRateOfTurn:
    case ais::kLongitude:
    case ais::kLatitude:
    case ais::kScaledUnsigned:
      return true;
    default:
      return false;
  }
}

// A NUL-terminated text of at most `size` bytes.
std::string_view Text(const char* text, size_t size) {
  return std::string_view(text, strnlen(text, size));
}

void Stamp(JsonWriter& out, const ais::LocalTime& t) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{t.year},
                unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute},
                unsigned{t.second});
  out.String(buf);
}

}  // namespace

void AppendAisMessage(JsonWriter& out, const ais::DecodedMessage& message) {
  ais::DecodedReader r(message);
  out.BeginObject();
  out.Key("type");
  out.Uint(static_cast<uint64_t>(message.type()));
  if (r.valid()) {
    const ais::MessageLayout& layout = r.layout();
    for (int i = 1; i < layout.count; ++i) {
      const ais::LayoutField& field = layout.fields[i];
      out.Key(field.name);
      if (field.kind == ais::kText || field.kind == ais::kTextToEnd) {
        out.String(Text(r.text(i), ais::kDecodedMessageSize - (r.at(i) - message.bytes)));
      } else if (IsFloatKind(field.kind)) {
        out.Float(r.f(i));
      } else {
        out.Uint(r.u(i));
      }
    }
    // An addressed channel management message names its two stations after the fields.
    if (message.type() == 22 && r.u(12) == 1) {
      uint32_t destination[2];
      std::memcpy(destination, message.bytes + r.end(), sizeof destination);
      out.Key("destination_mmsi_1");
      out.Uint(destination[0]);
      out.Key("destination_mmsi_2");
      out.Uint(destination[1]);
    }
  }
  out.EndObject();
}

void AppendTargets(JsonWriter& out, const ais::TargetTable& table) {
  out.BeginArray();
  for (int slot = 0; slot < table.count(); ++slot) {
    const ais::AisTarget& t = table[slot];
    if (t.mmsi == 0) continue;
    auto u = [&](const char* key, uint64_t v) {
      out.Key(key);
      out.Uint(v);
    };
    auto f = [&](const char* key, float v) {
      out.Key(key);
      out.Float(v);
    };
    auto s = [&](const char* key, const char* v, size_t size) {
      out.Key(key);
      out.String(Text(v, size));
    };
    out.BeginObject();
    u("slot", static_cast<uint64_t>(slot));
    u("station_class", t.stationClass);
    u("mmsi", t.mmsi);
    u("navigational_status", t.status >> 4);
    u("position_fixing_device", t.status & 0x0F);
    u("position_accuracy", t.flags & 1);
    u("raim_flag", (t.flags >> 1) & 1);
    u("dte", (t.flags >> 2) & 1);
    f("longitude", t.longitude);
    f("latitude", t.latitude);
    f("speed_over_ground", t.speedOverGround);
    f("course_over_ground", t.courseOverGround);
    f("true_heading", t.trueHeading);
    f("rate_of_turn", t.rateOfTurn);
    s("name", t.name, sizeof t.name);
    s("call_sign", t.callSign, sizeof t.callSign);
    u("imo_number", t.imoNumber);
    u("type_of_ship_and_cargo", t.shipType);
    u("to_bow", t.toBow);
    u("to_stern", t.toStern);
    u("to_port", t.toPort);
    u("to_starboard", t.toStarboard);
    u("eta_month", t.etaMonth);
    u("eta_day", t.etaDay);
    u("eta_hour", t.etaHour);
    u("eta_minute", t.etaMinute);
    u("ais_version", t.aisVersion);
    f("draught", t.draught);
    s("destination", t.destination, sizeof t.destination);
    s("vendor_identifier", t.vendorId, sizeof t.vendorId);
    u("class_b_flags", t.classBFlags);
    u("aid_to_navigation_flags", t.atonFlags);
    if (t.stationClass == ais::kSarAircraft) f("altitude", t.altitude());
    if (t.stationClass == ais::kAidToNavigation) {
      s("name_extension", t.nameExtension(), sizeof t.altitudeOrNameExtension);
    }
    out.Key("first_heard");
    Stamp(out, t.firstHeard);
    out.Key("last_heard");
    Stamp(out, t.lastHeard);
    u("vdm_count", t.vdmCount);
    u("vdo_count", t.vdoCount);
    out.EndObject();
  }
  out.EndArray();
}

ReceptionCounts AisJsonOutput::Reception() const {
  return {static_cast<uint32_t>(counters_.channelA), static_cast<uint32_t>(counters_.channelB)};
}

void AisJsonOutput::AppendLineKeys(JsonWriter& out) {
  if (!decoder_.Completed()) return;
  out.Key("ais");
  AppendAisMessage(out, decoder_.Message());
  out.Key("slot");
  out.Int(decoder_.Slot());
}

bool ParseLocalTime(const char* text, ais::LocalTime& time) {
  unsigned year, month, day, hour, minute, second;
  char end;
  if (std::sscanf(text, "%4u-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute, &second,
                  &end) != 6) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
    return false;
  }
  time = {static_cast<uint16_t>(year), static_cast<uint8_t>(month),  static_cast<uint8_t>(day),
          static_cast<uint8_t>(hour),  static_cast<uint8_t>(minute), static_cast<uint8_t>(second)};
  return true;
}

}  // namespace pelyx::tools
