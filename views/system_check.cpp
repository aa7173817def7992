#include "views/system_check.h"

#include <cstring>

namespace pelyx::views {

namespace {

// A text field of the record, up to its NUL or its width.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

bool SystemCheck::Passes(int row) const {
  switch (row) {
    case kRowFirmware:
      return product_.firmwareKnown;
    case kRowSerial:
      return product_.serialKnown;
    case kRowWiFi:
      return product_.wifiReported;
    case kRowNmea2k:
      return product_.n2kReported;
    case kRowGps:
      return gnss_.positionValid != 0;
    case kRowReception:
      // Summed wide: two counters near their limit must not wrap to a negative sum.
      return static_cast<int64_t>(counters_.channelA) + counters_.channelB > 0;
    default:
      return false;
  }
}

void SystemCheck::UpdateCheckImages() {
  for (int row = 0; row < kSystemCheckRows; ++row) {
    texts_.images[static_cast<size_t>(row)] = Passes(row) ? kImageCheck : kImageCross;
  }
}

void SystemCheck::Tick() {
  texts_.firmwareVersion =
      product_.firmwareKnown ? FieldText(product_.firmwareVersion) : kUnknownValue;
  texts_.serialNumber = product_.serialKnown ? FieldText(product_.serialNumber) : kUnknownValue;
  texts_.gps = gnss_.positionValid ? "Fixed" : "Lost";
  texts_.receivedA = std::to_string(counters_.channelA);
  texts_.receivedB = std::to_string(counters_.channelB);
  UpdateCheckImages();
  host_.ShowSystemCheck(texts_);
  host_.AdvanceRestartWait();
}

void SystemCheck::Reset() {
  counters_.channelA = 0;
  counters_.channelB = 0;
  product_.firmwareKnown = false;
  product_.serialKnown = false;
  product_.n2kReported = false;
  product_.wifiReported = false;
  host_.ClearDaughterBoardTexts();
  Tick();
  resetPending_ = true;
}

void SystemCheck::FireResetRequest() {
  if (!resetPending_) return;
  resetPending_ = false;
  host_.RequestProductInfo(0, false);
}

}  // namespace pelyx::views
