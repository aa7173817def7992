// What the device configuration needs from the main window: its controls, its message
// boxes and save dialog, and the connection manager's operations. The window implements
// these interfaces; the configuration code knows no toolkit.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pelyx::config {

// The controls the device configuration reads or writes, named as in the window.
enum class ConfigControl {
  // Product information and the BAUD RATE page.
  lblFirmVer,
  cbxBaud_RS232,  // NMEA IN: "38400", "9600", "4800"
  cbxBaud_NMEA,   // NMEA OUT: the same items
  spbBaudRate,    // the BAUD RATE page's own Config button (hidden)
  // System check rows shown or hidden by the daughter-board report.
  lblChkNMEA2K,
  ImageChkNMEA2K,
  lblValNMEA2K,
  lblChkWiFi,
  ImageChkWiFi,
  lblValWiFI,
  // The extended options page (its tab) and its Wi-Fi controls.
  TabSheetDaughter,
  LabeledEditExOption_SSID,
  ComboBoxExOption_Security,  // "Open", "WPA-PSK TKIP", "WPA2-PSK AES"
  LabeledEditExOption_WifiPassword,
  // The static-data view and the invisible memo the report is assembled in.
  Memo1,
  MemoRecord,
  // The serial port list of the connection settings.
  cbxComPort,
};

class ConfigForm {
 public:
  virtual ~ConfigForm() = default;

  // Labels, edits, memos and combo boxes: the text.
  virtual void SetText(ConfigControl control, std::string_view text) = 0;
  // Any control; for TabSheetDaughter the visibility of the page's tab.
  virtual void SetVisible(ConfigControl control, bool visible) = 0;

  // Combo boxes: the items and the selection (-1: none). Setting an index outside the
  // items leaves no item selected.
  virtual int ItemCount(ConfigControl combo) const = 0;
  virtual std::string ItemText(ConfigControl combo, int index) const = 0;
  virtual int ItemIndex(ConfigControl combo) const = 0;
  // The text the combo box shows: the selected item's, or what the user typed into it.
  virtual std::string ComboText(ConfigControl combo) const = 0;
  virtual void SetItemIndex(ConfigControl combo, int index) = 0;

  // Memos: empty, and add one line at the end.
  virtual void ClearLines(ConfigControl memo) = 0;
  virtual void AppendLine(ConfigControl memo, std::string_view line) = 0;

  // Speed buttons: pressed or released.
  virtual void SetDown(ConfigControl button, bool down) = 0;

  // The waiting-progress dialog ("Configuring. Please wait..."): shown with its bar at
  // `maximum` and `position`; the bar moved; the dialog hidden.
  virtual void ShowWaitProgress(int maximum, int position) = 0;
  virtual void SetWaitProgress(int position) = 0;
  virtual void HideWaitProgress() = 0;
};

// The buttons, icon and answer of a message box, for every part of the program that asks
// the user something.
enum class PromptButtons { kOk, kOkCancel, kYesNo };
enum class PromptIcon { kNone, kInformation, kWarning, kError, kQuestion };
enum class PromptAnswer { kOk, kCancel, kYes, kNo };

// The window's modal message boxes and save-file dialog.
class ConfigPrompt {
 public:
  virtual ~ConfigPrompt() = default;
  // Closing the box counts as Cancel, as No for Yes and No, as OK for a box with OK only.
  virtual PromptAnswer Message(std::string_view text, std::string_view caption,
                               PromptButtons buttons, PromptIcon icon) = 0;
  // A save-file dialog with `filter` ("Description|pattern"), the extension added to a
  // name typed without one, and the proposed file name. The chosen path, or nothing when
  // the user cancelled.
  virtual std::optional<std::string> SaveFileName(std::string_view filter,
                                                  std::string_view defaultExtension,
                                                  std::string_view proposedName) = 0;
};

// The connection manager, as the configuration commands use it.
class ConnectionControl {
 public:
  virtual ~ConnectionControl() = default;
  // Writes the bytes to the link chosen in the Connection menu; true when written.
  virtual bool WriteLine(const char* bytes, size_t length) = 0;
  // RadioButtonConnectionModeAuto is checked.
  virtual bool AutoDetectSelected() const = 0;
  // The connect button OpenPort: whether it is down, and pressing it down in code.
  virtual bool ConnectPressed() const = 0;
  virtual void SetConnectPressed(bool down) = 0;
  // Connect or disconnect the selected link, as a click on the connect button does.
  virtual void ToggleConnection() = 0;
  // Ends the connection of the selected link while one is engaged; nothing otherwise.
  virtual void CloseLink() = 0;
  // Connects the selected link again after the receiver's restart, only when nothing is
  // engaged (the port connected before, without asking again). True when a connection
  // is engaged afterwards.
  virtual bool ReconnectLink() = 0;
  // Selects the entry of the port list that names `portName`; nothing when absent.
  virtual void SelectPortByName(std::string_view portName) = 0;
  // The message box of a failed command write: PortOpenError with ErrorCaption and an
  // error icon, texts from the window's message table.
  virtual void ShowPortOpenError() = 0;
};

}  // namespace pelyx::config
