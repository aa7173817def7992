#include "app/qt_user_prompt.h"

#include <QFileDialog>
#include <QMessageBox>

namespace pelyx::app {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon BoxIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kInformation:
      return QMessageBox::Information;
    case PromptIcon::kWarning:
      return QMessageBox::Warning;
    case PromptIcon::kError:
      return QMessageBox::Critical;
    case PromptIcon::kQuestion:
      return QMessageBox::Question;
    case PromptIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

PromptAnswer QtUserPrompt::Message(std::string_view text, std::string_view caption,
                                   PromptButtons buttons, PromptIcon icon) {
  QMessageBox box(BoxIcon(icon), FromUtf8(caption), FromUtf8(text), QMessageBox::NoButton, parent_);
  box.setTextFormat(Qt::PlainText);
  switch (buttons) {
    case PromptButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      box.exec();
      return PromptAnswer::kOk;
    case PromptButtons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Cancel);
      return box.exec() == QMessageBox::Ok ? PromptAnswer::kOk : PromptAnswer::kCancel;
    case PromptButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      return box.exec() == QMessageBox::Yes ? PromptAnswer::kYes : PromptAnswer::kNo;
  }
  return PromptAnswer::kCancel;
}

std::optional<std::string> QtUserPrompt::SaveFileName(const SaveFileDialogSetup& dialog) {
  QFileDialog box(parent_);
  box.setObjectName(FromUtf8(dialog.name));
  box.setAcceptMode(QFileDialog::AcceptSave);
  box.setFileMode(QFileDialog::AnyFile);
  box.setNameFilter(QString::fromStdString(ToolkitFilter(dialog.filter)));
  box.setDefaultSuffix(FromUtf8(dialog.defaultExtension));
  // The overwrite question is the caller's.
  box.setOption(QFileDialog::DontConfirmOverwrite);
  if (!dialog.proposedName.empty()) box.selectFile(FromUtf8(dialog.proposedName));
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
  return box.selectedFiles().front().toStdString();
}

}  // namespace pelyx::app
