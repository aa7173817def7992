// The main window: the connection bar at the top, the Configuration and Diagnosis pages,
// the bottom bar, the menus and the timers; the language and the settings of the
// window; the exit question.
//
// The controls are members named as their object names, so the code that gives them
// their behaviour reads like the window it drives; the tests find them by object name.
// Pages and menu items that the window does not offer exist all the same, with their
// tabs and items hidden, and are kept up to date like visible ones.
#pragma once

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

#include "app/core/message_texts.h"
#include "app/core/user_prompt.h"
#include "app/widgets.h"
#include "link/connection_manager.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class QTranslator;

namespace pelyx::link {
class PortEnumerator;
class TComm;
class TTCPIPClientThread;
class UiDispatcher;
}  // namespace pelyx::link

namespace pelyx::views {
class TPaintSatelliteChart;
class TSnrChart;
}  // namespace pelyx::views

namespace pelyx::app {

class QtUiDispatcher;
class QtUserPrompt;
class ReceiverSession;
class TfrmAbout;
class TfrmAgreement;
class TfrmWaitingProgress;

// Where the window finds its files.
struct FormEnvironment {
  QString programFolder;         // holds the Lang folder
  QString documentsFolder;       // the user's documents folder, home of the settings file
  UserPrompt* prompt = nullptr;  // the toolkit's boxes when none
  // The machine's serial ports; the platform's list when none.
  link::PortEnumerator* ports = nullptr;

  // The folder of the running program and the platform's documents folder.
  static FormEnvironment FromPlatform();
};

// The identification handshake's state.
using link::TLinkState;

class TForm1 : public QMainWindow {
  Q_OBJECT

  // First of the members, so the links below can still hand off while they end.
  std::unique_ptr<QtUiDispatcher> dispatcher_;

 public:
  static constexpr const char* kCaption = "TESK AIS Receiver Configuration";
  static constexpr int kClientWidth = 723;
  static constexpr int kClientHeight = 521;
  static constexpr int kTopBarHeight = 79;
  static constexpr int kBottomBarHeight = 60;
  static constexpr int kTopMargin = 40;            // the window's top edge below the screen's top
  static constexpr int kDataLogMaxLines = 200000;  // the data log keeps the newest lines

  explicit TForm1(const FormEnvironment& environment, QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- Start-up and language ----
  // The dialogs the application created after the window (the language file sets some
  // of their captions; Help / About shows one).
  void AttachDialogs(TfrmAbout* about, TfrmAgreement* agreement, TfrmWaitingProgress* waiting);
  // Marks the menu item of the stored language and applies that language (English for
  // a stored value other than 1 and 2).
  void ApplyStoredLanguage();
  void ApplyLanguage(int language);
  void LoadLanguageFile(const std::string& path);
  // The toolkit's own texts (message-box buttons, file dialogs) in the language's
  // translation; its built-in English when the language has none or it is missing.
  void LoadToolkitTranslation(int language);
  void ReadSettings();
  // False when the settings file cannot be written.
  bool WriteSettings();
  void SetBuiltInTexts();

  // ---- Connection display ----
  // Frame `frame` of both connection pictures, and the status label showing entry
  // `status` of the message table (greyed for StatusDisconnect, blue for Connected).
  void ShowLinkStatus(int frame, MessageId status);
  // While connecting: frame `frame` of the arrows, "Connecting..." in red or black.
  void ShowConnectingFrame(int frame, bool red);
  // The serial group box, both mode radio buttons and both combo boxes.
  void SetSerialSettingsEnabled(bool enabled);
  // The group box of the link checked in the Connection menu.
  void ShowConnectionBox();
  void ResetLinkState();
  // The connect button's caption := message entry `index` (0 Connect, 1 Disconnect),
  // kept as its tag.
  void SetConnectCaption(int index);
  int OpenPortTag() const;

  // ---- Handlers ----
  void PageControlMainChange(int index);
  void FormResize();
  void mnuAboutClick();
  void PageControlMainDrawTab(QPainter& painter, int index, const QRect& rect, bool active);
  void PageControlDiagnosisDrawTab(QPainter& painter, int index, const QRect& rect, bool active);

  // ---- Services for the code behind the controls ----
  UserPrompt& Prompt() { return *prompt_; }
  void SetUserPrompt(UserPrompt* prompt);
  link::UiDispatcher& Dispatcher();
  QString ProgramFolder() const { return programFolder_; }
  // Closes the serial port when it is open.
  void CloseSerialPort();
  // The links, the receive paths, the device configuration and the diagnosis views.
  ReceiverSession& Session() { return *session_; }
  link::ConnectionManager& Connection();

  // ---- State ----
  int LanguageIndex = 0;
  int FontCharset = 0;  // character set number of the applied language's fonts
  std::string SettingsFile;
  MessageTable MessageTexts;
  // The identification handshake, shared by the connection manager and the device
  // configuration.
  link::IdentificationState Identification;
  TLinkState& LinkState = Identification.LinkState;
  int32_t& TickCount = Identification.TickCount;
  bool& DeviceIdentified = Identification.DeviceIdentified;
  std::unique_ptr<link::TComm> SerialComm;  // the serial link, for the whole run

  TfrmAbout* frmAbout = nullptr;
  TfrmAgreement* frmAgreement = nullptr;
  TfrmWaitingProgress* frmWaitingProgress = nullptr;

  // ---- Pictures ----
  TImageList ImageListConnectToDevice;
  TImageList ImageListConnectTwoWay;
  TImageList ImageListSysChk;
  TImageList ImageListGpsStatusEarth;

  // ---- Top bar ----
  QFrame* PanelTop;
  QGroupBox* GroupBoxSerialConnectionMode;
  QRadioButton* RadioButtonConnectionModeManual;
  QRadioButton* RadioButtonConnectionModeAuto;
  TPageControl* PageControlDetectComPortMode;
  QWidget* TabSheetAutoConnectComPort;
  QLabel* LabelAutoComPort;
  QLabel* LabelAutoBaudRate;
  QLineEdit* EditAutoDetectComPort;
  QLineEdit* EditAutoDetectBaudRate;
  QWidget* TabSheetManualDetectComPort;
  QLabel* lblSerialPort;
  QLabel* lblBaudRate;
  QComboBox* cbxComPort;
  QComboBox* cbxBaudRate;
  QGroupBox* GroupBoxWiFiConnectionMode;
  TLabeledEdit* LabelEditWiFi_TCP_IP;
  TLabeledEdit* LabelEditWiFi_Port;
  QFrame* PanelLinkStatus;
  QLabel* ImageConnectToDevice;
  QLabel* ImageConnectTwoWay;
  QLabel* LabelConnectionStatus;
  QPushButton* OpenPort;
  QPushButton* btnExit;

  // ---- Main pages ----
  TPageControl* PageControlMain;
  QWidget* TabSheetConfig;
  QWidget* TabSheetDiagnosis;
  TPageControl* PageControlConf;
  TPageControl* PageControlDiagnosis;

  // STATIC DATA
  QWidget* TabSheetStatic;
  TLabeledEdit* lblEdtName;
  TLabeledEdit* lblEdtCallSign;
  QLabel* LabelMMSI;
  QLineEdit* MaskEditMMSI;
  QLabel* LabelMMSICantProg;
  QLabel* LabelShipType;
  QComboBox* cbxShipType;
  QLabel* stShipCargoType;
  QLabel* lblFirmVer;
  QGroupBox* GroupBoxDimension;
  QLabel* ImageShip;
  QSpinBox* CSpinEditA;
  QSpinBox* CSpinEditB;
  QSpinBox* CSpinEditC;
  QSpinBox* CSpinEditD;
  QPlainTextEdit* MemoRecord;

  // TRANSCEIVER
  QWidget* TabSheetTransceiver;
  QLabel* lblDscMonitoring;
  QComboBox* ComboBoxDscMonitoring;
  QLabel* lblGpsOutput;
  QComboBox* ComboBoxGpsOutput;
  TSpeedButton* spbTransponder;
  QCheckBox* cbxGpsAntPower;
  QCheckBox* cbxSysAlarm;
  QCheckBox* cbxOutVDO_1sec;
  QCheckBox* cbxTxEvenGpsLost;
  TRadioGroup* rgpGpsAntPower;
  TRadioGroup* rgpSysAlarmEnable;
  TRadioGroup* rgpOutVDO_1sec;
  TRadioGroup* rgpTxEvenGpsLost;

  // BAUD RATE
  QWidget* TabSheetBaudRate;
  QLabel* Label1;
  QComboBox* cbxBaud_RS232;
  QLabel* Label2;
  QComboBox* cbxBaud_NMEA;
  TSpeedButton* spbBaudRate;

  // CPA
  QWidget* TabSheetCPA;
  QLabel* lblCPA;
  QSpinBox* CSpinEditCPA;
  QLabel* lblTCPA;
  QSpinBox* CSpinEditTCPA;
  QLabel* lblCpaAlarmType;
  QComboBox* ComboBoxCpaAlarmType;
  TSpeedButton* spbCPA;

  // VIEW
  QWidget* TabSheetView;
  QLabel* lblNotes;
  TSpeedButton* spbDbgViewCmd;
  QPlainTextEdit* Memo1;

  // EXTENDED OPTIONS
  QWidget* TabSheetDaughter;
  QLabel* LabelExOption_Title;
  TLabeledEdit* LabeledEditExOption_SSID;
  QLabel* LabelExOption_Encryption;
  QComboBox* ComboBoxExOption_Security;
  TLabeledEdit* LabeledEditExOption_WifiPassword;
  TSpeedButton* SpeedButtonExOptions_Config;

  // SYSTEM CHECK
  QWidget* TabSheetSystemCheck;
  QFrame* PanelSystemCheck;
  QLabel* ImageChkFwVer;
  QLabel* lblChkFwVer;
  QLabel* lblValFwVer;
  QLabel* ImageChkProdSN;
  QLabel* lblChkProdSN;
  QLabel* lblValProdSN;
  QLabel* ImageChkWiFi;
  QLabel* lblChkWiFi;
  QLabel* lblValWiFI;
  QLabel* ImageChkNMEA2K;
  QLabel* lblChkNMEA2K;
  QLabel* lblValNMEA2K;
  QLabel* ImageChkGps;
  QLabel* lblChkGPS;
  QLabel* lblValGps;
  QLabel* ImageChkRx;
  QLabel* lblChkRx;
  QLabel* lblChkRxCntChA;
  QLabel* lblValRxCntA;
  QLabel* lblChkRxCntChB;
  QLabel* lblValRxCntB;
  TSpeedButton* SpeedButtonClearCheck;

  // GPS STATUS
  QWidget* TabSheetGpsStatus;
  TLabeledEdit* lblEdtGpsUtcDate;
  TLabeledEdit* lblEdtGpsUtcTime;
  TLabeledEdit* lblEdtGpsLat;
  TLabeledEdit* lblEdtGpsLon;
  TLabeledEdit* lblEdtGpsSOG;
  TLabeledEdit* lblEdtGpsCOG;
  TLabeledEdit* lblEdtGpsFixMode;
  TLabeledEdit* lblEdtGpsNoSV_InView;
  TLabeledEdit* lblEdtGpsNoSV_InUse;
  TLabeledEdit* lblEdtHdop;
  views::TSnrChart* Chart1;
  QLabel* lblSatelliteID;
  QFrame* PanelSatelliteMap;
  QLabel* ImageGpsMap;
  views::TPaintSatelliteChart* SatelliteMap;  // the sky plot drawn over ImageGpsMap

  // DATA LOG
  QWidget* TabSheetDataLog;
  TLogMemo* MemoDataLog;  // editable; received lines go to its end
  QCheckBox* cbxEnableLog;
  QPushButton* btnSaveLog;
  QPushButton* btnClearLog;
  TLabeledEdit* LabeledEditCommandText;
  QPushButton* btnSendCommand;

  // ---- Bottom bar ----
  QLabel* ImageBottomBar;
  TSpeedButton* SpeedButtonSetting;
  TSpeedButton* SpeedButtonReload;

  // ---- Menus ----
  QMenu* mnuFile;
  QAction* mnuExit;
  QMenu* mnuOption;
  QMenu* mnuLanguage;
  QAction* mnuLangEnglish;
  QAction* mnuLangTraChinese;
  QAction* mnuLangSimpChinese;
  QMenu* mnuConnection;
  QAction* mnuSerialPort;
  QAction* mnuWiFi;
  QMenu* mnuHelp;
  QAction* mnuAbout;

  // ---- Timers ----
  QTimer* Timer1;
  QTimer* TimerConnection;
  QTimer* TimerUpdateSysChk;
  QTimer* Timer2;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildTopBar(QWidget* client);
  void BuildPages(QWidget* client);
  void BuildStaticPage();
  void BuildTransceiverPage();
  void BuildBaudRatePage();
  void BuildCpaPage();
  void BuildViewPage();
  void BuildDaughterPage();
  void BuildSystemCheckPage();
  void BuildGpsStatusPage();
  void BuildDataLogPage();
  void BuildBottomBar(QWidget* client);
  void BuildMenus();
  void BuildTimers();
  void BuildPictures();

  void LocateSettingsFile(const QString& documents);
  void CreateSerialLink();
  void FillPortAndBaudLists();
  void FillShipTypes();
  void ConnectHandlers();
  // The exit question; true when the user answered OK.
  bool FormCloseQuery();
  // After OK: closes the port and writes the settings.
  void FormClose();

  QString programFolder_;
  std::unique_ptr<ReceiverSession> session_;
  std::unique_ptr<QtUserPrompt> ownPrompt_;
  std::unique_ptr<QTranslator> toolkitTranslation_;  // installed while a language has one
  UserPrompt* prompt_ = nullptr;
  QActionGroup* languageGroup_ = nullptr;
  QActionGroup* connectionGroup_ = nullptr;
  bool closing_ = false;
};

// Sets the page's tab visibility in its page control.
void SetTabVisible(QWidget* page, bool visible);
// Whether the page's tab is visible in its page control.
bool IsTabVisible(const QWidget* page);

}  // namespace pelyx::app
