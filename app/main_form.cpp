#include "app/main_form.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>

#include "app/core/settings.h"
#include "app/dialogs.h"
#include "app/pictures.h"
#include "app/qt_ui_dispatcher.h"
#include "app/qt_user_prompt.h"
#include "app/receiver_session.h"
#include "link/comm.h"
#include "link/tcp_client.h"
#include "views/paint_satellite_chart.h"
#include "views/snr_chart.h"

namespace pelyx::app {
namespace {

// The page sizes of the reference layout.
constexpr int kPageWidth = 715;  // inside the configuration and diagnosis page controls
constexpr int kPageHeight = 318;

QWidget* NewPage(QTabWidget* pages, const QString& name, const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(name);
  FillBackground(page, kCream);
  pages->addTab(page, caption);
  return page;
}

QComboBox* NewCombo(const QString& name, const QStringList& items, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->addItems(items);
  return combo;
}

QSpinBox* NewSpin(const QString& name, int minimum, int maximum, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(minimum, maximum);
  spin->setValue(minimum);
  return spin;
}

QCheckBox* NewCheck(const QString& name, const QString& caption, QWidget* parent) {
  auto* check = new QCheckBox(caption, parent);
  check->setObjectName(name);
  return check;
}

QPushButton* NewButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLabel* NewImage(const QString& name, QWidget* parent, int width, int height) {
  QLabel* image = NewLabel(name, QString(), parent);
  image->setFixedSize(width, height);
  image->setAlignment(Qt::AlignCenter);
  return image;
}

QAction* NewAction(const QString& name, const QString& caption, QObject* parent) {
  auto* action = new QAction(caption, parent);
  action->setObjectName(name);
  return action;
}

QMenu* NewMenu(const QString& name, const QString& title, QWidget* parent) {
  auto* menu = new QMenu(title, parent);
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(name + "_Action");
  return menu;
}

// An edit taking up to `maxLength` characters, turned into upper case as typed.
void MakeUpperCase(QLineEdit* edit, int maxLength) {
  edit->setMaxLength(maxLength);
  edit->setValidator(new UpperCaseValidator(edit));
}

// The text colour of an enabled control; disabled, it is greyed.
void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, colour);
    palette.setColor(group, QPalette::ButtonText, colour);
  }
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
  widget->setPalette(palette);
}

// A flat button on the dark blue bottom bar: white caption, and the panel that appears
// under the mouse (or while pressed) is drawn in a deep blue, so the white caption stays
// readable on it; greyed, the caption is a light grey that still shows on the bar.
void SetBarButtonColours(QWidget* button) {
  QPalette palette = button->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Button, kBarButtonPanel);
    palette.setColor(group, QPalette::ButtonText, Qt::white);
    palette.setColor(group, QPalette::WindowText, Qt::white);
  }
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(205, 215, 228));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(205, 215, 228));
  button->setPalette(palette);
}

// Greyed texts on the sky-blue bar: a dark slate grey, plainly greyed beside the black
// of the enabled texts and still readable on the blue and on the greyed boxes.
void SetDisabledTextColours(QWidget* bar) {
  QPalette palette = bar->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, kDisabledOnSkyBlue);
  }
  bar->setPalette(palette);
}

QPixmap OnCream(const QPixmap& picture) {
  QPixmap out(picture.size());
  out.fill(kCream);
  QPainter painter(&out);
  painter.drawPixmap(0, 0, picture);
  return out;
}

// The SNR chart's frame: the axes, the grid and the captions. The bars are drawn by
// the GPS status view.

}  // namespace

// ---- Helpers for page tabs ----------------------------------------------------------

namespace {
QTabWidget* PageControlOf(const QWidget* page) {
  QWidget* stack = page ? page->parentWidget() : nullptr;
  return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}
}  // namespace

void SetTabVisible(QWidget* page, bool visible) {
  if (QTabWidget* pages = PageControlOf(page)) pages->setTabVisible(pages->indexOf(page), visible);
}

bool IsTabVisible(const QWidget* page) {
  QTabWidget* pages = PageControlOf(page);
  return pages && pages->isTabVisible(pages->indexOf(const_cast<QWidget*>(page)));
}

// ---- FormEnvironment ----------------------------------------------------------------

FormEnvironment FormEnvironment::FromPlatform() {
  FormEnvironment environment;
  environment.programFolder = QCoreApplication::applicationDirPath();
  environment.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (environment.documentsFolder.isEmpty()) environment.documentsFolder = QDir::homePath();
  return environment;
}

// ---- Construction -------------------------------------------------------------------

TForm1::TForm1(const FormEnvironment& environment, QWidget* parent)
    : QMainWindow(parent), dispatcher_(std::make_unique<QtUiDispatcher>()) {
  setObjectName("Form1");
  setWindowTitle("Form1");
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(pictures::ProgramIcon(64)));
  QFont font = this->font();
  font.setPixelSize(12);
  setFont(font);

  if (environment.prompt) {
    prompt_ = environment.prompt;
  } else {
    ownPrompt_ = std::make_unique<QtUserPrompt>(this);
    prompt_ = ownPrompt_.get();
  }

  // The controls, as the window is laid out.
  BuildPictures();
  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  client->setFixedSize(kClientWidth, kClientHeight);
  FillBackground(client, kSkyBlue);
  setCentralWidget(client);
  BuildTopBar(client);
  BuildPages(client);
  BuildBottomBar(client);
  BuildMenus();
  BuildTimers();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  layout()->activate();  // fixes the window's size now

  // 1. The message table with its captions (filled in step 4).
  // 2. The system check's flags and counters start clear.
  // 3. The program's folder and the settings file.
  programFolder_ = environment.programFolder;
  LocateSettingsFile(environment.documentsFolder.isEmpty() ? QDir::homePath()
                                                           : environment.documentsFolder);
  // 4. The stored language, then the built-in texts.
  LanguageIndex = 0;
  ReadSettings();
  SetBuiltInTexts();
  // 5. The serial link, the session behind the controls, and the port and baud-rate
  // lists.
  CreateSerialLink();
  session_ = std::make_unique<ReceiverSession>(*this, environment.ports);
  FillPortAndBaudLists();
  session_->Start();
  // 6. The port box shows the Manual sheet, without tabs.
  PageControlDetectComPortMode->SetTabless(true);
  PageControlDetectComPortMode->setCurrentWidget(TabSheetManualDetectComPort);
  lblFirmVer->clear();
  // 7. The connection state.
  ResetLinkState();
  // 9. The ship types.
  FillShipTypes();
  // 10. The first page of every page control.
  PageControlMain->setCurrentIndex(0);
  PageControlConf->setCurrentIndex(0);
  PageControlDiagnosis->setCurrentIndex(0);
  // 11. The system check starts with a cross in every row.
  for (QLabel* image :
       {ImageChkFwVer, ImageChkProdSN, ImageChkWiFi, ImageChkNMEA2K, ImageChkGps, ImageChkRx}) {
    image->setPixmap(ImageListSysChk.Picture(0));
  }
  // 13. The caption.
  setWindowTitle(kCaption);
  // 14. The tabs that are not offered; the configuration pages move on to BAUD RATE.
  for (QWidget* page :
       {TabSheetStatic, TabSheetTransceiver, TabSheetCPA, TabSheetGpsStatus, TabSheetDaughter}) {
    SetTabVisible(page, false);
  }
  // 15.
  ComboBoxExOption_Security->setCurrentIndex(0);
  // 17. EXTENDED OPTIONS, and the Wi-Fi row of the system check.
  SetTabVisible(TabSheetDaughter, false);
  ImageChkWiFi->hide();
  lblValWiFI->hide();
  lblChkWiFi->hide();
  // 18. The Option menu offers only Connection.
  mnuOption->menuAction()->setVisible(false);
  mnuLanguage->menuAction()->setVisible(false);
  mnuConnection->menuAction()->setVisible(false);
  mnuOption->menuAction()->setVisible(true);
  mnuConnection->menuAction()->setVisible(true);
  // 19. No TCP client yet; the box of the selected link.
  ShowConnectionBox();
  ConnectHandlers();

  PageControlMainChange(PageControlMain->currentIndex());

  // Placed in the middle of the desktop.
  if (const QScreen* screen = this->screen()) {
    QRect frame(QPoint(), sizeHint());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

TForm1::~TForm1() {
  // The links end before the hand-off they use.
  session_.reset();
  SerialComm.reset();
}

void TForm1::BuildPictures() {
  ImageListConnectToDevice = TImageList(120, 32);
  for (int i = 0; i < pictures::kConnectToDeviceFrames; ++i) {
    ImageListConnectToDevice.Add(pictures::ConnectToDevice(i));
  }
  ImageListConnectTwoWay = TImageList(32, 32);
  for (int i = 0; i < pictures::kConnectTwoWayFrames; ++i) {
    ImageListConnectTwoWay.Add(pictures::ConnectTwoWay(i));
  }
  ImageListSysChk = TImageList(32, 32);
  ImageListSysChk.Add(pictures::CheckFailed());
  ImageListSysChk.Add(pictures::CheckPassed());
  ImageListGpsStatusEarth = TImageList(200, 200);
  for (int shade = 0; shade < 5; ++shade) ImageListGpsStatusEarth.Add(pictures::Earth(shade));
}

void TForm1::BuildTopBar(QWidget* client) {
  PanelTop = new QFrame(client);
  PanelTop->setObjectName("PanelTop");
  PanelTop->setGeometry(0, 0, kClientWidth, kTopBarHeight);
  SetDisabledTextColours(PanelTop);

  // The serial link's box.
  GroupBoxSerialConnectionMode = new QGroupBox("Serial Port and Baud Rate Setting", PanelTop);
  GroupBoxSerialConnectionMode->setObjectName("GroupBoxSerialConnectionMode");
  GroupBoxSerialConnectionMode->setGeometry(6, 2, 330, 74);
  RadioButtonConnectionModeManual = new QRadioButton("Manual", GroupBoxSerialConnectionMode);
  RadioButtonConnectionModeManual->setObjectName("RadioButtonConnectionModeManual");
  RadioButtonConnectionModeManual->setGeometry(10, 22, 74, 20);
  RadioButtonConnectionModeManual->setChecked(true);
  RadioButtonConnectionModeAuto = new QRadioButton("Auto", GroupBoxSerialConnectionMode);
  RadioButtonConnectionModeAuto->setObjectName("RadioButtonConnectionModeAuto");
  RadioButtonConnectionModeAuto->setGeometry(10, 46, 74, 20);

  PageControlDetectComPortMode = new TPageControl(GroupBoxSerialConnectionMode);
  PageControlDetectComPortMode->setObjectName("PageControlDetectComPortMode");
  PageControlDetectComPortMode->setDocumentMode(true);
  PageControlDetectComPortMode->setGeometry(88, 17, 238, 54);
  TabSheetAutoConnectComPort = new QWidget;
  TabSheetAutoConnectComPort->setObjectName("TabSheetAutoConnectComPort");
  PageControlDetectComPortMode->addTab(TabSheetAutoConnectComPort, "Auto");
  TabSheetManualDetectComPort = new QWidget;
  TabSheetManualDetectComPort->setObjectName("TabSheetManualDetectComPort");
  PageControlDetectComPortMode->addTab(TabSheetManualDetectComPort, "Manual");
  for (QWidget* sheet : {TabSheetAutoConnectComPort, TabSheetManualDetectComPort}) {
    FillBackground(sheet, GroupBoxSerialConnectionMode->palette().color(QPalette::Window));
    sheet->setAutoFillBackground(false);
  }

  LabelAutoComPort = NewLabel("LabelAutoComPort", "Serial Port", TabSheetAutoConnectComPort);
  LabelAutoComPort->setGeometry(0, 3, 78, 22);
  EditAutoDetectComPort = new QLineEdit(TabSheetAutoConnectComPort);
  EditAutoDetectComPort->setObjectName("EditAutoDetectComPort");
  EditAutoDetectComPort->setGeometry(80, 3, 154, 22);
  EditAutoDetectComPort->setReadOnly(true);
  LabelAutoBaudRate = NewLabel("LabelAutoBaudRate", "Baud Rate", TabSheetAutoConnectComPort);
  LabelAutoBaudRate->setGeometry(0, 29, 78, 22);
  EditAutoDetectBaudRate = new QLineEdit(TabSheetAutoConnectComPort);
  EditAutoDetectBaudRate->setObjectName("EditAutoDetectBaudRate");
  EditAutoDetectBaudRate->setGeometry(80, 29, 154, 22);
  EditAutoDetectBaudRate->setReadOnly(true);

  lblSerialPort = NewLabel("lblSerialPort", "Serial Port", TabSheetManualDetectComPort);
  lblSerialPort->setGeometry(0, 3, 78, 22);
  cbxComPort = NewCombo("cbxComPort", {}, TabSheetManualDetectComPort);
  cbxComPort->setGeometry(80, 3, 154, 22);
  cbxComPort->setPlaceholderText("N/A");
  // A device path can be typed: an adapter under another name, a multiplexer's terminal.
  cbxComPort->setEditable(true);
  cbxComPort->setInsertPolicy(QComboBox::NoInsert);
  cbxComPort->lineEdit()->setPlaceholderText("N/A");
  lblBaudRate = NewLabel("lblBaudRate", "Baud Rate", TabSheetManualDetectComPort);
  lblBaudRate->setGeometry(0, 29, 78, 22);
  cbxBaudRate = NewCombo("cbxBaudRate", {}, TabSheetManualDetectComPort);
  cbxBaudRate->setGeometry(80, 29, 154, 22);

  // The Wi-Fi link's box, in the same place, hidden until Wi-Fi is chosen.
  GroupBoxWiFiConnectionMode = new QGroupBox("Wi-Fi Setting", PanelTop);
  GroupBoxWiFiConnectionMode->setObjectName("GroupBoxWiFiConnectionMode");
  GroupBoxWiFiConnectionMode->setGeometry(GroupBoxSerialConnectionMode->geometry());
  LabelEditWiFi_TCP_IP =
      new TLabeledEdit("LabelEditWiFi_TCP_IP", "IP Address/Name", GroupBoxWiFiConnectionMode,
                       TLabeledEdit::LabelPosition::kLeft);
  LabelEditWiFi_TCP_IP->setGeometry(124, 20, 196, 22);
  LabelEditWiFi_TCP_IP->setText("192.168.2.1");
  LabelEditWiFi_TCP_IP->setMaxLength(19);
  LabelEditWiFi_TCP_IP->setEnabled(false);
  LabelEditWiFi_Port = new TLabeledEdit("LabelEditWiFi_Port", "Port", GroupBoxWiFiConnectionMode,
                                        TLabeledEdit::LabelPosition::kLeft);
  LabelEditWiFi_Port->setGeometry(124, 46, 80, 22);
  LabelEditWiFi_Port->setText("3333");
  LabelEditWiFi_Port->setMaxLength(5);
  LabelEditWiFi_Port->setValidator(
      new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), LabelEditWiFi_Port));
  LabelEditWiFi_Port->setEnabled(false);
  GroupBoxWiFiConnectionMode->hide();

  // The connection display on a cream card.
  PanelLinkStatus = new QFrame(PanelTop);
  PanelLinkStatus->setObjectName("PanelLinkStatus");
  PanelLinkStatus->setGeometry(342, 6, 128, 68);
  PanelLinkStatus->setFrameShape(QFrame::StyledPanel);
  PanelLinkStatus->setFrameShadow(QFrame::Sunken);
  FillBackground(PanelLinkStatus, kCream);
  ImageConnectToDevice = NewImage("ImageConnectToDevice", PanelLinkStatus, 120, 32);
  ImageConnectToDevice->move(4, 5);
  ImageConnectTwoWay = NewImage("ImageConnectTwoWay", PanelLinkStatus, 32, 32);
  ImageConnectTwoWay->move(4 + 44, 5);
  ImageConnectTwoWay->raise();
  LabelConnectionStatus = NewLabel("LabelConnectionStatus", "Disconnect", PanelLinkStatus);
  LabelConnectionStatus->setGeometry(2, 40, 124, 24);
  LabelConnectionStatus->setAlignment(Qt::AlignCenter);
  QFont bold = LabelConnectionStatus->font();
  bold.setBold(true);
  LabelConnectionStatus->setFont(bold);
  LabelConnectionStatus->setEnabled(false);

  OpenPort = NewButton("OpenPort", "Connect", PanelTop);
  OpenPort->setGeometry(478, 13, 120, 54);
  OpenPort->setCheckable(true);
  OpenPort->setProperty("tag", 0);
  QFont large = OpenPort->font();
  large.setBold(true);
  large.setPixelSize(14);
  OpenPort->setFont(large);

  btnExit = NewButton("btnExit", "EXIT", PanelTop);
  btnExit->setGeometry(kClientWidth - 6 - 110, 13, 110, 54);
  btnExit->setFont(large);
  connect(btnExit, &QPushButton::clicked, this, &QWidget::close);
}

void TForm1::BuildPages(QWidget* client) {
  auto* mainTabs = new TOwnerDrawTabBar;
  mainTabs->SetFixedTabSize(QSize(355, 30));
  mainTabs->SetDrawTab([this](QPainter& p, int i, const QRect& r, bool active) {
    PageControlMainDrawTab(p, i, r, active);
  });
  PageControlMain = new TPageControl(client, mainTabs);
  PageControlMain->setObjectName("PageControlMain");
  PageControlMain->setDocumentMode(true);
  PageControlMain->setGeometry(0, kTopBarHeight, kClientWidth,
                               kClientHeight - kTopBarHeight - kBottomBarHeight);
  TabSheetConfig = NewPage(PageControlMain, "TabSheetConfig", "Configuration");
  TabSheetDiagnosis = NewPage(PageControlMain, "TabSheetDiagnosis", "Diagnosis");
  connect(PageControlMain, &QTabWidget::currentChanged, this, &TForm1::PageControlMainChange);

  PageControlConf = new TPageControl(TabSheetConfig);
  PageControlConf->setObjectName("PageControlConf");
  PageControlConf->setGeometry(4, 4, kPageWidth, kPageHeight + 26);
  TabSheetStatic = NewPage(PageControlConf, "TabSheetStatic", "STATIC DATA");
  TabSheetTransceiver = NewPage(PageControlConf, "TabSheetTransceiver", "TRANSCEIVER");
  TabSheetBaudRate = NewPage(PageControlConf, "TabSheetBaudRate", "BAUD RATE");
  TabSheetCPA = NewPage(PageControlConf, "TabSheetCPA", "CPA");
  TabSheetView = NewPage(PageControlConf, "TabSheetView", "VIEW");
  TabSheetDaughter = NewPage(PageControlConf, "TabSheetDaughter", "EXTENDED OPTIONS");
  BuildStaticPage();
  BuildTransceiverPage();
  BuildBaudRatePage();
  BuildCpaPage();
  BuildViewPage();
  BuildDaughterPage();
  SetTabVisible(TabSheetView, false);  // not offered

  auto* diagnosisTabs = new TOwnerDrawTabBar;
  diagnosisTabs->SetDrawTab([this](QPainter& p, int i, const QRect& r, bool active) {
    PageControlDiagnosisDrawTab(p, i, r, active);
  });
  PageControlDiagnosis = new TPageControl(TabSheetDiagnosis, diagnosisTabs);
  PageControlDiagnosis->setObjectName("PageControlDiagnosis");
  PageControlDiagnosis->setGeometry(4, 4, kPageWidth, kPageHeight + 26);
  TabSheetSystemCheck = NewPage(PageControlDiagnosis, "TabSheetSystemCheck", "SYSTEM CHECK");
  TabSheetGpsStatus = NewPage(PageControlDiagnosis, "TabSheetGpsStatus", "GPS STATUS");
  TabSheetDataLog = NewPage(PageControlDiagnosis, "TabSheetDataLog", "DATA LOG");
  BuildSystemCheckPage();
  BuildGpsStatusPage();
  BuildDataLogPage();
}

void TForm1::BuildStaticPage() {
  QWidget* page = TabSheetStatic;
  lblEdtName = new TLabeledEdit("lblEdtName", "NAME ", page, TLabeledEdit::LabelPosition::kLeft);
  lblEdtName->setGeometry(110, 20, 230, 24);
  MakeUpperCase(lblEdtName, 20);
  lblEdtCallSign =
      new TLabeledEdit("lblEdtCallSign", "CALL SIGN ", page, TLabeledEdit::LabelPosition::kLeft);
  lblEdtCallSign->setGeometry(110, 54, 120, 24);
  MakeUpperCase(lblEdtCallSign, 7);

  LabelMMSI = NewLabel("LabelMMSI", "MMSI", page);
  LabelMMSI->setGeometry(14, 88, 90, 24);
  MaskEditMMSI = new QLineEdit("000000000", page);
  MaskEditMMSI->setObjectName("MaskEditMMSI");
  MaskEditMMSI->setGeometry(110, 88, 120, 24);
  MaskEditMMSI->setMaxLength(9);
  MaskEditMMSI->setValidator(
      new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), MaskEditMMSI));
  LabelMMSICantProg = NewLabel("LabelMMSICantProg", QString(), page);
  LabelMMSICantProg->setGeometry(238, 88, 130, 40);
  LabelMMSICantProg->setWordWrap(true);
  SetTextColour(LabelMMSICantProg, QColor(200, 30, 30));
  LabelMMSICantProg->hide();

  LabelShipType = NewLabel("LabelShipType", "Ship Type", page);
  LabelShipType->setGeometry(14, 122, 90, 24);
  cbxShipType = NewCombo("cbxShipType", {}, page);
  cbxShipType->setGeometry(110, 122, 250, 24);
  stShipCargoType = NewLabel("stShipCargoType", QString(), page);
  stShipCargoType->setGeometry(110, 154, 250, 44);
  stShipCargoType->setFrameShape(QFrame::Box);
  stShipCargoType->setWordWrap(true);
  stShipCargoType->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  stShipCargoType->setMargin(3);
  FillBackground(stShipCargoType, QColor(255, 255, 160));

  lblFirmVer = NewLabel("lblFirmVer", QString(), page);
  lblFirmVer->setGeometry(14, kPageHeight - 30, 346, 22);
  lblFirmVer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  GroupBoxDimension = new QGroupBox("Ship's Dimension", page);
  GroupBoxDimension->setObjectName("GroupBoxDimension");
  GroupBoxDimension->setGeometry(380, 8, 326, kPageHeight - 16);
  ImageShip = NewImage("ImageShip", GroupBoxDimension, 140, kPageHeight - 50);
  ImageShip->move(10, 24);
  ImageShip->setPixmap(pictures::ShipDimensions(140, kPageHeight - 50));
  struct Row {
    QSpinBox** spin;
    const char* name;
    const char* letter;
    int maximum;
    const char* range;
  };
  const Row rows[] = {{&CSpinEditA, "CSpinEditA", "A", 511, "(0~511m)"},
                      {&CSpinEditB, "CSpinEditB", "B", 511, "(0~511m)"},
                      {&CSpinEditC, "CSpinEditC", "C", 63, "(0~63m)"},
                      {&CSpinEditD, "CSpinEditD", "D", 63, "(0~63m)"}};
  int y = 44;
  for (const Row& row : rows) {
    QLabel* letter =
        NewLabel(QString("LabelDimension") + row.letter, row.letter, GroupBoxDimension);
    letter->setGeometry(166, y, 20, 24);
    QFont bold = letter->font();
    bold.setBold(true);
    letter->setFont(bold);
    *row.spin = NewSpin(row.name, 0, row.maximum, GroupBoxDimension);
    (*row.spin)->setGeometry(188, y, 64, 24);
    QLabel* range = NewLabel(QString("LabelRange") + row.letter, row.range, GroupBoxDimension);
    range->setGeometry(258, y, 64, 24);
    y += 56;
  }

  MemoRecord = new QPlainTextEdit(page);
  MemoRecord->setObjectName("MemoRecord");
  MemoRecord->setGeometry(14, 204, 346, 60);
  MemoRecord->hide();
}

void TForm1::BuildTransceiverPage() {
  QWidget* page = TabSheetTransceiver;
  lblDscMonitoring = NewLabel("lblDscMonitoring", "DSC Monitoring", page);
  lblDscMonitoring->setGeometry(30, 30, 150, 24);
  ComboBoxDscMonitoring = NewCombo("ComboBoxDscMonitoring", {"OFF", "ON"}, page);
  ComboBoxDscMonitoring->setGeometry(190, 30, 110, 24);
  lblGpsOutput = NewLabel("lblGpsOutput", "GPS Output", page);
  lblGpsOutput->setGeometry(30, 66, 150, 24);
  ComboBoxGpsOutput = NewCombo("ComboBoxGpsOutput", {"OFF", "ON"}, page);
  ComboBoxGpsOutput->setGeometry(190, 66, 110, 24);

  spbTransponder =
      new TSpeedButton("spbTransponder", "Config", pictures::ConfigDeviceGlyph(), page);
  spbTransponder->setGeometry(600, 10, 100, 60);
  spbTransponder->hide();

  struct Row {
    QCheckBox** check;
    const char* checkName;
    const char* caption;
    TRadioGroup** group;
    const char* groupName;
    const char* groupCaption;
    QStringList items;
  };
  const Row rows[] = {
      {&cbxGpsAntPower,
       "cbxGpsAntPower",
       "GPS Antenna",
       &rgpGpsAntPower,
       "rgpGpsAntPower",
       "Voltage",
       {"3.3 V", "5.0 V"}},
      {&cbxSysAlarm,
       "cbxSysAlarm",
       "Alarm",
       &rgpSysAlarmEnable,
       "rgpSysAlarmEnable",
       "",
       {"OFF", "ON"}},
      {&cbxOutVDO_1sec,
       "cbxOutVDO_1sec",
       "Output VDO every second",
       &rgpOutVDO_1sec,
       "rgpOutVDO_1sec",
       "",
       {"OFF", "ON"}},
      {&cbxTxEvenGpsLost,
       "cbxTxEvenGpsLost",
       "TX even GPS lost",
       &rgpTxEvenGpsLost,
       "rgpTxEvenGpsLost",
       "",
       {"OFF", "ON"}},
  };
  int y = 110;
  for (const Row& row : rows) {
    *row.check = NewCheck(row.checkName, row.caption, page);
    (*row.check)->setGeometry(30, y + 14, 200, 22);
    (*row.check)->hide();
    *row.group = new TRadioGroup(row.groupName, row.groupCaption, row.items, page);
    (*row.group)->setGeometry(240, y, 120, 48);
    (*row.group)->setEnabled(false);
    (*row.group)->hide();
    y += 50;
  }
}

void TForm1::BuildBaudRatePage() {
  QWidget* page = TabSheetBaudRate;
  const QStringList rates = {"38400", "9600", "4800"};
  auto* validator = new QRegularExpressionValidator(QRegularExpression("[0-9]{0,6}"), page);

  QLabel* ports = NewImage("ImagePorts", page, 170, 150);
  ports->move(40, 60);
  ports->setPixmap(pictures::ReceiverPorts(170, 150, 50, 102));
  Label1 = NewLabel("Label1", "NMEA IN", page);
  Label1->setGeometry(222, 96, 112, 28);
  cbxBaud_RS232 = NewCombo("cbxBaud_RS232", rates, page);
  cbxBaud_RS232->setGeometry(340, 96, 160, 28);
  Label2 = NewLabel("Label2", "NMEA OUT", page);
  Label2->setGeometry(222, 148, 112, 28);
  cbxBaud_NMEA = NewCombo("cbxBaud_NMEA", rates, page);
  cbxBaud_NMEA->setGeometry(340, 148, 160, 28);
  QFont larger = Label1->font();
  larger.setPixelSize(14);
  larger.setBold(true);
  for (QComboBox* combo : {cbxBaud_RS232, cbxBaud_NMEA}) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->lineEdit()->setValidator(validator);
    combo->setFont(larger);
  }
  Label1->setFont(larger);
  Label2->setFont(larger);
  // NMEA IN starts on its first rate; NMEA OUT shows 38400 with no item chosen until the
  // receiver reports its rate.
  cbxBaud_RS232->setCurrentIndex(0);
  cbxBaud_NMEA->setCurrentIndex(-1);
  cbxBaud_NMEA->setEditText("38400");

  spbBaudRate = new TSpeedButton("spbBaudRate", "Config", pictures::ConfigDeviceGlyph(), page);
  spbBaudRate->setGeometry(560, 110, 100, 60);
  spbBaudRate->hide();
}

void TForm1::BuildCpaPage() {
  QWidget* page = TabSheetCPA;
  lblCPA = NewLabel("lblCPA", "CPA (nm)", page);
  lblCPA->setGeometry(30, 30, 130, 24);
  CSpinEditCPA = NewSpin("CSpinEditCPA", 0, 99, page);
  CSpinEditCPA->setGeometry(170, 30, 70, 24);
  lblTCPA = NewLabel("lblTCPA", "TCPA (min) ", page);
  lblTCPA->setGeometry(30, 66, 130, 24);
  CSpinEditTCPA = NewSpin("CSpinEditTCPA", 0, 99, page);
  CSpinEditTCPA->setGeometry(170, 66, 70, 24);
  lblCpaAlarmType = NewLabel("lblCpaAlarmType", "Alarm Type", page);
  lblCpaAlarmType->setGeometry(30, 102, 130, 24);
  ComboBoxCpaAlarmType = NewCombo("ComboBoxCpaAlarmType", {"OFF", "ON", "Class A Only"}, page);
  ComboBoxCpaAlarmType->setGeometry(170, 102, 140, 24);
  ComboBoxCpaAlarmType->setCurrentIndex(0);
  spbCPA = new TSpeedButton("spbCPA", "Config", pictures::ConfigDeviceGlyph(), page);
  spbCPA->setGeometry(340, 60, 100, 60);
}

void TForm1::BuildViewPage() {
  QWidget* page = TabSheetView;
  lblNotes = NewLabel("lblNotes",
                      "Please press [Send Command] button to view AIS static data on the memo "
                      "below.\nYou may have to wait for a few seconds to see the specific data.",
                      page);
  lblNotes->setGeometry(10, 6, 570, 48);
  lblNotes->setWordWrap(true);
  spbDbgViewCmd =
      new TSpeedButton("spbDbgViewCmd", "Read Device", pictures::ReadDeviceGlyph(), page);
  spbDbgViewCmd->setGeometry(600, 2, 104, 54);
  Memo1 = new QPlainTextEdit(page);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(10, 60, kPageWidth - 20, kPageHeight - 68);
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm1::BuildDaughterPage() {
  QWidget* page = TabSheetDaughter;
  LabelExOption_Title =
      NewLabel("LabelExOption_Title", "Supporting IEEE 802.11 b/g/n all modes.", page);
  LabelExOption_Title->setGeometry(20, 14, 400, 24);
  LabeledEditExOption_SSID = new TLabeledEdit("LabeledEditExOption_SSID", "SSID", page,
                                              TLabeledEdit::LabelPosition::kLeft);
  LabeledEditExOption_SSID->setGeometry(120, 54, 280, 24);
  MakeUpperCase(LabeledEditExOption_SSID, 63);
  LabelExOption_Encryption = NewLabel("LabelExOption_Encryption", "Security", page);
  LabelExOption_Encryption->setGeometry(20, 90, 90, 24);
  ComboBoxExOption_Security =
      NewCombo("ComboBoxExOption_Security", {"Open", "WPA-PSK TKIP", "WPA2-PSK AES"}, page);
  ComboBoxExOption_Security->setGeometry(120, 90, 180, 24);
  LabeledEditExOption_WifiPassword = new TLabeledEdit(
      "LabeledEditExOption_WifiPassword", "Password", page, TLabeledEdit::LabelPosition::kLeft);
  LabeledEditExOption_WifiPassword->setGeometry(120, 126, 280, 24);
  MakeUpperCase(LabeledEditExOption_WifiPassword, 63);
  LabeledEditExOption_WifiPassword->setVisible(false);
  SpeedButtonExOptions_Config = new TSpeedButton("SpeedButtonExOptions_Config", "Config",
                                                 pictures::ConfigDeviceGlyph(), page);
  SpeedButtonExOptions_Config->setGeometry(440, 60, 100, 60);
  SpeedButtonExOptions_Config->hide();
}

void TForm1::BuildSystemCheckPage() {
  QWidget* page = TabSheetSystemCheck;
  PanelSystemCheck = new QFrame(page);
  PanelSystemCheck->setObjectName("PanelSystemCheck");
  PanelSystemCheck->setGeometry(10, 10, 560, kPageHeight - 20);
  PanelSystemCheck->setFrameShape(QFrame::StyledPanel);
  PanelSystemCheck->setFrameShadow(QFrame::Sunken);
  FillBackground(PanelSystemCheck, QColor(255, 255, 250));
  auto* rows = new QVBoxLayout(PanelSystemCheck);
  rows->setContentsMargins(14, 10, 14, 10);
  rows->setSpacing(8);

  QFont captionFont = PanelSystemCheck->font();
  captionFont.setPixelSize(14);
  captionFont.setBold(true);
  QFont valueFont = captionFont;
  valueFont.setBold(false);
  auto row = [&](QLabel** image, const char* imageName, QLabel** caption, const char* captionName,
                 const char* captionText) {
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    *image = NewImage(imageName, PanelSystemCheck, 32, 32);
    *caption = NewLabel(captionName, captionText, PanelSystemCheck);
    (*caption)->setFont(captionFont);
    (*caption)->setFixedWidth(220);
    line->addWidget(*image);
    line->addWidget(*caption);
    rows->addLayout(line);
    return line;
  };
  auto value = [&](QHBoxLayout* line, QLabel** label, const char* name, const char* text) {
    *label = NewLabel(name, text, PanelSystemCheck);
    (*label)->setFont(valueFont);
    (*label)->setMinimumWidth(60);
    line->addWidget(*label);
  };
  QHBoxLayout* line;
  line = row(&ImageChkFwVer, "ImageChkFwVer", &lblChkFwVer, "lblChkFwVer", "Firmware Version");
  value(line, &lblValFwVer, "lblValFwVer", "---------");
  line->addStretch();
  line =
      row(&ImageChkProdSN, "ImageChkProdSN", &lblChkProdSN, "lblChkProdSN", "Product Serial No.");
  value(line, &lblValProdSN, "lblValProdSN", "---------");
  line->addStretch();
  line = row(&ImageChkWiFi, "ImageChkWiFi", &lblChkWiFi, "lblChkWiFi", "Wi-Fi Connected");
  value(line, &lblValWiFI, "lblValWiFI", "Workable");
  line->addStretch();
  line =
      row(&ImageChkNMEA2K, "ImageChkNMEA2K", &lblChkNMEA2K, "lblChkNMEA2K", "NMEA-2000 Connected");
  value(line, &lblValNMEA2K, "lblValNMEA2K", "Workable");
  line->addStretch();
  line = row(&ImageChkGps, "ImageChkGps", &lblChkGPS, "lblChkGPS", "GPS");
  value(line, &lblValGps, "lblValGps", "N/A");
  line->addStretch();
  for (QWidget* hidden : {static_cast<QWidget*>(ImageChkGps), static_cast<QWidget*>(lblChkGPS),
                          static_cast<QWidget*>(lblValGps)}) {
    hidden->hide();  // the GPS row is not offered
  }
  line = row(&ImageChkRx, "ImageChkRx", &lblChkRx, "lblChkRx", "RX position reports");
  value(line, &lblChkRxCntChA, "lblChkRxCntChA", "Channel A: ");
  value(line, &lblValRxCntA, "lblValRxCntA", "0");
  value(line, &lblChkRxCntChB, "lblChkRxCntChB", "Channel B: ");
  value(line, &lblValRxCntB, "lblValRxCntB", "0");
  lblChkRxCntChA->setMinimumWidth(0);
  lblChkRxCntChB->setMinimumWidth(0);
  line->addStretch();
  rows->addStretch();

  SpeedButtonClearCheck =
      new TSpeedButton("SpeedButtonClearCheck", "Reset checks", pictures::ResetGlyph(), page);
  SpeedButtonClearCheck->setGeometry(590, 14, 112, 64);
}

void TForm1::BuildGpsStatusPage() {
  QWidget* page = TabSheetGpsStatus;
  // The sky plot at the top left, the fields beside and below it, the SNR chart on the
  // right.
  PanelSatelliteMap = new QFrame(page);
  PanelSatelliteMap->setObjectName("PanelSatelliteMap");
  PanelSatelliteMap->setGeometry(4, 4, 198, 200);
  ImageGpsMap = NewImage("ImageGpsMap", PanelSatelliteMap, 198, 200);
  ImageGpsMap->move(0, 0);
  ImageGpsMap->setPixmap(ImageListGpsStatusEarth.Picture(0));
  ImageGpsMap->setScaledContents(true);

  struct Field {
    TLabeledEdit** edit;
    const char* name;
    const char* caption;
    QRect place;
  };
  const Field fields[] = {
      {&lblEdtGpsUtcDate, "lblEdtGpsUtcDate", "UTC Date", {208, 20, 90, 20}},
      {&lblEdtGpsUtcTime, "lblEdtGpsUtcTime", "UTC Time", {208, 60, 90, 20}},
      {&lblEdtGpsFixMode, "lblEdtGpsFixMode", "Fix Mode", {208, 100, 90, 20}},
      {&lblEdtGpsNoSV_InView, "lblEdtGpsNoSV_InView", "Satellites in view", {208, 140, 90, 20}},
      {&lblEdtGpsNoSV_InUse, "lblEdtGpsNoSV_InUse", "Satellites in use", {208, 180, 90, 20}},
      {&lblEdtGpsLat, "lblEdtGpsLat", "Latitude", {4, 226, 96, 20}},
      {&lblEdtGpsLon, "lblEdtGpsLon", "Longitude", {104, 226, 96, 20}},
      {&lblEdtHdop, "lblEdtHdop", "HDOP", {208, 226, 90, 20}},
      {&lblEdtGpsSOG, "lblEdtGpsSOG", "SOG", {4, 270, 96, 20}},
      {&lblEdtGpsCOG, "lblEdtGpsCOG", "COG", {104, 270, 96, 20}},
  };
  for (const Field& field : fields) {
    *field.edit =
        new TLabeledEdit(field.name, field.caption, page, TLabeledEdit::LabelPosition::kAbove);
    (*field.edit)->setGeometry(field.place);
    (*field.edit)->setReadOnly(true);
  }

  SatelliteMap = new views::TPaintSatelliteChart(PanelSatelliteMap);
  SatelliteMap->setObjectName("SatelliteMap");
  SatelliteMap->SetBackground(ImageGpsMap);

  Chart1 = new views::TSnrChart(page);
  Chart1->setObjectName("Chart1");
  Chart1->setGeometry(kPageWidth - 409 - 2, 0, 409, 320);
  Chart1->SetShowAxisTitle(false);  // lblSatelliteID names the axis
  lblSatelliteID = NewLabel("lblSatelliteID", "Satellite ID", page);
  lblSatelliteID->setAlignment(Qt::AlignCenter);
  lblSatelliteID->setGeometry(Chart1->x(), Chart1->y() + Chart1->height() - 20, Chart1->width(),
                              18);
}

void TForm1::BuildDataLogPage() {
  QWidget* page = TabSheetDataLog;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  // The log keeps the newest lines; the oldest go once it holds more.
  MemoDataLog = new TLogMemo("MemoDataLog", kDataLogMaxLines, page);
  MemoDataLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoDataLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoDataLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont mono("DejaVu Sans Mono");
  mono.setStyleHint(QFont::TypeWriter);
  mono.setPixelSize(12);
  MemoDataLog->setFont(mono);
  MemoDataLog->setToolTip(QString("The received lines, the newest last. The log keeps the last "
                                  "%1 lines; older ones are dropped.")
                              .arg(kDataLogMaxLines));
  layout->addWidget(MemoDataLog, 1);

  auto* bottom = new QWidget(page);
  bottom->setObjectName("PanelDataLogBottom");
  bottom->setFixedHeight(58);
  layout->addWidget(bottom);
  cbxEnableLog = NewCheck("cbxEnableLog", "Enable Log", bottom);
  cbxEnableLog->setGeometry(4, 28, 110, 24);
  btnSaveLog = NewButton("btnSaveLog", "Save", bottom);
  btnSaveLog->setGeometry(118, 26, 78, 28);
  btnClearLog = NewButton("btnClearLog", "Clear", bottom);
  btnClearLog->setGeometry(202, 26, 78, 28);
  LabeledEditCommandText = new TLabeledEdit("LabeledEditCommandText", " Enter command below",
                                            bottom, TLabeledEdit::LabelPosition::kAbove);
  LabeledEditCommandText->setGeometry(298, 28, 282, 24);
  LabeledEditCommandText->setMaxLength(86);
  btnSendCommand = NewButton("btnSendCommand", "Send Command", bottom);
  btnSendCommand->setGeometry(586, 26, 114, 28);
}

void TForm1::BuildBottomBar(QWidget* client) {
  const int top = kClientHeight - kBottomBarHeight;
  ImageBottomBar = NewImage("ImageBottomBar", client, kClientWidth, kBottomBarHeight);
  ImageBottomBar->move(0, top);
  ImageBottomBar->setPixmap(pictures::BottomBar(kClientWidth, kBottomBarHeight));

  SpeedButtonSetting = new TSpeedButton("SpeedButtonSetting", "Config Device",
                                        pictures::ConfigDeviceGlyph(), client);
  SpeedButtonSetting->setGeometry(8, top + 2, 128, kBottomBarHeight - 4);
  SpeedButtonReload =
      new TSpeedButton("SpeedButtonReload", "Read Device", pictures::ReadDeviceGlyph(), client);
  SpeedButtonReload->setGeometry(kClientWidth - 8 - 128, top + 2, 128, kBottomBarHeight - 4);
  for (TSpeedButton* button : {SpeedButtonSetting, SpeedButtonReload}) {
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    SetBarButtonColours(button);
  }
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");

  mnuFile = NewMenu("mnuFile", "File(&F)", bar);
  mnuExit = NewAction("mnuExit", "Exit(&X)", this);
  mnuFile->addAction(mnuExit);
  connect(mnuExit, &QAction::triggered, this, &QWidget::close);
  bar->addMenu(mnuFile);

  mnuOption = NewMenu("mnuOption", "Option(&O)", bar);
  mnuLanguage = NewMenu("mnuLanguage", "Language(&L)", mnuOption);
  languageGroup_ = new QActionGroup(this);
  languageGroup_->setExclusive(true);
  mnuLangEnglish = NewAction("mnuLangEnglish", "English(&E)", this);
  mnuLangTraChinese = NewAction("mnuLangTraChinese", "Traditional Chinese(&T)", this);
  mnuLangSimpChinese = NewAction("mnuLangSimpChinese", "Simplified Chinese(&S)", this);
  for (QAction* item : {mnuLangEnglish, mnuLangTraChinese, mnuLangSimpChinese}) {
    item->setCheckable(true);
    languageGroup_->addAction(item);
    mnuLanguage->addAction(item);
  }
  mnuLangEnglish->setChecked(true);
  mnuLangSimpChinese->setVisible(false);
  mnuOption->addMenu(mnuLanguage);

  mnuConnection = NewMenu("mnuConnection", "Connection (&C)", mnuOption);
  connectionGroup_ = new QActionGroup(this);
  connectionGroup_->setExclusive(true);
  mnuSerialPort = NewAction("mnuSerialPort", "Serial Port", this);
  mnuWiFi = NewAction("mnuWiFi", "Wi-Fi", this);
  for (QAction* item : {mnuSerialPort, mnuWiFi}) {
    item->setCheckable(true);
    connectionGroup_->addAction(item);
    mnuConnection->addAction(item);
  }
  mnuSerialPort->setChecked(true);
  mnuOption->addMenu(mnuConnection);
  bar->addMenu(mnuOption);

  mnuHelp = NewMenu("mnuHelp", "Help(&H)", bar);
  mnuAbout = NewAction("mnuAbout", "About(&A)", this);
  mnuHelp->addAction(mnuAbout);
  connect(mnuAbout, &QAction::triggered, this, &TForm1::mnuAboutClick);
  bar->addMenu(mnuHelp);
}

void TForm1::BuildTimers() {
  auto timer = [this](const char* name, int interval) {
    auto* t = new QTimer(this);
    t->setObjectName(name);
    t->setInterval(interval);
    return t;
  };
  Timer1 = timer("Timer1", 1000);
  TimerConnection = timer("TimerConnection", 200);
  TimerUpdateSysChk = timer("TimerUpdateSysChk", 1000);
  Timer2 = timer("Timer2", 1000);
  Timer2->start();
}

// ---- Start-up steps -----------------------------------------------------------------

void TForm1::LocateSettingsFile(const QString& documents) {
  SettingsFile = pelyx::app::LocateSettingsFile(documents.toStdString());
}

void TForm1::CreateSerialLink() {
  // One serial link for the whole run, its events handed to this window's thread:
  // 115200 bit/s, no parity, 8 data bits, 1 stop bit. The port's device name comes from
  // the port list when a connection starts; the line intake assigns OnRxChar.
  SerialComm = std::make_unique<link::TComm>(*dispatcher_);
  SerialComm->SetBaudRate(link::br115200);
  SerialComm->SetParity(link::paNone);
  SerialComm->SetDataBits(link::da8);
  SerialComm->SetStopBits(link::sb10);
}

void TForm1::CloseSerialPort() {
  if (!SerialComm || !SerialComm->IsOpen()) return;
  try {
    SerialComm->Close();
  } catch (const std::exception& error) {
    // The exit goes on: the settings are still written and the window closes.
    Prompt().Message(error.what(), MessageTexts.ErrorCaption(), PromptButtons::kOk,
                     PromptIcon::kError);
  }
}

void TForm1::FillPortAndBaudLists() {
  // The baud-rate list; the port list and both selections come from the session's
  // start (the port scan selects the first port, or shows "N/A").
  cbxBaudRate->clear();
  cbxBaudRate->addItem("115200");
}

void TForm1::FillShipTypes() {
  static const char* const kShipTypes[] = {
      "20 = WIG",
      "30 = Vessel-Fishing",
      "31 = Vessel-Towing",
      "32 = Vessel-Tow,L>200m,W>25m",
      "33 = Vessel-Dredge,Underwater OP",
      "34 = Vessel-Diving OP",
      "35 = Vessel-Military OP",
      "36 = Vessel-Sailing",
      "37 = Vessel-Pleasure craft",
      "40 = HSC",
      "50 = Pilot vessel",
      "51 = Search & rescue vessel",
      "52 = Tug",
      "53 = Port tender",
      "54 = Anti-pollution vessel",
      "55 = Law enforcement vessel",
      "58 = Medical transport",
      "59 = Resolution 18(Mob-83)",
      "60 = Passenger ship",
      "70 = Cargo ship",
      "80 = Tanker",
  };
  cbxShipType->clear();
  for (const char* type : kShipTypes) cbxShipType->addItem(type);
  cbxShipType->setCurrentIndex(0);
}

void TForm1::ShowConnectionBox() {
  GroupBoxSerialConnectionMode->hide();
  GroupBoxWiFiConnectionMode->hide();
  if (mnuSerialPort->isChecked()) {
    GroupBoxSerialConnectionMode->show();
  } else if (mnuWiFi->isChecked()) {
    GroupBoxWiFiConnectionMode->show();
  }
}

void TForm1::AttachDialogs(TfrmAbout* about, TfrmAgreement* agreement,
                           TfrmWaitingProgress* waiting) {
  frmAbout = about;
  frmAgreement = agreement;
  frmWaitingProgress = waiting;
  // The dialogs never keep the application running once the window has closed.
  for (QWidget* dialog : {static_cast<QWidget*>(about), static_cast<QWidget*>(agreement),
                          static_cast<QWidget*>(waiting)}) {
    if (dialog) dialog->setAttribute(Qt::WA_QuitOnClose, false);
  }
}

// ---- Connection display -------------------------------------------------------------

void TForm1::ShowLinkStatus(int frame, MessageId status) {
  ImageConnectToDevice->setPixmap(OnCream(ImageListConnectToDevice.Picture(frame)));
  ImageConnectTwoWay->setPixmap(OnCream(ImageListConnectTwoWay.Picture(frame)));
  if (status == kMsgStatusDisconnect) {
    SetTextColour(LabelConnectionStatus, Qt::black);
    LabelConnectionStatus->setEnabled(false);
  } else if (status == kMsgConnecting) {
    LabelConnectionStatus->setEnabled(true);
    SetTextColour(LabelConnectionStatus, Qt::black);
  } else if (status == kMsgConnected) {
    LabelConnectionStatus->setEnabled(true);
    SetTextColour(LabelConnectionStatus, Qt::blue);
  }
  LabelConnectionStatus->setText(QString::fromStdString(MessageTexts[status]));
}

void TForm1::ShowConnectingFrame(int frame, bool red) {
  ImageConnectTwoWay->setPixmap(OnCream(ImageListConnectTwoWay.Picture(frame)));
  SetTextColour(LabelConnectionStatus, red ? Qt::red : Qt::black);
  LabelConnectionStatus->setText(QString::fromStdString(MessageTexts[kMsgConnecting]));
}

void TForm1::SetSerialSettingsEnabled(bool enabled) {
  for (QWidget* control : {static_cast<QWidget*>(GroupBoxSerialConnectionMode),
                           static_cast<QWidget*>(RadioButtonConnectionModeAuto),
                           static_cast<QWidget*>(RadioButtonConnectionModeManual),
                           static_cast<QWidget*>(cbxComPort), static_cast<QWidget*>(cbxBaudRate)}) {
    control->setEnabled(enabled);
  }
}

void TForm1::ResetLinkState() {
  Connection().ResetLinkState();
}

link::ConnectionManager& TForm1::Connection() {
  return session_->Connection();
}

// The controls and timers to the code behind them.
void TForm1::ConnectHandlers() {
  ReceiverSession& session = *session_;
  link::ConnectionManager& manager = session.Connection();
  connect(OpenPort, &QPushButton::clicked, this, [&manager] { manager.OpenPortClick(); });
  connect(Timer1, &QTimer::timeout, this, [&manager] { manager.Timer1Timer(); });
  connect(TimerConnection, &QTimer::timeout, this, [&manager] { manager.TimerConnectionTimer(); });
  connect(TimerUpdateSysChk, &QTimer::timeout, this,
          [&session] { session.TimerUpdateSysChkTimer(); });
  connect(Timer2, &QTimer::timeout, this, [&session] { session.Timer2Timer(); });
  // The Connection menu's items are checked by the manager alone: a click first puts
  // the check back where it was, then asks the manager.
  auto linkItem = [this, &manager](void (link::ConnectionManager::*click)()) {
    return [this, &manager, click] {
      (manager.LinkMode() == 1 ? mnuWiFi : mnuSerialPort)->setChecked(true);
      (manager.*click)();
    };
  };
  connect(mnuSerialPort, &QAction::triggered, this,
          linkItem(&link::ConnectionManager::mnuSerialPortClick));
  connect(mnuWiFi, &QAction::triggered, this, linkItem(&link::ConnectionManager::mnuWiFiClick));
  for (QRadioButton* mode : {RadioButtonConnectionModeAuto, RadioButtonConnectionModeManual}) {
    connect(mode, &QRadioButton::clicked, this,
            [&manager] { manager.RadioButtonConnectionModeClick(); });
  }
  connect(cbxComPort, &QComboBox::currentTextChanged, this,
          [&manager] { manager.cbxComPortChange(); });
  connect(cbxBaudRate, qOverload<int>(&QComboBox::activated), this,
          [&manager](int index) { manager.cbxBaudRateChange(index); });
  GroupBoxWiFiConnectionMode->installEventFilter(this);
  connect(SpeedButtonReload, &QToolButton::clicked, this,
          [&session] { session.ReadDeviceClick(); });
  connect(spbDbgViewCmd, &QToolButton::clicked, this, [&session] { session.ReadDeviceClick(); });
  connect(SpeedButtonSetting, &QToolButton::clicked, this,
          [&session] { session.ConfigDeviceClick(); });
  connect(SpeedButtonClearCheck, &QToolButton::clicked, this,
          [&session] { session.SpeedButtonClearCheckClick(); });
  connect(cbxEnableLog, &QCheckBox::toggled, this,
          [&session](bool on) { session.Log().SetLoggingEnabled(on); });
  session.Log().SetLoggingEnabled(cbxEnableLog->isChecked());
  connect(btnSaveLog, &QPushButton::clicked, this, [&session] { session.btnSaveLogClick(); });
  connect(btnClearLog, &QPushButton::clicked, this, [&session] { session.btnClearLogClick(); });
  connect(btnSendCommand, &QPushButton::clicked, this,
          [&session] { session.btnSendCommandClick(); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == GroupBoxWiFiConnectionMode && event->type() == QEvent::MouseButtonDblClick) {
    Connection().GroupBoxWiFiConnectionModeDblClick();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::SetConnectCaption(int index) {
  const int tag = index == kMsgDisconnect ? kMsgDisconnect : kMsgConnect;
  OpenPort->setProperty("tag", tag);
  OpenPort->setText(QString::fromStdString(MessageTexts[tag]));
}

int TForm1::OpenPortTag() const {
  return OpenPort->property("tag").toInt();
}

// ---- Handlers -----------------------------------------------------------------------

void TForm1::PageControlMainChange(int index) {
  const bool configuration = index == 0;
  SpeedButtonSetting->setVisible(configuration);
  SpeedButtonReload->setVisible(configuration);
}

void TForm1::FormResize() {
  lblSatelliteID->move(lblSatelliteID->x(), Chart1->y() + Chart1->height() - 20);
  if (const QScreen* screen = this->screen()) {
    move(x(), screen->geometry().top() + kTopMargin);
  }
}

void TForm1::mnuAboutClick() {
  if (frmAbout == nullptr) return;
  frmAbout->show();
  frmAbout->raise();
  frmAbout->activateWindow();
}

void TForm1::PageControlMainDrawTab(QPainter& painter, int index, const QRect& rect, bool active) {
  painter.fillRect(rect, kCream);
  painter.setPen(active ? QColor(90, 110, 140) : QColor(150, 170, 195));
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  QFont font = painter.font();
  font.setPixelSize(15);
  font.setBold(active);
  painter.setFont(font);
  painter.setPen(active ? QColor(10, 40, 90) : QColor(70, 80, 100));
  painter.setClipRect(rect);
  const QPoint origin = rect.topLeft() + (active ? QPoint(8, 6) : QPoint(5, 2));
  painter.drawText(QRect(origin, rect.bottomRight()), Qt::AlignLeft | Qt::AlignTop,
                   PageControlMain->tabText(index));
}

void TForm1::PageControlDiagnosisDrawTab(QPainter& painter, int index, const QRect& rect,
                                         bool active) {
  painter.fillRect(rect, kCream);
  painter.setPen(QColor(150, 160, 175));
  painter.drawLine(rect.topLeft(), rect.topRight());
  painter.drawLine(rect.topLeft(), rect.bottomLeft());
  painter.drawLine(rect.topRight(), rect.bottomRight());
  QFont font = painter.font();
  font.setBold(active);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.setClipRect(rect);
  const QPoint origin = rect.topLeft() + QPoint(8, 2);
  painter.drawText(QRect(origin, rect.bottomRight()), Qt::AlignLeft | Qt::AlignTop,
                   PageControlDiagnosis->tabText(index));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized)) {
      FormResize();  // restored from the task bar
    }
  }
}

// ---- Exit ---------------------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  closing_ = true;
  FormClose();
  event->accept();
}

bool TForm1::FormCloseQuery() {
  return Prompt().Message(MessageTexts[kMsgQueryExit], MessageTexts[kMsgExitCaption],
                          PromptButtons::kOkCancel, PromptIcon::kNone) == PromptAnswer::kOk;
}

void TForm1::FormClose() {
  CloseSerialPort();
  if (!WriteSettings()) {
    Prompt().Message(UnableToWriteText(SettingsFile), MessageTexts.ErrorCaption(),
                     PromptButtons::kOk, PromptIcon::kError);
  }
  for (QWidget* dialog : {static_cast<QWidget*>(frmAbout), static_cast<QWidget*>(frmAgreement),
                          static_cast<QWidget*>(frmWaitingProgress)}) {
    if (dialog) dialog->hide();
  }
}

// ---- Services -----------------------------------------------------------------------

void TForm1::SetUserPrompt(UserPrompt* prompt) {
  if (prompt) {
    prompt_ = prompt;
  } else {
    if (!ownPrompt_) ownPrompt_ = std::make_unique<QtUserPrompt>(this);
    prompt_ = ownPrompt_.get();
  }
}

link::UiDispatcher& TForm1::Dispatcher() {
  return *dispatcher_;
}

}  // namespace pelyx::app
