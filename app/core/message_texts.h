// The table of message and status texts: the texts of the message boxes, of the connect
// button and of the connection status label, each with its English default, addressed
// by index. The language file replaces the entries it holds; whoever shows a message
// names the entry, so a translated entry is shown wherever the English one would be.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pelyx::app {

// The entries. The connect button keeps the index of its caption (0 or 1) as its tag,
// so the order of the first two is fixed.
enum MessageId : int {
  kMsgConnect = 0,
  kMsgDisconnect = 1,
  kMsgExitCaption = 2,
  kMsgQueryExit = 3,
  kMsgNoSerialPortExist = 4,
  kMsgAutoDetectTimeOut = 5,
  kMsgManualConnectTimeOut = 6,
  kMsgConnecting = 7,
  kMsgConnected = 8,
  kMsgStatusDisconnect = 9,
  kMsgPortOpenError = 10,
  kMsgCmdSendFail = 11,
  kMsgConnectPortFirst = 12,
  kMsgDeviceBaudRateHasBeenChanged = 13,
  kMsgPleaseChangePcBaudRateInAccordance = 14,
  kMsgBaudRateChanged = 15,
  kMsgCantBeProg1 = 16,
  kMsgCantBeProg2 = 17,
  kMsgMmsiWarning = 18,
  kMsgCheckPortError = 19,
  kMsgConnectionChangeText = 20,
  kMessageCount = 21,
};

class MessageTable {
 public:
  // Every entry starts empty until SetBuiltInTexts.
  MessageTable() = default;

  // Every entry and both captions := their English defaults.
  void SetBuiltInTexts();

  // The text of entry `index`; empty for an index outside the table.
  const std::string& Text(int index) const;
  const std::string& operator[](int index) const { return Text(index); }
  // Replaces entry `index`; false (and nothing changes) outside the table.
  bool SetText(int index, std::string_view text);

  const std::string& WarningCaption() const { return warningCaption_; }
  const std::string& ErrorCaption() const { return errorCaption_; }
  void SetWarningCaption(std::string_view text) { warningCaption_ = text; }
  void SetErrorCaption(std::string_view text) { errorCaption_ = text; }

  // The entry's name (its key in the language file) and its English default; empty
  // outside the table.
  static std::string_view EntryName(int index);
  static std::string_view EnglishDefault(int index);
  // The index of the entry named `name` (exact spelling), or -1.
  static int IndexOf(std::string_view name);

  static constexpr std::string_view kDefaultWarningCaption = "Warning";
  static constexpr std::string_view kDefaultErrorCaption = "Error";

 private:
  std::array<std::string, kMessageCount> texts_;
  std::string warningCaption_;
  std::string errorCaption_;
};

// "Unable to write to %s" with `path` in place of %s (the path is inserted as it is,
// never read as a format).
std::string UnableToWriteText(std::string_view path);

}  // namespace pelyx::app
