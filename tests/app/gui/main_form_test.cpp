// The main window as it stands after the start, without a language file.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/core/language.h"
#include "app/dialogs.h"
#include "app/main_form.h"
#include "app/qt_ui_dispatcher.h"
#include "gui_support.h"
#include "link/comm.h"

namespace pelyx::app {
namespace {

using testing_support::CaptionOf;
using testing_support::Environment;
using testing_support::Find;
using testing_support::Folders;
using testing_support::ScriptedPrompt;

class MainForm : public testing::Test {
 protected:
  MainForm() : windows_(Environment(folders_, &prompt_)) {}
  TForm1& Form() { return windows_.Form(); }

  Folders folders_;
  ScriptedPrompt prompt_;
  ApplicationWindows windows_;
};

// ---- Controls -----------------------------------------------------------------------

struct Control {
  const char* name;
  const char* kind;
};

constexpr Control kControls[] = {
    {"PanelTop", "QFrame"},
    {"GroupBoxSerialConnectionMode", "QGroupBox"},
    {"RadioButtonConnectionModeManual", "QRadioButton"},
    {"RadioButtonConnectionModeAuto", "QRadioButton"},
    {"PageControlDetectComPortMode", "QTabWidget"},
    {"TabSheetAutoConnectComPort", "QWidget"},
    {"TabSheetManualDetectComPort", "QWidget"},
    {"LabelAutoComPort", "QLabel"},
    {"LabelAutoBaudRate", "QLabel"},
    {"EditAutoDetectComPort", "QLineEdit"},
    {"EditAutoDetectBaudRate", "QLineEdit"},
    {"lblSerialPort", "QLabel"},
    {"lblBaudRate", "QLabel"},
    {"cbxComPort", "QComboBox"},
    {"cbxBaudRate", "QComboBox"},
    {"GroupBoxWiFiConnectionMode", "QGroupBox"},
    {"LabelEditWiFi_TCP_IP", "pelyx::app::TLabeledEdit"},
    {"LabelEditWiFi_Port", "pelyx::app::TLabeledEdit"},
    {"ImageConnectToDevice", "QLabel"},
    {"ImageConnectTwoWay", "QLabel"},
    {"LabelConnectionStatus", "QLabel"},
    {"OpenPort", "QPushButton"},
    {"btnExit", "QPushButton"},
    {"PageControlMain", "QTabWidget"},
    {"TabSheetConfig", "QWidget"},
    {"TabSheetDiagnosis", "QWidget"},
    {"PageControlConf", "QTabWidget"},
    {"TabSheetStatic", "QWidget"},
    {"lblEdtName", "pelyx::app::TLabeledEdit"},
    {"lblEdtCallSign", "pelyx::app::TLabeledEdit"},
    {"LabelMMSI", "QLabel"},
    {"MaskEditMMSI", "QLineEdit"},
    {"LabelMMSICantProg", "QLabel"},
    {"LabelShipType", "QLabel"},
    {"cbxShipType", "QComboBox"},
    {"stShipCargoType", "QLabel"},
    {"lblFirmVer", "QLabel"},
    {"GroupBoxDimension", "QGroupBox"},
    {"CSpinEditA", "QSpinBox"},
    {"CSpinEditB", "QSpinBox"},
    {"CSpinEditC", "QSpinBox"},
    {"CSpinEditD", "QSpinBox"},
    {"MemoRecord", "QPlainTextEdit"},
    {"TabSheetTransceiver", "QWidget"},
    {"lblDscMonitoring", "QLabel"},
    {"ComboBoxDscMonitoring", "QComboBox"},
    {"lblGpsOutput", "QLabel"},
    {"ComboBoxGpsOutput", "QComboBox"},
    {"spbTransponder", "QToolButton"},
    {"cbxGpsAntPower", "QCheckBox"},
    {"cbxSysAlarm", "QCheckBox"},
    {"cbxOutVDO_1sec", "QCheckBox"},
    {"cbxTxEvenGpsLost", "QCheckBox"},
    {"rgpGpsAntPower", "QGroupBox"},
    {"rgpSysAlarmEnable", "QGroupBox"},
    {"rgpOutVDO_1sec", "QGroupBox"},
    {"rgpTxEvenGpsLost", "QGroupBox"},
    {"TabSheetBaudRate", "QWidget"},
    {"Label1", "QLabel"},
    {"cbxBaud_RS232", "QComboBox"},
    {"Label2", "QLabel"},
    {"cbxBaud_NMEA", "QComboBox"},
    {"spbBaudRate", "QToolButton"},
    {"TabSheetCPA", "QWidget"},
    {"lblCPA", "QLabel"},
    {"CSpinEditCPA", "QSpinBox"},
    {"lblTCPA", "QLabel"},
    {"CSpinEditTCPA", "QSpinBox"},
    {"lblCpaAlarmType", "QLabel"},
    {"ComboBoxCpaAlarmType", "QComboBox"},
    {"spbCPA", "QToolButton"},
    {"TabSheetView", "QWidget"},
    {"lblNotes", "QLabel"},
    {"spbDbgViewCmd", "QToolButton"},
    {"Memo1", "QPlainTextEdit"},
    {"TabSheetDaughter", "QWidget"},
    {"LabelExOption_Title", "QLabel"},
    {"LabeledEditExOption_SSID", "pelyx::app::TLabeledEdit"},
    {"LabelExOption_Encryption", "QLabel"},
    {"ComboBoxExOption_Security", "QComboBox"},
    {"LabeledEditExOption_WifiPassword", "pelyx::app::TLabeledEdit"},
    {"SpeedButtonExOptions_Config", "QToolButton"},
    {"PageControlDiagnosis", "QTabWidget"},
    {"TabSheetSystemCheck", "QWidget"},
    {"PanelSystemCheck", "QFrame"},
    {"ImageChkFwVer", "QLabel"},
    {"lblChkFwVer", "QLabel"},
    {"lblValFwVer", "QLabel"},
    {"ImageChkProdSN", "QLabel"},
    {"lblChkProdSN", "QLabel"},
    {"lblValProdSN", "QLabel"},
    {"ImageChkWiFi", "QLabel"},
    {"lblChkWiFi", "QLabel"},
    {"lblValWiFI", "QLabel"},
    {"ImageChkNMEA2K", "QLabel"},
    {"lblChkNMEA2K", "QLabel"},
    {"lblValNMEA2K", "QLabel"},
    {"ImageChkGps", "QLabel"},
    {"lblChkGPS", "QLabel"},
    {"lblValGps", "QLabel"},
    {"ImageChkRx", "QLabel"},
    {"lblChkRx", "QLabel"},
    {"lblChkRxCntChA", "QLabel"},
    {"lblValRxCntA", "QLabel"},
    {"lblChkRxCntChB", "QLabel"},
    {"lblValRxCntB", "QLabel"},
    {"SpeedButtonClearCheck", "QToolButton"},
    {"TabSheetGpsStatus", "QWidget"},
    {"lblEdtGpsUtcDate", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsUtcTime", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsLat", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsLon", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsSOG", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsCOG", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsFixMode", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsNoSV_InView", "pelyx::app::TLabeledEdit"},
    {"lblEdtGpsNoSV_InUse", "pelyx::app::TLabeledEdit"},
    {"lblEdtHdop", "pelyx::app::TLabeledEdit"},
    {"Chart1", "QWidget"},
    {"lblSatelliteID", "QLabel"},
    {"PanelSatelliteMap", "QFrame"},
    {"ImageGpsMap", "QLabel"},
    {"TabSheetDataLog", "QWidget"},
    {"MemoDataLog", "QPlainTextEdit"},
    {"cbxEnableLog", "QCheckBox"},
    {"btnSaveLog", "QPushButton"},
    {"btnClearLog", "QPushButton"},
    {"LabeledEditCommandText", "pelyx::app::TLabeledEdit"},
    {"btnSendCommand", "QPushButton"},
    {"SpeedButtonSetting", "QToolButton"},
    {"SpeedButtonReload", "QToolButton"},
    {"mnuFile", "QMenu"},
    {"mnuExit", "QAction"},
    {"mnuOption", "QMenu"},
    {"mnuLanguage", "QMenu"},
    {"mnuLangEnglish", "QAction"},
    {"mnuLangTraChinese", "QAction"},
    {"mnuLangSimpChinese", "QAction"},
    {"mnuConnection", "QMenu"},
    {"mnuSerialPort", "QAction"},
    {"mnuWiFi", "QAction"},
    {"mnuHelp", "QMenu"},
    {"mnuAbout", "QAction"},
    {"Timer1", "QTimer"},
    {"TimerConnection", "QTimer"},
    {"TimerUpdateSysChk", "QTimer"},
    {"Timer2", "QTimer"},
};

TEST_F(MainForm, EveryControlExistsOnceWithItsKind) {
  for (const Control& control : kControls) {
    const QList<QObject*> found = Form().findChildren<QObject*>(control.name);
    ASSERT_EQ(found.size(), 1) << control.name;
    EXPECT_TRUE(found.front()->inherits(control.kind))
        << control.name << " is a " << found.front()->metaObject()->className();
  }
}

TEST_F(MainForm, WindowIsTheFixedSizeSkyBlueWindowWithItsCaption) {
  EXPECT_EQ(Form().windowTitle(), "TESK AIS Receiver Configuration");
  EXPECT_EQ(Form().centralWidget()->size(), QSize(723, 521));
  EXPECT_EQ(Form().minimumSize(), Form().maximumSize());
  EXPECT_FALSE(Form().windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(Form().windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(Form().centralWidget()->palette().color(QPalette::Window), QColor(166, 202, 240));
  for (const char* page : {"TabSheetBaudRate", "TabSheetSystemCheck", "TabSheetDataLog",
                           "TabSheetConfig", "TabSheetDiagnosis"}) {
    auto* widget = Find<QWidget>(&Form(), page);
    EXPECT_TRUE(widget->autoFillBackground()) << page;
    EXPECT_EQ(widget->palette().color(QPalette::Window), QColor(255, 251, 240)) << page;
  }
  EXPECT_EQ(Find<QFrame>(&Form(), "PanelTop")->height(), 79);
}

TEST_F(MainForm, EveryTranslatableTextHasItsEnglishDefault) {
  for (const LanguageKey& row : kLanguageKeys) {
    if (row.target != TextTarget::kCaption && row.target != TextTarget::kEditLabel) continue;
    const QObject* root = &Form();
    if (row.owner == TextOwner::kAboutDialog) root = &windows_.About();
    if (row.owner == TextOwner::kAgreementDialog) root = &windows_.Agreement();
    const QString name = QString::fromUtf8(row.control.data(), row.control.size());
    const QObject* control = root->findChild<QObject*>(name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    EXPECT_EQ(CaptionOf(control, row.target == TextTarget::kEditLabel),
              QString::fromUtf8(row.englishDefault.data(), row.englishDefault.size()))
        << name.toStdString();
  }
  EXPECT_EQ(Form().MessageTexts[kMsgQueryExit], "Are you sure to exit?");
  EXPECT_EQ(Form().MessageTexts.ErrorCaption(), "Error");
}

struct Text {
  const char* name;
  const char* text;
  bool editLabel = false;
};

TEST_F(MainForm, FixedTextsAreTheWindowsOwn) {
  const Text texts[] = {
      {"TabSheetConfig", "Configuration"},
      {"TabSheetDiagnosis", "Diagnosis"},
      {"TabSheetSystemCheck", "SYSTEM CHECK"},
      {"TabSheetGpsStatus", "GPS STATUS"},
      {"TabSheetDataLog", "DATA LOG"},
      {"mnuConnection", "Connection (&C)"},
      {"mnuSerialPort", "Serial Port"},
      {"mnuWiFi", "Wi-Fi"},
      {"GroupBoxWiFiConnectionMode", "Wi-Fi Setting"},
      {"LabelEditWiFi_TCP_IP", "IP Address/Name", true},
      {"LabelEditWiFi_Port", "Port", true},
      {"LabelConnectionStatus", "Disconnect..."},
      {"OpenPort", "Connect"},
      {"LabelMMSI", "MMSI"},
      {"Label1", "NMEA IN"},
      {"Label2", "NMEA OUT"},
      {"spbCPA", "Config"},
      {"LabelExOption_Title", "Supporting IEEE 802.11 b/g/n all modes."},
      {"LabelExOption_Encryption", "Security"},
      {"LabeledEditExOption_SSID", "SSID", true},
      {"LabeledEditExOption_WifiPassword", "Password", true},
      {"SpeedButtonExOptions_Config", "Config"},
      {"cbxGpsAntPower", "GPS Antenna"},
      {"cbxSysAlarm", "Alarm"},
      {"cbxOutVDO_1sec", "Output VDO every second"},
      {"cbxTxEvenGpsLost", "TX even GPS lost"},
      {"rgpGpsAntPower", "Voltage"},
      {"lblChkFwVer", "Firmware Version"},
      {"lblValFwVer", "---------"},
      {"lblChkProdSN", "Product Serial No."},
      {"lblValProdSN", "---------"},
      {"lblChkWiFi", "Wi-Fi Connected"},
      {"lblValWiFI", "Workable"},
      {"lblChkNMEA2K", "NMEA-2000 Connected"},
      {"lblValNMEA2K", "Workable"},
      {"lblChkGPS", "GPS"},
      {"lblValGps", "N/A"},
      {"lblChkRx", "RX position reports"},
      {"lblChkRxCntChA", "Channel A: "},
      {"lblValRxCntA", "0"},
      {"lblChkRxCntChB", "Channel B: "},
      {"lblValRxCntB", "0"},
      {"SpeedButtonClearCheck", "Reset checks"},
      {"lblEdtGpsUtcDate", "UTC Date", true},
      {"lblEdtGpsUtcTime", "UTC Time", true},
      {"lblEdtGpsLat", "Latitude", true},
      {"lblEdtGpsLon", "Longitude", true},
      {"lblEdtGpsSOG", "SOG", true},
      {"lblEdtGpsCOG", "COG", true},
      {"lblEdtGpsFixMode", "Fix Mode", true},
      {"lblEdtGpsNoSV_InView", "Satellites in view", true},
      {"lblEdtGpsNoSV_InUse", "Satellites in use", true},
      {"lblEdtHdop", "HDOP", true},
      {"lblSatelliteID", "Satellite ID"},
      {"cbxEnableLog", "Enable Log"},
      {"btnSaveLog", "Save"},
      {"btnClearLog", "Clear"},
      {"LabeledEditCommandText", " Enter command below", true},
      {"btnSendCommand", "Send Command"},
      {"lblFirmVer", ""},
  };
  for (const Text& text : texts) {
    EXPECT_EQ(CaptionOf(Find<QObject>(&Form(), text.name), text.editLabel), text.text) << text.name;
  }
  EXPECT_EQ(Find<QLineEdit>(&Form(), "LabelEditWiFi_TCP_IP")->text(), "192.168.2.1");
  EXPECT_EQ(Find<QLineEdit>(&Form(), "LabelEditWiFi_Port")->text(), "3333");
  EXPECT_EQ(Find<QLineEdit>(&Form(), "MaskEditMMSI")->text(), "000000000");
}

// ---- Visibility ---------------------------------------------------------------------

std::vector<std::string> VisibleTabs(const QTabWidget* pages) {
  std::vector<std::string> names;
  for (int i = 0; i < pages->count(); ++i) {
    if (pages->isTabVisible(i)) names.push_back(pages->widget(i)->objectName().toStdString());
  }
  return names;
}

TEST_F(MainForm, OnlyBaudRateSystemCheckAndDataLogAreReachable) {
  auto* conf = Find<QTabWidget>(&Form(), "PageControlConf");
  EXPECT_EQ(VisibleTabs(conf), std::vector<std::string>{"TabSheetBaudRate"});
  EXPECT_EQ(conf->currentWidget()->objectName(), "TabSheetBaudRate");
  EXPECT_EQ(conf->count(), 6);

  auto* diagnosis = Find<QTabWidget>(&Form(), "PageControlDiagnosis");
  EXPECT_EQ(VisibleTabs(diagnosis),
            (std::vector<std::string>{"TabSheetSystemCheck", "TabSheetDataLog"}));
  EXPECT_EQ(diagnosis->currentWidget()->objectName(), "TabSheetSystemCheck");

  auto* main = Find<QTabWidget>(&Form(), "PageControlMain");
  EXPECT_EQ(VisibleTabs(main), (std::vector<std::string>{"TabSheetConfig", "TabSheetDiagnosis"}));
  EXPECT_EQ(main->currentIndex(), 0);
  EXPECT_EQ(main->tabBar()->tabRect(0).size(), QSize(355, 30));
  EXPECT_EQ(main->tabBar()->tabRect(1).size(), QSize(355, 30));

  auto* detect = Find<QTabWidget>(&Form(), "PageControlDetectComPortMode");
  EXPECT_TRUE(detect->tabBar()->isHidden());
  EXPECT_EQ(detect->currentWidget()->objectName(), "TabSheetManualDetectComPort");
}

TEST_F(MainForm, OptionMenuOffersOnlyConnection) {
  auto visible = [&](const char* menu) {
    return Find<QMenu>(&Form(), menu)->menuAction()->isVisible();
  };
  EXPECT_TRUE(visible("mnuFile"));
  EXPECT_TRUE(visible("mnuOption"));
  EXPECT_TRUE(visible("mnuHelp"));
  EXPECT_FALSE(visible("mnuLanguage"));
  EXPECT_TRUE(visible("mnuConnection"));
  const QList<QAction*> bar = Form().menuBar()->actions();
  ASSERT_EQ(bar.size(), 3);
  EXPECT_EQ(bar[0]->text(), "File(&F)");
  EXPECT_EQ(bar[1]->text(), "Option(&O)");
  EXPECT_EQ(bar[2]->text(), "Help(&H)");

  EXPECT_FALSE(Find<QAction>(&Form(), "mnuLangSimpChinese")->isVisible());
  EXPECT_TRUE(Find<QAction>(&Form(), "mnuLangEnglish")->isChecked());
  for (const char* item :
       {"mnuLangEnglish", "mnuLangTraChinese", "mnuLangSimpChinese", "mnuSerialPort", "mnuWiFi"}) {
    auto* action = Find<QAction>(&Form(), item);
    EXPECT_TRUE(action->isCheckable()) << item;
    ASSERT_NE(action->actionGroup(), nullptr) << item;
    EXPECT_TRUE(action->actionGroup()->isExclusive()) << item;
  }
  EXPECT_TRUE(Find<QAction>(&Form(), "mnuSerialPort")->isChecked());
  EXPECT_FALSE(Find<QAction>(&Form(), "mnuWiFi")->isChecked());
}

TEST_F(MainForm, ControlsThatAreNotOfferedAreHidden) {
  for (const char* name : {"LabelMMSICantProg",
                           "MemoRecord",
                           "spbTransponder",
                           "cbxGpsAntPower",
                           "cbxSysAlarm",
                           "cbxOutVDO_1sec",
                           "cbxTxEvenGpsLost",
                           "rgpGpsAntPower",
                           "rgpSysAlarmEnable",
                           "rgpOutVDO_1sec",
                           "rgpTxEvenGpsLost",
                           "spbBaudRate",
                           "LabeledEditExOption_WifiPassword",
                           "LabeledEditExOption_WifiPassword_EditLabel",
                           "SpeedButtonExOptions_Config",
                           "ImageChkWiFi",
                           "lblValWiFI",
                           "lblChkWiFi",
                           "ImageChkGps",
                           "lblChkGPS",
                           "lblValGps",
                           "GroupBoxWiFiConnectionMode"}) {
    EXPECT_TRUE(Find<QWidget>(&Form(), name)->isHidden()) << name;
  }
  for (const char* name :
       {"spbCPA", "SpeedButtonSetting", "SpeedButtonReload", "ImageChkNMEA2K", "lblChkNMEA2K",
        "lblValNMEA2K", "ImageChkRx", "GroupBoxSerialConnectionMode", "OpenPort", "btnExit",
        "lblEdtName", "lblEdtName_EditLabel", "cbxBaud_RS232", "cbxBaud_NMEA"}) {
    EXPECT_FALSE(Find<QWidget>(&Form(), name)->isHidden()) << name;
  }
  for (const char* name :
       {"rgpGpsAntPower", "rgpSysAlarmEnable", "rgpOutVDO_1sec", "rgpTxEvenGpsLost"}) {
    auto* group = Find<TRadioGroup>(&Form(), name);
    EXPECT_FALSE(group->isEnabled()) << name;
    EXPECT_EQ(group->Count(), 2) << name;
    EXPECT_EQ(group->ItemIndex(), 0) << name;
  }
  EXPECT_EQ(Find<TRadioGroup>(&Form(), "rgpGpsAntPower")->Button(1)->text(), "5.0 V");
  EXPECT_EQ(Find<TRadioGroup>(&Form(), "rgpSysAlarmEnable")->Button(0)->text(), "OFF");
}

TEST_F(MainForm, ChangingTheMainPageShowsTheBottomButtonsOnlyOnConfiguration) {
  auto* main = Find<QTabWidget>(&Form(), "PageControlMain");
  auto* setting = Find<QWidget>(&Form(), "SpeedButtonSetting");
  auto* reload = Find<QWidget>(&Form(), "SpeedButtonReload");
  main->setCurrentIndex(1);
  EXPECT_TRUE(setting->isHidden());
  EXPECT_TRUE(reload->isHidden());
  main->setCurrentIndex(0);
  EXPECT_FALSE(setting->isHidden());
  EXPECT_FALSE(reload->isHidden());
  QTest::mouseClick(main->tabBar(), Qt::LeftButton, {}, main->tabBar()->tabRect(1).center());
  EXPECT_EQ(main->currentIndex(), 1);
  EXPECT_TRUE(setting->isHidden());
}

// ---- Lists, limits, timers ----------------------------------------------------------

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

TEST_F(MainForm, ListsHoldTheirItemsAndSelections) {
  auto* shipTypes = Find<QComboBox>(&Form(), "cbxShipType");
  ASSERT_EQ(shipTypes->count(), 21);
  EXPECT_EQ(shipTypes->itemText(0), "20 = WIG");
  EXPECT_EQ(shipTypes->itemText(3), "32 = Vessel-Tow,L>200m,W>25m");
  EXPECT_EQ(shipTypes->itemText(11), "51 = Search & rescue vessel");
  EXPECT_EQ(shipTypes->itemText(17), "59 = Resolution 18(Mob-83)");
  EXPECT_EQ(shipTypes->itemText(20), "80 = Tanker");
  EXPECT_EQ(shipTypes->currentIndex(), 0);

  const QStringList rates = {"38400", "9600", "4800"};
  auto* nmeaIn = Find<QComboBox>(&Form(), "cbxBaud_RS232");
  auto* nmeaOut = Find<QComboBox>(&Form(), "cbxBaud_NMEA");
  EXPECT_EQ(Items(nmeaIn), rates);
  EXPECT_EQ(Items(nmeaOut), rates);
  EXPECT_EQ(nmeaIn->currentIndex(), 0);
  EXPECT_EQ(nmeaOut->currentIndex(), -1);
  EXPECT_EQ(nmeaOut->currentText(), "38400");

  auto* baud = Find<QComboBox>(&Form(), "cbxBaudRate");
  EXPECT_EQ(Items(baud), QStringList{"115200"});
  EXPECT_EQ(baud->currentIndex(), 0);
  auto* ports = Find<QComboBox>(&Form(), "cbxComPort");
  if (ports->count() == 0) {
    EXPECT_EQ(ports->currentIndex(), -1);
    EXPECT_EQ(ports->placeholderText(), "N/A");
  } else {
    EXPECT_EQ(ports->currentIndex(), 0);
  }

  EXPECT_EQ(Items(Find<QComboBox>(&Form(), "ComboBoxDscMonitoring")), (QStringList{"OFF", "ON"}));
  EXPECT_EQ(Items(Find<QComboBox>(&Form(), "ComboBoxGpsOutput")), (QStringList{"OFF", "ON"}));
  auto* alarm = Find<QComboBox>(&Form(), "ComboBoxCpaAlarmType");
  EXPECT_EQ(Items(alarm), (QStringList{"OFF", "ON", "Class A Only"}));
  EXPECT_EQ(alarm->currentText(), "OFF");
  auto* security = Find<QComboBox>(&Form(), "ComboBoxExOption_Security");
  EXPECT_EQ(Items(security), (QStringList{"Open", "WPA-PSK TKIP", "WPA2-PSK AES"}));
  EXPECT_EQ(security->currentIndex(), 0);
}

TEST_F(MainForm, SpinEditsHaveTheirRanges) {
  const std::tuple<const char*, int, int> spins[] = {
      {"CSpinEditA", 0, 511}, {"CSpinEditB", 0, 511},  {"CSpinEditC", 0, 63},
      {"CSpinEditD", 0, 63},  {"CSpinEditCPA", 0, 99}, {"CSpinEditTCPA", 0, 99}};
  for (const auto& [name, minimum, maximum] : spins) {
    auto* spin = Find<QSpinBox>(&Form(), name);
    EXPECT_EQ(spin->minimum(), minimum) << name;
    EXPECT_EQ(spin->maximum(), maximum) << name;
  }
}

TEST_F(MainForm, EditsKeepTheirLimitsAndCase) {
  const std::tuple<const char*, int, bool> edits[] = {
      {"lblEdtName", 20, true},
      {"lblEdtCallSign", 7, true},
      {"LabeledEditExOption_SSID", 63, true},
      {"LabeledEditExOption_WifiPassword", 63, true},
      {"LabeledEditCommandText", 86, false},
      {"MaskEditMMSI", 9, false}};
  for (const auto& [name, length, upper] : edits) {
    auto* edit = Find<QLineEdit>(&Form(), name);
    EXPECT_EQ(edit->maxLength(), length) << name;
    edit->clear();
    QTest::keyClicks(edit, "ab1");
    EXPECT_EQ(edit->text(), upper ? "AB1" : (length == 9 ? "1" : "ab1")) << name;
  }
  auto* name = Find<QLineEdit>(&Form(), "lblEdtName");
  name->clear();
  QTest::keyClicks(name, "pacific star of the seas");
  EXPECT_EQ(name->text(), "PACIFIC STAR OF THE ");
  auto* mmsi = Find<QLineEdit>(&Form(), "MaskEditMMSI");
  mmsi->clear();
  QTest::keyClicks(mmsi, "4161234567");
  EXPECT_EQ(mmsi->text(), "416123456");
}

TEST_F(MainForm, TimersHaveTheirIntervalsAndOnlyTimer2Runs) {
  const std::tuple<const char*, int, bool> timers[] = {{"Timer1", 1000, false},
                                                       {"TimerConnection", 200, false},
                                                       {"TimerUpdateSysChk", 1000, false},
                                                       {"Timer2", 1000, true}};
  for (const auto& [name, interval, running] : timers) {
    auto* timer = Find<QTimer>(&Form(), name);
    EXPECT_EQ(timer->interval(), interval) << name;
    EXPECT_EQ(timer->isActive(), running) << name;
  }
}

// ---- Connection display and pictures ------------------------------------------------

TEST_F(MainForm, ConnectionDisplayStartsIdle) {
  auto* status = Find<QLabel>(&Form(), "LabelConnectionStatus");
  EXPECT_EQ(status->text(), "Disconnect...");
  EXPECT_FALSE(status->isEnabled());
  EXPECT_TRUE(status->font().bold());
  auto* button = Find<QPushButton>(&Form(), "OpenPort");
  EXPECT_TRUE(button->isCheckable());
  EXPECT_FALSE(button->isChecked());
  EXPECT_EQ(Form().OpenPortTag(), 0);
  EXPECT_EQ(Form().LinkState, TLinkState::Idle);
  EXPECT_FALSE(Form().DeviceIdentified);
  EXPECT_EQ(Form().Connection().TcpClient(), nullptr);
  EXPECT_TRUE(Find<QRadioButton>(&Form(), "RadioButtonConnectionModeManual")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>(&Form(), "RadioButtonConnectionModeAuto")->isChecked());
  EXPECT_FALSE(Find<QLineEdit>(&Form(), "LabelEditWiFi_TCP_IP")->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>(&Form(), "LabelEditWiFi_Port")->isEnabled());
  EXPECT_EQ(Find<QGroupBox>(&Form(), "GroupBoxWiFiConnectionMode")->geometry(),
            Find<QGroupBox>(&Form(), "GroupBoxSerialConnectionMode")->geometry());
}

TEST_F(MainForm, ShowLinkStatusDrawsTheFrameAndColoursTheLabel) {
  auto* status = Find<QLabel>(&Form(), "LabelConnectionStatus");
  auto* device = Find<QLabel>(&Form(), "ImageConnectToDevice");
  const QImage idle = device->pixmap().toImage();
  Form().ShowLinkStatus(1, kMsgConnected);
  EXPECT_EQ(status->text(), "Connected...");
  EXPECT_TRUE(status->isEnabled());
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_NE(device->pixmap().toImage(), idle);
  Form().ShowLinkStatus(1, kMsgConnecting);
  EXPECT_EQ(status->text(), "Connecting...");
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(Qt::black));
  Form().ResetLinkState();
  EXPECT_EQ(status->text(), "Disconnect...");
  EXPECT_FALSE(status->isEnabled());
  EXPECT_EQ(device->pixmap().toImage(), idle);
  // Each picture is drawn on cream.
  EXPECT_EQ(idle.pixelColor(0, 0), QColor(255, 251, 240));
}

TEST_F(MainForm, PicturesHaveTheirSizesAndFrames) {
  EXPECT_EQ(Form().ImageListConnectToDevice.Count(), 2);
  EXPECT_EQ(Form().ImageListConnectTwoWay.Count(), 8);
  EXPECT_EQ(Form().ImageListSysChk.Count(), 2);
  EXPECT_EQ(Form().ImageListGpsStatusEarth.Count(), 5);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(Form().ImageListConnectToDevice.Picture(i).size(), QSize(120, 32));
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(Form().ImageListConnectTwoWay.Picture(i).size(), QSize(32, 32));
  EXPECT_EQ(Form().ImageListGpsStatusEarth.Picture(0).size(), QSize(200, 200));
  // Every frame of a strip is a picture of its own.
  for (int i = 1; i < 8; ++i) {
    EXPECT_NE(Form().ImageListConnectTwoWay.Picture(i).toImage(),
              Form().ImageListConnectTwoWay.Picture(i - 1).toImage())
        << i;
  }
  EXPECT_NE(Form().ImageListSysChk.Picture(0).toImage(),
            Form().ImageListSysChk.Picture(1).toImage());
  // The system check starts with a cross in every row.
  const QImage cross = Form().ImageListSysChk.Picture(0).toImage();
  for (const char* image : {"ImageChkFwVer", "ImageChkProdSN", "ImageChkWiFi", "ImageChkNMEA2K",
                            "ImageChkGps", "ImageChkRx"}) {
    EXPECT_EQ(Find<QLabel>(&Form(), image)->pixmap().toImage(), cross) << image;
  }
  // Earth: black ground in the corner, the planet in the middle.
  const QImage earth = Form().ImageListGpsStatusEarth.Picture(0).toImage();
  EXPECT_EQ(earth.pixelColor(1, 1), QColor(Qt::black));
  EXPECT_NE(earth.pixelColor(100, 100), QColor(Qt::black));
}

// ---- Drawing, plain text, resize ----------------------------------------------------

TEST_F(MainForm, TabsAreDrawnOnCream) {
  Form().show();
  Find<QTabWidget>(&Form(), "PageControlMain")->setCurrentIndex(1);  // both tab bars shown
  QApplication::processEvents();
  for (const char* name : {"PageControlMain", "PageControlDiagnosis"}) {
    QTabBar* tabs = Find<QTabWidget>(&Form(), name)->tabBar();
    const QImage image = tabs->grab().toImage();
    for (int i = 0; i < tabs->count(); ++i) {
      if (!tabs->isTabVisible(i)) continue;
      const QRect rect = tabs->tabRect(i);
      // Below the right end of the caption: nothing but the fill.
      const QPoint probe(rect.right() - 4, rect.bottom() - 3);
      EXPECT_EQ(image.pixelColor(probe * image.devicePixelRatio()), QColor(255, 251, 240))
          << name << " tab " << i;
    }
  }
  Form().hide();
}

// The first column, counted from the tab's left edge, in which the caption has ink.
int CaptionColumn(const QImage& image, const QRect& tab) {
  for (int x = tab.left() + 2; x < tab.right() - 1; ++x) {
    for (int y = tab.top() + 2; y < tab.bottom() - 1; ++y) {
      if (image.pixelColor(x, y) != QColor(255, 251, 240)) return x - tab.left();
    }
  }
  return -1;
}

TEST_F(MainForm, MainTabCaptionsSitFurtherInWhenActive) {
  Form().show();
  QTabBar* tabs = Find<QTabWidget>(&Form(), "PageControlMain")->tabBar();
  QApplication::processEvents();
  QImage image = tabs->grab().toImage();
  ASSERT_EQ(image.devicePixelRatio(), 1.0);
  EXPECT_GE(CaptionColumn(image, tabs->tabRect(0)), 8);  // active: at (8, 6)
  const int inactive = CaptionColumn(image, tabs->tabRect(1));
  EXPECT_GE(inactive, 5);  // inactive: at (5, 2)
  EXPECT_LT(inactive, 8);
  Form().hide();
}

TEST_F(MainForm, LabelsNeverReadRichText) {
  for (const QObject* root :
       {static_cast<const QObject*>(&Form()), static_cast<const QObject*>(&windows_.About()),
        static_cast<const QObject*>(&windows_.Agreement()),
        static_cast<const QObject*>(&windows_.WaitingProgress())}) {
    for (const QLabel* label : root->findChildren<QLabel*>()) {
      EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
  }
  auto* value = Find<QLabel>(&Form(), "lblValFwVer");
  value->setText("<img src=x><b>1.0</b>");
  EXPECT_EQ(value->text(), "<img src=x><b>1.0</b>");
  EXPECT_EQ(value->textFormat(), Qt::PlainText);
}

TEST_F(MainForm, ResizePlacesTheSatelliteLabelAndTheWindowTop) {
  auto* chart = Find<QWidget>(&Form(), "Chart1");
  auto* label = Find<QWidget>(&Form(), "lblSatelliteID");
  label->move(label->x(), 3);
  Form().move(Form().x(), 200);
  Form().FormResize();
  EXPECT_EQ(label->y(), chart->y() + chart->height() - 20);
  EXPECT_EQ(Form().y(), Form().screen()->geometry().top() + 40);
}

TEST_F(MainForm, DialogsAreAttachedAndTheHandOffIsTheToolkits) {
  EXPECT_EQ(Form().frmAbout, &windows_.About());
  EXPECT_EQ(Form().frmAgreement, &windows_.Agreement());
  EXPECT_EQ(Form().frmWaitingProgress, &windows_.WaitingProgress());
  EXPECT_NE(dynamic_cast<QtUiDispatcher*>(&Form().Dispatcher()), nullptr);
  EXPECT_TRUE(Form().Dispatcher().OnUiThread());
}

TEST_F(MainForm, TheSerialLinkExistsClosedWithItsLineSettings) {
  ASSERT_NE(Form().SerialComm, nullptr);
  EXPECT_FALSE(Form().SerialComm->IsOpen());
  EXPECT_EQ(Form().SerialComm->BaudRate(), link::br115200);
  EXPECT_EQ(Form().SerialComm->Parity(), link::paNone);
  EXPECT_EQ(Form().SerialComm->DataBits(), link::da8);
  EXPECT_EQ(Form().SerialComm->StopBits(), link::sb10);
}

TEST_F(MainForm, SaveDialogsAskThroughThePrompt) {
  EXPECT_FALSE(Form().Prompt().SaveFileName(kSaveRptFileDialog).has_value());
  EXPECT_FALSE(Form().Prompt().SaveFileName(kSaveLogFileDialog).has_value());
  EXPECT_EQ(prompt_.dialogs, (std::vector<std::string>{"SaveRptFileDialog", "SaveLogFileDialog"}));
}

}  // namespace
}  // namespace pelyx::app
