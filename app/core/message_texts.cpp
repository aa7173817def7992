#include "app/core/message_texts.h"

namespace pelyx::app {
namespace {

struct Entry {
  std::string_view name;
  std::string_view english;
};

constexpr std::array<Entry, kMessageCount> kEntries = {{
    {"Connect", "Connect"},
    {"Disconnect", "Disconnect"},
    {"Exit_Caption", "Exit!"},
    {"QueryExit", "Are you sure to exit?"},
    {"NoSerialPortExist", "All serial ports are occupied or no existing!"},
    {"AutoDetectTimeOut", "Serial port detecting failed!"},
    {"ManualConnectTimeOut", "Serial port connection time out!"},
    {"Connecting", "Connecting..."},
    {"Connected", "Connected..."},
    {"StatusDisconnect", "Disconnect..."},
    {"PortOpenError", "Serial port open error! Please check!"},
    {"CmdSendFail", "Command sending fail!"},
    {"ConnectPortFirst", "Please connect serial port first!"},
    {"DeviceBaudRateHasBeenChanged", "Device's baud rate has been changed."},
    {"PleaseChangePcBaudRateInAccordance", "Please change PC's baud rate in accordance."},
    {"BaudRateChanged", "Baud Rate Changed"},
    {"CantBeProg1", "MMSI is "},
    {"CantBeProg2", ", can't be programmed twice!"},
    {"MmsiWarning", "Can be programmed only one! Go on?"},
    {"CheckPortError",
     "Note! Any force connect this serial port may cause unpredictable mistakes. Continue?"},
    {"ConnectionChangeText", "Device is connected. Do you want to disconnect?"},
}};

bool InTable(int index) {
  return index >= 0 && index < kMessageCount;
}

}  // namespace

void MessageTable::SetBuiltInTexts() {
  for (int i = 0; i < kMessageCount; ++i) texts_[i] = kEntries[i].english;
  warningCaption_ = kDefaultWarningCaption;
  errorCaption_ = kDefaultErrorCaption;
}

const std::string& MessageTable::Text(int index) const {
  static const std::string kNone;
  return InTable(index) ? texts_[index] : kNone;
}

bool MessageTable::SetText(int index, std::string_view text) {
  if (!InTable(index)) return false;
  texts_[index] = text;
  return true;
}

std::string_view MessageTable::EntryName(int index) {
  return InTable(index) ? kEntries[index].name : std::string_view{};
}

std::string_view MessageTable::EnglishDefault(int index) {
  return InTable(index) ? kEntries[index].english : std::string_view{};
}

int MessageTable::IndexOf(std::string_view name) {
  for (int i = 0; i < kMessageCount; ++i) {
    if (kEntries[i].name == name) return i;
  }
  return -1;
}

std::string UnableToWriteText(std::string_view path) {
  return "Unable to write to " + std::string(path);
}

}  // namespace pelyx::app
