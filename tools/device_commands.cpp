#include "tools/device_commands.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "config/receiver_protocol.h"
#include "tools/device_session.h"

namespace pelyx::tools {

namespace {

constexpr int kFailed = 1;
constexpr int kRefused = 2;

// The options the device commands share, and those of set-baud and report.
struct DeviceOptions {
  std::optional<LinkTarget> link;
  bool json = false;
  bool showPassword = false;
  std::optional<int32_t> nmeaIn;
  std::optional<int32_t> nmeaOut;
  std::string outputFile;
};

struct OptionRules {
  bool rates = false;    // --in, --out
  bool output = false;   // -o
  bool json = true;      // --json
  bool password = true;  // --show-password
};

// What the text output shows for a Wi-Fi password that is not to be shown.
constexpr char kMaskedPassword[] = "******** (--show-password shows it)";

bool ParseRate(std::string_view name, std::string_view text, std::optional<int32_t>& rate,
               std::string& error) {
  int32_t value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() ||
      config::CodeOfBaudRate(value) < 0) {
    error = std::string(name) + ": baud rate refused: '" + std::string(text) +
            "' (38400, 9600 or 4800)";
    return false;
  }
  rate = value;
  return true;
}

bool ParseDeviceOptions(std::span<const char* const> args, const OptionRules& rules,
                        DeviceOptions& options, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    auto value = [&](std::string_view& text) {
      if (i + 1 >= args.size()) {
        error = std::string(arg) + ": a value is needed";
        return false;
      }
      text = args[++i];
      return true;
    };
    auto setLink = [&](LinkTarget::Kind kind, std::string_view text) {
      if (options.link) {
        error = "give one of --port, --auto and --tcp, once";
        return false;
      }
      LinkTarget target;
      if (!ParseLinkTarget(kind, text, target, error)) return false;
      options.link = target;
      return true;
    };
    std::string_view text;
    if (arg == "--port" || arg == "--tcp") {
      if (!value(text)) return false;
      if (!setLink(arg == "--port" ? LinkTarget::Kind::kPort : LinkTarget::Kind::kTcp, text)) {
        return false;
      }
    } else if (arg == "--auto") {
      if (!setLink(LinkTarget::Kind::kAuto, {})) return false;
    } else if (arg == "--json" && rules.json) {
      options.json = true;
    } else if (arg == "--show-password" && rules.password) {
      options.showPassword = true;
    } else if ((arg == "--in" || arg == "--out") && rules.rates) {
      if (!value(text)) return false;
      if (!ParseRate(arg, text, arg == "--in" ? options.nmeaIn : options.nmeaOut, error)) {
        return false;
      }
    } else if (arg == "-o" && rules.output) {
      if (!value(text)) return false;
      if (text.empty()) {
        error = "-o: a file name is needed";
        return false;
      }
      options.outputFile = text;
    } else {
      error = "unknown option '" + std::string(arg) + "'";
      return false;
    }
  }
  if (!options.link) {
    error = "give one of --port DEVICE, --auto and --tcp HOST:PORT";
    return false;
  }
  if (rules.rates && (!options.nmeaIn || !options.nmeaOut)) {
    error = "both --in RATE and --out RATE are needed";
    return false;
  }
  if (rules.output && options.outputFile.empty()) {
    error = "-o FILE is needed";
    return false;
  }
  return true;
}

// The text output masks the Wi-Fi password (it lands in terminals and logs) unless
// asked to show it; the JSON output, meant for programs, keeps it.
void PrintProductInfo(const config::ProductInfo& info, bool json, bool showPassword,
                      std::FILE* out) {
  if (json) {
    JsonWriter writer;
    AppendProductInfo(writer, info);
    writer.EndLine();
    writer.Flush(out);
    return;
  }
  std::fprintf(out, "Serial number:    %s\n", info.serialNumber);
  std::fprintf(out, "Firmware version: %s\n", info.firmwareVersion);
  std::fprintf(out, "NMEA IN baud:     %d\n", info.nmeaInBaud);
  std::fprintf(out, "NMEA OUT baud:    %d\n", info.nmeaOutBaud);
  std::fprintf(out, "Daughter board:   %s\n", info.daughterBoard ? "yes" : "no");
  if (info.daughterBoard) {
    const char* security = config::WifiSecurityName(info.wifiSecurity);
    std::fprintf(out, "Wi-Fi SSID:       %s\n", info.wifiSsid);
    std::fprintf(out, "Wi-Fi security:   %s\n", security != nullptr ? security : "unknown");
    const bool masked = !showPassword && info.wifiPassword[0] != '\0';
    std::fprintf(out, "Wi-Fi password:   %s\n", masked ? kMaskedPassword : info.wifiPassword);
  }
}

// The session's failure as one line, with what the detection met on the way.
int Failed(const char* command, const DeviceSession& session, std::FILE* err) {
  std::string text = session.Error().empty() ? "failed" : session.Error();
  if (!session.Warnings().empty()) text += " (last port error: " + session.Warnings().back() + ")";
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::fprintf(err, "pelyx %s: %s\n", command, text.c_str());
  return kFailed;
}

int Refused(const char* command, const std::string& error, std::FILE* err) {
  std::fprintf(err, "pelyx %s: %s\n", command, error.c_str());
  return kRefused;
}

}  // namespace

void AppendProductInfo(JsonWriter& json, const config::ProductInfo& info) {
  json.BeginObject();
  json.Key("productInfo");
  json.BeginObject();
  json.Key("serialNumber");
  json.String(info.serialNumber);
  json.Key("firmwareVersion");
  json.String(info.firmwareVersion);
  json.Key("nmeaInBaud");
  json.Int(info.nmeaInBaud);
  json.Key("nmeaOutBaud");
  json.Int(info.nmeaOutBaud);
  json.Key("wifiSsid");
  json.String(info.wifiSsid);
  json.Key("wifiPassword");
  json.String(info.wifiPassword);
  json.Key("wifiSecurity");
  json.Int(info.wifiSecurity);
  json.Key("firmwareKnown");
  json.Bool(info.firmwareKnown);
  json.Key("serialKnown");
  json.Bool(info.serialKnown);
  json.Key("n2kReported");
  json.Bool(info.n2kReported);
  json.Key("wifiReported");
  json.Bool(info.wifiReported);
  json.Key("daughterBoard");
  json.Bool(info.daughterBoard);
  json.EndObject();
  json.EndObject();
}

int RunPorts(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE* out,
             std::FILE* err) {
  bool json = false;
  for (std::string_view arg : args) {
    if (arg != "--json") return Refused("ports", "unknown option '" + std::string(arg) + "'", err);
    json = true;
  }
  link::PortLists lists;
  if (!link::EnumeratePorts(ports, lists)) {
    std::fputs("pelyx ports: the serial ports cannot be listed\n", err);
    return kFailed;
  }
  JsonWriter writer;
  if (json) {
    writer.BeginObject();
    writer.Key("ports");
    writer.BeginArray();
  }
  if (lists.FoundPorts.empty() && !json) std::fputs("no serial port was found\n", out);
  for (const std::string& name : lists.FoundPorts) {
    // The trial open of the port probe, telling a port the user may not open from one
    // that another program holds.
    const int openError = ports.TrialOpenError(name);
    const bool openable = openError == 0;
    const bool noPermission = openError == EACCES || openError == EPERM;
    if (json) {
      writer.BeginObject();
      writer.Key("name");
      writer.String(name);
      writer.Key("openable");
      writer.Bool(openable);
      writer.EndObject();
    } else {
      std::fprintf(out, "%s %s\n", name.c_str(),
                   openable ? "openable" : (noPermission ? "no permission" : "busy"));
    }
  }
  if (json) {
    writer.EndArray();
    writer.EndObject();
    writer.EndLine();
    writer.Flush(out);
  }
  return std::fflush(out) == 0 ? 0 : kFailed;
}

int RunInfo(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE* out,
            std::FILE* err) {
  DeviceOptions options;
  std::string error;
  if (!ParseDeviceOptions(args, {}, options, error)) return Refused("info", error, err);
  DeviceSession session(ports);
  if (!session.Connect(*options.link)) return Failed("info", session, err);
  PrintProductInfo(session.Info(), options.json, options.showPassword, out);
  return std::fflush(out) == 0 ? 0 : kFailed;
}

int RunSetBaud(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE* out,
               std::FILE* err) {
  DeviceOptions options;
  std::string error;
  if (!ParseDeviceOptions(args, {.rates = true}, options, error)) {
    return Refused("set-baud", error, err);
  }
  DeviceSession session(ports);
  if (!session.Connect(*options.link)) return Failed("set-baud", session, err);
  if (!session.SetBaudRates(*options.nmeaIn, *options.nmeaOut)) {
    return Failed("set-baud", session, err);
  }
  PrintProductInfo(session.Info(), options.json, options.showPassword, out);
  return std::fflush(out) == 0 ? 0 : kFailed;
}

int RunReportCommand(std::span<const char* const> args, link::PortEnumerator& ports, std::FILE*,
                     std::FILE* err) {
  DeviceOptions options;
  std::string error;
  if (!ParseDeviceOptions(args, {.output = true, .json = false, .password = false}, options,
                          error)) {
    return Refused("report", error, err);
  }
  DeviceSession session(ports);
  if (!session.Connect(*options.link) || !session.SaveReport(options.outputFile)) {
    return Failed("report", session, err);
  }
  return 0;
}

}  // namespace pelyx::tools
