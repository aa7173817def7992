#include "app/dialogs.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "app/core/ini_file.h"
#include "app/core/readme.h"
#include "app/core/text_encoding.h"
#include "app/pictures.h"
#include "app/widgets.h"

namespace pelyx::app {
namespace {

// Moves `dialog` so that its frame is centred on `area`.
void CentreOn(QWidget* dialog, const QRect& area) {
  QRect frame = dialog->frameGeometry();
  frame.moveCenter(area.center());
  dialog->move(frame.topLeft());
}

// Places `dialog`'s client area centred on `area`. The client area is what the program
// places exactly: the frame, which the window system adds, is not known before the
// first show, and goes evenly around the client area.
void CentreClientOn(QWidget* dialog, const QRect& area) {
  QRect client(QPoint(), dialog->size());
  client.moveCenter(area.center());
  dialog->setGeometry(client);
}

QRect ScreenArea(const QWidget* widget) {
  const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

constexpr const char* kRightsNotice =
    "Pelyx 300 Configuration\n"
    "Copyright (C) TESK Marine Electronics. All rights reserved.\n"
    "\n"
    "This program configures and checks AIS receivers of the Pelyx family. It is "
    "licensed, not sold, for use with those receivers only.";

constexpr const char* kAgreementText =
    "Please read this agreement before you use the program.\n"
    "\n"
    "1. The program is licensed for use with AIS receivers of the Pelyx family.\n"
    "2. The AIS receiver is an aid to navigation. It does not replace a proper lookout, "
    "radar or the judgement of the person in charge of the vessel.\n"
    "3. Changing the receiver's settings may interrupt its output to other equipment "
    "on board until the settings match again.\n"
    "4. The program is provided as it is, without warranty of any kind.";

}  // namespace

// ---- TfrmAbout -------------------------------------------------------------------

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle("About");
  setFixedSize(406, 352);
  FillBackground(this, kCream);

  Image2 = NewLabel("Image2", QString(), this);
  Image2->setGeometry(8, 8, 145, 49);
  Image2->setPixmap(pictures::Logo());

  StaticTextProduct = NewLabel("StaticTextProduct", kProductTitle, this);
  StaticTextProduct->setGeometry(0, 58, 406, 26);
  StaticTextProduct->setAlignment(Qt::AlignCenter);
  QFont title = StaticTextProduct->font();
  title.setPixelSize(17);
  title.setBold(true);
  StaticTextProduct->setFont(title);
  QPalette black = StaticTextProduct->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  StaticTextProduct->setPalette(black);

  Label6 = NewLabel("Label6", kVersion, this);
  Label6->setGeometry(0, 84, 406, 18);
  Label6->setAlignment(Qt::AlignCenter);

  LabelProfessional = NewLabel("LabelProfessional", "(Professional)", this);
  LabelProfessional->setGeometry(0, 100, 406, 16);
  LabelProfessional->setAlignment(Qt::AlignCenter);
  LabelProfessional->hide();

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(10, 118, 386, 184);
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPlainText(kRightsNotice);

  lblCompanyName = NewLabel("lblCompanyName", kMakerName, this);
  lblCompanyName->setGeometry(10, 316, 152, 28);
  lblWebUrl = NewLabel("lblWebUrl", QUrl(kMakerWebAddress).host(), this);
  lblWebUrl->setGeometry(244, 316, 154, 28);
  lblWebUrl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel* link : {lblCompanyName, lblWebUrl}) {
    link->setCursor(Qt::PointingHandCursor);
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, QColor(20, 70, 160));
    link->setPalette(palette);
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    link->installEventFilter(this);
  }

  btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  btnOK->setGeometry(166, 314, 75, 30);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &TfrmAbout::btnOKClick);

  urlOpener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

bool TfrmAbout::LoadReadMe(const std::string& path, const char* encoding) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return false;
  std::optional<std::string> text = ToUtf8(bytes, encoding);
  if (!text) return false;
  QStringList lines;
  for (const std::string& line : ReadMeLines(*text)) lines << QString::fromStdString(line);
  Memo1->setPlainText(lines.join('\n'));
  return true;
}

void TfrmAbout::btnOKClick() {
  hide();
}

void TfrmAbout::OpenWebAddress() {
  if (urlOpener_) urlOpener_(QUrl(kMakerWebAddress));
}

void TfrmAbout::showEvent(QShowEvent* event) {
  StaticTextProduct->setText(kProductTitle);
  CentreOn(this, ScreenArea(this));
  QDialog::showEvent(event);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == lblCompanyName || watched == lblWebUrl) &&
      event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenWebAddress();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

// ---- TfrmAgreement ---------------------------------------------------------------

TfrmAgreement::TfrmAgreement(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAgreement");
  setWindowTitle("License Agreement");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(420, 320);
  FillBackground(this, kCream);

  LabelTitle = NewLabel("LabelTitle", "License Agreement", this);
  LabelTitle->setGeometry(12, 8, 396, 24);
  QFont title = LabelTitle->font();
  title.setBold(true);
  title.setPixelSize(15);
  LabelTitle->setFont(title);

  MemoAgreement = new QPlainTextEdit(this);
  MemoAgreement->setObjectName("MemoAgreement");
  MemoAgreement->setGeometry(12, 36, 396, 230);
  MemoAgreement->setReadOnly(true);
  MemoAgreement->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoAgreement->setPlainText(kAgreementText);

  ButtonAgree = new QPushButton("Agree", this);
  ButtonAgree->setObjectName("ButtonAgree");
  ButtonAgree->setGeometry(236, 278, 80, 30);
  connect(ButtonAgree, &QPushButton::clicked, this, &QDialog::accept);
  ButtonCancel = new QPushButton("Cancel", this);
  ButtonCancel->setObjectName("ButtonCancel");
  ButtonCancel->setGeometry(328, 278, 80, 30);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// ---- TfrmWaitingProgress ---------------------------------------------------------

TfrmWaitingProgress::TfrmWaitingProgress(QWidget* parent) : QDialog(parent) {
  setObjectName("frmWaitingProgress");
  setWindowTitle("TESK Pelyx Configuration");
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                 Qt::CustomizeWindowHint);
  setFixedSize(300, 95);
  setWindowOpacity(kOpacity);
  setModal(false);
  FillBackground(this, kCream);

  lblWaitInfo = NewLabel("lblWaitInfo", "Configuring. Please wait...", this);
  lblWaitInfo->setGeometry(16, 14, 268, 24);
  QFont font = lblWaitInfo->font();
  font.setBold(true);
  lblWaitInfo->setFont(font);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setGeometry(16, 50, 268, 24);
  ProgressBar1->setMinimum(0);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
}

void TfrmWaitingProgress::ShowProgress(QWidget* over) {
  // Placed before it is shown, so the window system maps it where it belongs and nothing
  // moves it afterwards (a move after the first show lands wherever the window system
  // had already put the box, and a box without a position of its own goes where the
  // window system or the dialog's own placement puts it).
  const bool onWindow = over && over->isVisible() && !over->isMinimized();
  CentreClientOn(this, onWindow ? over->frameGeometry() : ScreenArea(over ? over : this));
  show();
  raise();
}

void TfrmWaitingProgress::SetMaximum(int maximum) {
  ProgressBar1->setMaximum(maximum);
}

void TfrmWaitingProgress::SetPosition(int position) {
  ProgressBar1->setValue(position);
}

void TfrmWaitingProgress::HideProgress() {
  hide();
}

}  // namespace pelyx::app
