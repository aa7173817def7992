#include "config/identification.h"

#include <cstring>

#include "codec/composer.h"
#include "config/commands.h"
#include "config/receiver_protocol.h"

namespace pelyx::config {

namespace {

bool Contains(std::string_view line, std::string_view text) {
  return line.find(text) != std::string_view::npos;
}

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return line;
}

}  // namespace

bool SendProprietaryCommand(const char* talker, const char* formatter, CommandSource source,
                            const DataStores& stores, ConnectionControl& link) {
  SentenceComposer composer(stores);
  char line[kComposeBufferSize] = {};
  if (!composer.ComposeSentence(line, sizeof line, formatter, talker)) return false;
  if (link.WriteLine(line, std::strlen(line))) return true;
  if (source == CommandSource::kDetection && link.AutoDetectSelected()) return true;
  if (link.ConnectPressed()) link.ToggleConnection();
  link.ShowPortOpenError();
  return false;
}

bool SendDbgCommand(std::initializer_list<DbgPair> pairs, CommandSource source, DataStores& stores,
                    ConnectionControl& link) {
  ProprietaryStore& p = stores.proprietary;
  int i = 0;
  for (const DbgPair& pair : pairs) {
    if (i == kDbgPairCount) break;
    p.dbgCode[i] = pair.code;
    p.dbgValue[i] = pair.value;
    ++i;
  }
  for (; i < kDbgPairCount; ++i) {
    p.dbgCode[i] = kDbgAbsentCode;
    p.dbgValue[i] = kDbgAbsentValue;
  }
  p.dbgDirectionLetter = 0;
  return SendProprietaryCommand(kDbgTalker, kDbgFormatter, source, stores, link);
}

bool RequestProductInfo(int32_t value, bool capture, CommandSource source, DataStores& stores,
                        StaticCapture& staticCapture, ConfigForm& form, ConnectionControl& link) {
  if (capture) {
    staticCapture.StaticCaptureArmed = true;
    form.ClearLines(ConfigControl::Memo1);
  }
  return SendDbgCommand({{kDbgProductInfo, value}}, source, stores, link);
}

void AdvanceIdentification(std::optional<std::string_view> line, bool connectPressed,
                           IdentificationState& state, StaticCapture& staticCapture,
                           ConfigForm& form) {
  switch (state.LinkState) {
    case TLinkState::Idle:
      if (state.DeviceIdentified && connectPressed) return;
      state.LinkState = TLinkState::Identifying;
      state.TickCount = 0;
      return;
    case TLinkState::Identifying:
      if (!line || state.DeviceIdentified) return;
      if (Contains(*line, "!AI") || Contains(*line, "$GP")) return;
      if (Contains(*line, kProductInfoEnd)) {
        state.DeviceIdentified = true;
        state.TickCount = 0;
        state.LinkState = TLinkState::Identified;
      }
      return;
    case TLinkState::Identified:
      if (line && staticCapture.StaticCaptureArmed) CaptureStaticData(*line, staticCapture, form);
      return;
  }
}

void CaptureStaticData(std::string_view line, StaticCapture& staticCapture, ConfigForm& form) {
  StaticCapture& c = staticCapture;
  if (c.StaticCaptureState == 0) {
    if (Contains(line, kStaticDataBegin)) {
      c.StaticCaptureState = 1;
      c.StaticLineCount = 0;
    }
    return;
  }
  if (c.StaticCaptureState != 1) return;
  const std::string_view text = WithoutLineEnd(line);
  if (Contains(text, kStaticDataEnd)) {
    for (int i = 0; i < c.StaticLineCount && i < kStaticLineCapacity; ++i) {
      form.AppendLine(ConfigControl::Memo1, c.StaticLines[i]);
    }
    c.StaticCaptureState = 0;
    c.StaticLineCount = 0;
    c.StaticCaptureArmed = false;
    return;
  }
  if (c.StaticLineCount < 0) c.StaticLineCount = 0;
  if (c.StaticLineCount >= kStaticLineCapacity) return;  // past the 100th: ignored
  char* slot = c.StaticLines[c.StaticLineCount];
  const size_t n = text.size() < kStaticLineSize - 1 ? text.size() : kStaticLineSize - 1;
  std::memcpy(slot, text.data(), n);
  slot[n] = '\0';
  ++c.StaticLineCount;
}

void DeviceLineHandler::TakeLine(std::string_view line) {
  AdvanceIdentification(line, link_.ConnectPressed(), state_, staticCapture_, form_);
  ParseProductInfoLine(line, info_, restart_, form_);
}

}  // namespace pelyx::config
