// The commands of `pelyx` that talk to the receiver: `ports`, `info`, `set-baud` and
// `report`. Each returns the program's exit status: 0 on success, 1 when the receiver
// could not be reached, did not answer in time or a file could not be written, 2 for
// arguments that are refused; a failure is one line on `err`.
#pragma once

#include <cstdio>
#include <span>

#include "config/product_info.h"
#include "link/ports.h"
#include "tools/json_writer.h"

namespace pelyx::tools {

// `ports [--json]`: the serial ports found and whether each can be opened now ("busy"
// when another program holds it, "no permission" when the user may not open it); the
// text output says so when no serial port was found.
int RunPorts(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE* out,
             std::FILE* err);

// `info (--port DEVICE | --auto | --tcp HOST:PORT) [--json] [--show-password]`. The
// text output masks the Wi-Fi password unless --show-password is given; --json keeps it.
int RunInfo(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE* out,
            std::FILE* err);

// `set-baud (--port DEVICE | --auto | --tcp HOST:PORT) --in RATE --out RATE [--json]
// [--show-password]`.
int RunSetBaud(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE* out,
               std::FILE* err);

// `report (--port DEVICE | --auto | --tcp HOST:PORT) -o FILE`.
int RunReportCommand(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE* out,
                     std::FILE* err);

// {"productInfo": {...}} with the fields of `info` under their own names.
void AppendProductInfo(JsonWriter& json, const config::ProductInfo& info);

}  // namespace pelyx::tools
