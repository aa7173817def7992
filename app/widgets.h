// Small controls the windows are built from: an edit with its own caption label, a
// group of radio buttons, a flat button with a picture above its caption, a list of
// equally sized pictures, an upper-case input rule, and a tab bar that its owner draws.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QValidator>

#include <functional>
#include <string>
#include <vector>

class QRadioButton;

namespace pelyx::app {

// Colours of the window.
inline const QColor kSkyBlue(166, 202, 240);
inline const QColor kCream(255, 251, 240);
inline const QColor kBarButtonPanel(24, 62, 112);    // a flat button's panel on the bottom bar
inline const QColor kDisabledOnSkyBlue(72, 82, 98);  // greyed texts on the top bar

// An edit with a caption label beside it. The label is a sibling of the edit named
// after it (object name + "_EditLabel"); it follows the edit when the edit moves,
// and is shown, hidden, enabled and disabled with it.
class TLabeledEdit : public QLineEdit {
  Q_OBJECT
 public:
  enum class LabelPosition { kAbove, kLeft };

  TLabeledEdit(const QString& name, const QString& caption, QWidget* parent,
               LabelPosition position = LabelPosition::kAbove);

  QLabel* EditLabel() const { return label_; }
  // Puts the label beside the edit again (after its caption changed).
  void PlaceLabel();
  void setVisible(bool visible) override;

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QLabel* label_;
  LabelPosition position_;
};

// Turns whatever is typed into upper case.
class UpperCaseValidator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override { input = input.toUpper(); }
};

// A group box holding one column of radio buttons, exactly one of them checked.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
              QWidget* parent);
  int ItemIndex() const;
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Button(int index) const;

 private:
  std::vector<QRadioButton*> buttons_;
};

// A flat push button with a picture above its caption.
class TSpeedButton : public QToolButton {
  Q_OBJECT
 public:
  TSpeedButton(const QString& name, const QString& caption, const QPixmap& glyph, QWidget* parent);
};

// A list of pictures of one size, drawn by index.
class TImageList {
 public:
  TImageList() = default;
  TImageList(int width, int height) : width_(width), height_(height) {}
  void Add(const QPixmap& picture) { pictures_.push_back(picture); }
  int Count() const { return static_cast<int>(pictures_.size()); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Picture `index`; an empty picture of the list's size outside the list.
  QPixmap Picture(int index) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<QPixmap> pictures_;
};

// A page control's tab bar. The arrow keys and the mouse wheel step only over the tabs
// that are shown; a hidden tab is never selected from the bar.
class TPageTabBar : public QTabBar {
  Q_OBJECT
 public:
  explicit TPageTabBar(QWidget* parent = nullptr) : QTabBar(parent) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
};

// The index of the next tab of `tabs` that is shown and enabled, `step` (1 or -1) tabs on
// from `from`, going round the end when `wrap`; -1 when there is none.
int NextReachableTab(const QTabBar* tabs, int from, int step, bool wrap);

// A tab bar whose tabs its owner draws (through `drawTab`), optionally all of one size.
// Hidden tabs are neither drawn nor counted.
class TOwnerDrawTabBar : public TPageTabBar {
  Q_OBJECT
 public:
  using DrawTab = std::function<void(QPainter& painter, int index, const QRect& rect, bool active)>;

  explicit TOwnerDrawTabBar(QWidget* parent = nullptr);
  void SetDrawTab(DrawTab drawTab) { drawTab_ = std::move(drawTab); }
  // Every tab this size (an empty size: the toolkit's size).
  void SetFixedTabSize(const QSize& size) { fixedTabSize_ = size; }

 protected:
  QSize tabSizeHint(int index) const override;
  QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
  void paintEvent(QPaintEvent* event) override;

 private:
  DrawTab drawTab_;
  QSize fixedTabSize_;
};

// A page control; with an own tab bar when one is given. A page whose tab is hidden is
// never shown: Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp step over hidden tabs,
// and selecting a hidden page in any other way leaves the page that was shown (or, when
// that one was hidden, the nearest shown one).
class TPageControl : public QTabWidget {
  Q_OBJECT
 public:
  explicit TPageControl(QWidget* parent, TPageTabBar* tabBar = nullptr);
  // Without tabs: the owner alone chooses the page, the keys choose none.
  void SetTabless(bool tabless);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void KeepToShownPages(int index);

  bool tabless_ = false;
  int shown_ = -1;  // the page last shown whose tab is visible
};
// The data log's view: an editable text whose received lines always go to the end. While
// lines arrive the user's cursor and selection stay on the characters they were on (a
// cursor at the end does not ride along behind the new lines), and the oldest lines go,
// beyond `maxLines`, only when received lines come in, never because of an edit.
class TLogMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  TLogMemo(const QString& name, int maxLines, QWidget* parent);
  int MaxLines() const { return maxLines_; }
  // A new limit, applied with the next received lines.
  void SetMaxLines(int maxLines) { maxLines_ = maxLines; }
  // `lines`: one or more lines joined by LF, no line end after the last.
  void AppendLines(const QString& lines);
  // The log's text as bytes for its file: a character of the received lines (and any of
  // U+0000 to U+00FF) as the byte of its code, as the receiver sent it; a character the
  // user typed beyond those in UTF-8, so typed notes survive the file.
  std::string LogBytes() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int maxLines_;
  bool followingEnd_ = true;  // the view shows the newest lines
};

// A label that shows its text as plain text, never as rich text.
QLabel* NewLabel(const QString& name, const QString& caption, QWidget* parent);

// Gives `widget` a filled background of `colour`.
void FillBackground(QWidget* widget, const QColor& colour);

}  // namespace pelyx::app
