// The configuration commands the user reaches (Read Device, Config Device on the BAUD
// RATE page) and the wait through the receiver's restart that a new setting causes.
#pragma once

#include <cstdint>
#include <string>

#include "codec/stores.h"
#include "config/config_form.h"
#include "config/identification.h"

namespace pelyx::config {

struct ReportState;

// The restart wait: 0 none, 1 announced, 2 to 8 the ticks counted.
inline constexpr int32_t kRestartLastStep = 8;

struct RestartWait {
  int32_t RestartStep = 0;
  std::string RestartPort;  // the serial port to connect again (its name)
};

// The receiver announced its restart: RestartStep 1 and the waiting-progress dialog
// shown at 0 of 8, whatever step a wait in progress had reached. Unless the wait has
// closed the link already, the port to connect again is taken now: the one the port
// list shows (selected or typed), else the first port of the list.
void StartRestartWait(RestartWait& restart, ConfigForm& form);

// One tick of the system-check timer. Step 1 closes the link if it is still engaged; steps 2 to 7
// move the bar; at step 8 the port is selected again, a connection is started anew with the connect
// button down unless one is engaged already, and the dialog hides.
void AdvanceRestartWait(RestartWait& restart, ConfigForm& form, ConnectionControl& link);

// Read Device: the product-information request with a static-data capture, then the
// report countdown starts, whatever the request gave. Returns the request's result.
bool ReadDevice(DataStores& stores, StaticCapture& staticCapture, ReportState& report,
                ConfigForm& form, ConnectionControl& link);

// Config Device on the BAUD RATE page: $PDBG,040,a,042,b,,,, with the codes of the items
// selected in cbxBaud_RS232 (a) and cbxBaud_NMEA (b), then the page's Config button is
// released. Nothing is sent, and false returned, while either combo box has no item
// selected. Otherwise the result of the send.
bool SendBaudRateCommand(DataStores& stores, ConfigForm& form, ConnectionControl& link);

}  // namespace pelyx::config
