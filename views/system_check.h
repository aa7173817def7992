// The SYSTEM CHECK page without its toolkit: the one-second tick that turns the product
// information, the GPS fix and the reception counters into the page's texts and row
// images, and the "Reset checks" sequence.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ais/targets.h"
#include "codec/stores.h"
#include "config/product_info.h"

namespace pelyx::views {

// The rows of the panel, in the order of the page.
enum SystemCheckRow : int {
  kRowFirmware = 0,  // ImageChkFwVer
  kRowSerial,        // ImageChkProdSN
  kRowWiFi,          // ImageChkWiFi
  kRowNmea2k,        // ImageChkNMEA2K
  kRowGps,           // ImageChkGps
  kRowReception,     // ImageChkRx
  kSystemCheckRows
};

// The pictures of `ImageListSysChk`.
inline constexpr int kImageCross = 0;  // failed or not yet known
inline constexpr int kImageCheck = 1;  // passed

inline constexpr const char* kUnknownValue = "---------";

// What the tick writes. The Wi-Fi and NMEA 2000 values are not among them: the product
// information handling writes the status the receiver reports into those labels.
struct SystemCheckTexts {
  std::string firmwareVersion = kUnknownValue;  // lblValFwVer
  std::string serialNumber = kUnknownValue;     // lblValProdSN
  std::string gps = "N/A";                      // lblValGps
  std::string receivedA = "0";                  // lblValRxCntA
  std::string receivedB = "0";                  // lblValRxCntB
  std::array<int, kSystemCheckRows> images{};   // kImageCross or kImageCheck per row
};

// What the page asks of the window and of the device configuration.
class SystemCheckHost {
 public:
  virtual ~SystemCheckHost() = default;
  // Show the texts and the six row images.
  virtual void ShowSystemCheck(const SystemCheckTexts& texts) = 0;
  // Empty the texts of lblValWiFI and lblValNMEA2K.
  virtual void ClearDaughterBoardTexts() = 0;
  // Ask the receiver for its product information (DBG code 99 with `value`), capturing
  // the static-data listing or not.
  virtual void RequestProductInfo(int32_t value, bool captureStatic) = 0;
  // Advance a device restart wait by one step when one is in progress.
  virtual void AdvanceRestartWait() = 0;
};

class SystemCheck {
 public:
  // How long after "Reset checks" the product information is asked for again.
  static constexpr int kResetRequestDelayMs = 1000;

  SystemCheck(config::ProductInfo& product, const GnssStore& gnss, ais::ReceptionCounters& counters,
              SystemCheckHost& host)
      : product_(product), gnss_(gnss), counters_(counters), host_(host) {}

  // TimerUpdateSysChkTimer: texts, images, then the restart wait's step.
  void Tick();
  // The row images from the current flags and counters (also run at construction of
  // the window, so every row starts with a cross).
  void UpdateCheckImages();

  // SpeedButtonClearCheckClick: clears the counters and the four flags, empties the
  // Wi-Fi and NMEA 2000 values and ticks once. The product information is asked for
  // one second later: the caller arms a single-shot timer of kResetRequestDelayMs when
  // this returns and calls FireResetRequest when it fires, so the window keeps
  // responding meanwhile. A second reset before the timer fired leaves one request
  // pending (the caller re-arms the timer).
  void Reset();
  bool ResetPending() const { return resetPending_; }
  // The timer fired: request the product information (value 0, no static capture)
  // once. Does nothing when no reset is pending.
  void FireResetRequest();

  const SystemCheckTexts& Texts() const { return texts_; }

 private:
  bool Passes(int row) const;

  config::ProductInfo& product_;
  const GnssStore& gnss_;
  ais::ReceptionCounters& counters_;
  SystemCheckHost& host_;
  SystemCheckTexts texts_;
  bool resetPending_ = false;
};

}  // namespace pelyx::views
