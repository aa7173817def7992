// The identification handshake, the static-data capture and the proprietary commands:
// asking the receiver for its product information, recognising the end of its answer,
// collecting its static-data listing into the static-data view, and composing and
// writing every DBG command of the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "codec/intake.h"
#include "codec/stores.h"
#include "config/config_form.h"
#include "config/product_info.h"
#include "config/receiver_protocol.h"
#include "link/connection_manager.h"

namespace pelyx::config {

struct RestartWait;

// The handshake state, shared with the connection manager (which owns its definition).
using link::IdentificationState;
using link::TLinkState;

// The static-data listing between "[STATIC DATA]" and "[END OF STATIC DATA]".
inline constexpr int kStaticLineCapacity = 100;
inline constexpr size_t kStaticLineSize = kMaxProcessedLine + 1;

struct StaticCapture {
  bool StaticCaptureArmed = false;  // asked for, not yet ended
  int32_t StaticCaptureState = 0;   // 0 waiting for the start marker, 1 collecting
  char StaticLines[kStaticLineCapacity][kStaticLineSize] = {};
  int32_t StaticLineCount = 0;
};

// Who sends a command, for the rule on failed writes.
enum class CommandSource {
  // The connection manager's identification queries: while the serial port is detected
  // automatically most ports tried are not the receiver's, so a failed write there
  // counts as sent.
  kDetection,
  // A command of the user's (Read Device, Config Device, Reset checks): a failed write
  // is always reported, in either connection mode.
  kUser,
};

// Composes the sentence of `talker` and `formatter` from the stores (the caller has set
// the formatter's fields) and writes it, CR LF included, with the connection's
// WriteLine. True when it was written, or when the write failed on a detection query in
// Auto mode. Otherwise a failed write disconnects (when the connect button is down),
// shows PortOpenError and returns false. False without a message when the sentence
// cannot be composed.
bool SendProprietaryCommand(const char* talker, const char* formatter, CommandSource source,
                            const DataStores& stores, ConnectionControl& link);

// One code/value pair of the DBG command.
struct DbgPair {
  int16_t code;
  int32_t value;
};

// Sets the DBG fields of the proprietary store to `pairs` (at most kDbgPairCount; the
// pairs after them absent, no direction letter) and sends $PDBG with
// SendProprietaryCommand.
bool SendDbgCommand(std::initializer_list<DbgPair> pairs, CommandSource source, DataStores& stores,
                    ConnectionControl& link);

// Sends $PDBG,099,<value>,,,,,, (value kProductInfoFull or kProductInfoReset). With
// `capture`, arms the static-data capture and empties the static-data view first.
bool RequestProductInfo(int32_t value, bool capture, CommandSource source, DataStores& stores,
                        StaticCapture& staticCapture, ConfigForm& form, ConnectionControl& link);

// One step of the handshake for a received line (CR LF included), or for no line when a
// connection attempt starts. `connectPressed`: the connect button is down.
void AdvanceIdentification(std::optional<std::string_view> line, bool connectPressed,
                           IdentificationState& state, StaticCapture& staticCapture,
                           ConfigForm& form);

// One line of the static-data listing (CR LF included). Lines past the 100th of a
// listing are ignored; each kept line is cut to kStaticLineSize - 1 characters.
void CaptureStaticData(std::string_view line, StaticCapture& staticCapture, ConfigForm& form);

// The two line handlers in the order the line assembler calls them: AdvanceIdentification,
// then ParseProductInfoLine. Added to a line assembler after the sentence intake.
class DeviceLineHandler final : public LineConsumer {
 public:
  DeviceLineHandler(ProductInfo& info, IdentificationState& state, StaticCapture& staticCapture,
                    RestartWait& restart, ConfigForm& form, ConnectionControl& link)
      : info_(info),
        state_(state),
        staticCapture_(staticCapture),
        restart_(restart),
        form_(form),
        link_(link) {}

  void TakeLine(std::string_view line) override;

 private:
  ProductInfo& info_;
  IdentificationState& state_;
  StaticCapture& staticCapture_;
  RestartWait& restart_;
  ConfigForm& form_;
  ConnectionControl& link_;
};

}  // namespace pelyx::config
