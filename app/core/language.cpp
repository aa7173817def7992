#include "app/core/language.h"

namespace pelyx::app {
namespace {

using F = LanguageFollowUp;
using O = TextOwner;
using T = TextTarget;

constexpr LanguageKey Caption(std::string_view section, std::string_view key,
                              std::string_view control, std::string_view english,
                              O owner = O::kMainForm) {
  return {section, key, T::kCaption, owner, control, -1, F::kNone, english};
}

constexpr LanguageKey EditLabel(std::string_view section, std::string_view key,
                                std::string_view control, std::string_view english) {
  return {section, key, T::kEditLabel, O::kMainForm, control, -1, F::kNone, english};
}

constexpr LanguageKey Message(std::string_view section, std::string_view key, int message,
                              std::string_view english, F followUp = F::kNone) {
  return {section, key, T::kMessage, O::kMainForm, {}, message, followUp, english};
}

}  // namespace

const std::array<LanguageKey, kLanguageKeyCount> kLanguageKeys = {{
    Caption("MENU", "File", "mnuFile", "File(&F)"),
    Caption("MENU", "File_Exit", "mnuExit", "Exit(&X)"),
    Caption("MENU", "Option", "mnuOption", "Option(&O)"),
    Caption("MENU", "Option_Language", "mnuLanguage", "Language(&L)"),
    Caption("MENU", "Option_Language_English", "mnuLangEnglish", "English(&E)"),
    Caption("MENU", "Option_Language_TraChinese", "mnuLangTraChinese", "Traditional Chinese(&T)"),
    Caption("MENU", "Option_Language_SimpChinese", "mnuLangSimpChinese", "Simplified Chinese(&S)"),
    Caption("MENU", "Help", "mnuHelp", "Help(&H)"),
    Caption("MENU", "Help_About", "mnuAbout", "About(&A)"),

    Message("SYS_BUTTON", "Connect", kMsgConnect, "Connect"),
    Message("SYS_BUTTON", "Disconnect", kMsgDisconnect, "Disconnect", F::kConnectButtonCaption),
    Caption("SYS_BUTTON", "EXIT", "btnExit", "EXIT"),
    Caption("SYS_BUTTON", "Read_Device", "SpeedButtonReload", "Read Device"),
    Caption("SYS_BUTTON", "Config_Device", "SpeedButtonSetting", "Config Device"),

    Caption("TAB_VIEW", "View", "TabSheetView", "VIEW"),
    Caption("TAB_VIEW", "Read_Device", "spbDbgViewCmd", "Read Device"),
    Caption("TAB_VIEW", "Notes", "lblNotes",
            "Please press [Send Command] button to view AIS static data on the memo below.\n"
            "You may have to wait for a few seconds to see the specific data."),

    Message("TAB_MMSI", "CantBeProg1", kMsgCantBeProg1, "MMSI is "),
    Message("TAB_MMSI", "CantBeProg2", kMsgCantBeProg2, ", can't be programmed twice!",
            F::kMmsiLabelCaption),
    Message("TAB_MMSI", "Warning", kMsgMmsiWarning, "Can be programmed only one! Go on?"),

    Caption("TAB_STATIC", "STATIC", "TabSheetStatic", "STATIC DATA"),
    EditLabel("TAB_STATIC", "CALLSIGN", "lblEdtCallSign", "CALL SIGN "),
    EditLabel("TAB_STATIC", "NAME", "lblEdtName", "NAME "),
    Caption("TAB_STATIC", "Dimension", "GroupBoxDimension", "Ship's Dimension"),
    Caption("TAB_STATIC", "ShipType", "LabelShipType", "Ship Type"),

    Caption("TAB_TRANSCEIVER", "TRANSCEIVER", "TabSheetTransceiver", "TRANSCEIVER"),
    Caption("TAB_TRANSCEIVER", "Config", "spbTransponder", "Config"),
    Caption("TAB_TRANSCEIVER", "EnDSC_Monitoring", "lblDscMonitoring", "DSC Monitoring"),
    Caption("TAB_TRANSCEIVER", "GPS_Output", "lblGpsOutput", "GPS Output"),

    Caption("TAB_BAUD", "BAUD_RATE", "TabSheetBaudRate", "BAUD RATE"),
    Caption("TAB_BAUD", "Config", "spbBaudRate", "Config"),
    Message("TAB_BAUD", "DeviceBaudRateHasBeenChanged", kMsgDeviceBaudRateHasBeenChanged,
            "Device's baud rate has been changed."),
    Message("TAB_BAUD", "PleaseChangePcBaudRateInAccordance",
            kMsgPleaseChangePcBaudRateInAccordance, "Please change PC's baud rate in accordance."),
    Message("TAB_BAUD", "BaudRateChanged", kMsgBaudRateChanged, "Baud Rate Changed"),

    Caption("TAB_CPA", "CPA", "lblCPA", "CPA (nm)"),
    Caption("TAB_CPA", "TCPA", "lblTCPA", "TCPA (min) "),
    Caption("TAB_CPA", "Alarm_Type", "lblCpaAlarmType", "Alarm Type"),
    Caption("TAB_CPA", "Config", "spbCPA", "Config"),

    Caption("CONFIG_SERIAL_PORT", "Serial_Port", "LabelAutoComPort", "Serial Port"),
    Caption("CONFIG_SERIAL_PORT", "Baud_Rate", "LabelAutoBaudRate", "Baud Rate"),
    Caption("CONFIG_SERIAL_PORT", "Serial_Port", "lblSerialPort", "Serial Port"),
    Caption("CONFIG_SERIAL_PORT", "Baud_Rate", "lblBaudRate", "Baud Rate"),
    Caption("CONFIG_SERIAL_PORT", "Setting", "GroupBoxSerialConnectionMode",
            "Serial Port and Baud Rate Setting"),
    Caption("CONFIG_SERIAL_PORT", "Auto", "RadioButtonConnectionModeAuto", "Auto"),
    Caption("CONFIG_SERIAL_PORT", "Manual", "RadioButtonConnectionModeManual", "Manual"),
    Message("CONFIG_SERIAL_PORT", "Connecting", kMsgConnecting, "Connecting..."),
    Message("CONFIG_SERIAL_PORT", "Connected", kMsgConnected, "Connected..."),
    Message("CONFIG_SERIAL_PORT", "Disconnect", kMsgStatusDisconnect, "Disconnect...",
            F::kConnectionStatusText),

    Message("EXIT_QUERY", "Exit_Caption", kMsgExitCaption, "Exit!"),
    Message("EXIT_QUERY", "QueryExit", kMsgQueryExit, "Are you sure to exit?"),

    Caption("AGREEMENT", "Agree", "ButtonAgree", "Agree", O::kAgreementDialog),
    Caption("AGREEMENT", "Cancel", "ButtonCancel", "Cancel", O::kAgreementDialog),

    Caption("ABOUT", "Product", "StaticTextProduct", "Pelyx 300 Configuration", O::kAboutDialog),
    Caption("ABOUT", "OK", "btnOK", "OK", O::kAboutDialog),

    {"OTHER_MSG", "Warning", T::kWarningCaption, O::kMainForm, {}, -1, F::kNone, "Warning"},
    {"OTHER_MSG", "Error", T::kErrorCaption, O::kMainForm, {}, -1, F::kNone, "Error"},
    Message("OTHER_MSG", "PortOpenError", kMsgPortOpenError,
            "Serial port open error! Please check!"),
    Message("OTHER_MSG", "CmdSendFail", kMsgCmdSendFail, "Command sending fail!"),
    Message("OTHER_MSG", "ConnectPortFirst", kMsgConnectPortFirst,
            "Please connect serial port first!"),
    Message("OTHER_MSG", "NoSerialPortExist", kMsgNoSerialPortExist,
            "All serial ports are occupied or no existing!"),
    Message("OTHER_MSG", "AutoDetectTimeOut", kMsgAutoDetectTimeOut,
            "Serial port detecting failed!"),
    Message("OTHER_MSG", "ManualConnectTimeOut", kMsgManualConnectTimeOut,
            "Serial port connection time out!"),
    Message("OTHER_MSG", "CheckPortError", kMsgCheckPortError,
            "Note! Any force connect this serial port may cause unpredictable mistakes. "
            "Continue?"),
    Message("OTHER_MSG", "ConnectionChangeText", kMsgConnectionChangeText,
            "Device is connected. Do you want to disconnect?"),
}};

int LanguageFromSetting(int stored) {
  return (stored == kLanguageTraditionalChinese || stored == kLanguageSimplifiedChinese)
             ? stored
             : kLanguageEnglish;
}

const LanguageRow& LanguageRowOf(int language) {
  return kLanguages[static_cast<size_t>(LanguageFromSetting(language))];
}

void LoadLanguageKeys(const IniFile& file, CaptionAccess& captions, MessageTable& messages) {
  for (const LanguageKey& row : kLanguageKeys) {
    switch (row.target) {
      case TextTarget::kCaption:
      case TextTarget::kEditLabel: {
        std::optional<std::string> current = captions.Caption(row.owner, row.control, row.target);
        if (!current) break;
        captions.SetCaption(row.owner, row.control, row.target,
                            file.ReadString(row.section, row.key, *current));
        break;
      }
      case TextTarget::kMessage:
        messages.SetText(row.message,
                         file.ReadString(row.section, row.key, messages.Text(row.message)));
        break;
      case TextTarget::kWarningCaption:
        messages.SetWarningCaption(
            file.ReadString(row.section, row.key, messages.WarningCaption()));
        break;
      case TextTarget::kErrorCaption:
        messages.SetErrorCaption(file.ReadString(row.section, row.key, messages.ErrorCaption()));
        break;
    }
    if (row.followUp != LanguageFollowUp::kNone) captions.FollowUp(row.followUp);
  }
}

}  // namespace pelyx::app
