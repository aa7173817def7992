#include "app/widgets.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "views/data_log.h"

namespace pelyx::app {

// ---- TLabeledEdit ----------------------------------------------------------------

TLabeledEdit::TLabeledEdit(const QString& name, const QString& caption, QWidget* parent,
                           LabelPosition position)
    : QLineEdit(parent),
      label_(NewLabel(name + "_EditLabel", caption, parent)),
      position_(position) {
  setObjectName(name);
  PlaceLabel();
}

void TLabeledEdit::setVisible(bool visible) {
  QLineEdit::setVisible(visible);
  label_->setVisible(visible);
}

void TLabeledEdit::moveEvent(QMoveEvent* event) {
  QLineEdit::moveEvent(event);
  PlaceLabel();
}

void TLabeledEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  PlaceLabel();
}

void TLabeledEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) label_->setEnabled(isEnabled());
}

void TLabeledEdit::PlaceLabel() {
  label_->adjustSize();
  if (position_ == LabelPosition::kAbove) {
    label_->move(x(), y() - label_->height() - 2);
  } else {
    label_->move(x() - label_->width() - 4, y() + (height() - label_->height()) / 2);
  }
}

// ---- UpperCaseValidator ----------------------------------------------------------

QValidator::State UpperCaseValidator::validate(QString& input, int&) const {
  input = input.toUpper();
  return Acceptable;
}

// ---- TRadioGroup -----------------------------------------------------------------

TRadioGroup::TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setSpacing(2);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(name + "_" + QString::number(i));
    layout->addWidget(button);
    buttons_.push_back(button);
  }
  SetItemIndex(0);
}

int TRadioGroup::ItemIndex() const {
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i]->isChecked()) return static_cast<int>(i);
  }
  return -1;
}

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) buttons_[static_cast<size_t>(index)]->setChecked(true);
}

QRadioButton* TRadioGroup::Button(int index) const {
  return (index >= 0 && index < Count()) ? buttons_[static_cast<size_t>(index)] : nullptr;
}

// ---- TSpeedButton ----------------------------------------------------------------

TSpeedButton::TSpeedButton(const QString& name, const QString& caption, const QPixmap& glyph,
                           QWidget* parent)
    : QToolButton(parent) {
  setObjectName(name);
  setText(caption);
  setAutoRaise(true);
  setFocusPolicy(Qt::TabFocus);
  if (!glyph.isNull()) {
    setIcon(QIcon(glyph));
    setIconSize(glyph.size() / glyph.devicePixelRatio());
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  } else {
    setToolButtonStyle(Qt::ToolButtonTextOnly);
  }
}

// ---- TImageList ------------------------------------------------------------------

QPixmap TImageList::Picture(int index) const {
  if (index >= 0 && index < Count()) return pictures_[static_cast<size_t>(index)];
  QPixmap empty(width_, height_);
  empty.fill(Qt::transparent);
  return empty;
}

// ---- TPageTabBar -----------------------------------------------------------------

int NextReachableTab(const QTabBar* tabs, int from, int step, bool wrap) {
  const int count = tabs->count();
  int index = from;
  for (int tried = 0; tried < count; ++tried) {
    index += step;
    if (index < 0 || index >= count) {
      if (!wrap) return -1;
      index = index < 0 ? count - 1 : 0;
    }
    if (tabs->isTabVisible(index) && tabs->isTabEnabled(index)) return index;
  }
  return -1;
}

void TPageTabBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right) {
    event->ignore();
    return;
  }
  const bool back = event->key() == (isRightToLeft() ? Qt::Key_Right : Qt::Key_Left);
  const int next = NextReachableTab(this, currentIndex(), back ? -1 : 1, false);
  if (next >= 0) setCurrentIndex(next);
}

void TPageTabBar::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  const int turn = std::abs(delta.y()) >= std::abs(delta.x()) ? delta.y() : delta.x();
  if (turn == 0) {
    event->ignore();
    return;
  }
  const int next = NextReachableTab(this, currentIndex(), turn > 0 ? -1 : 1, false);
  if (next >= 0) setCurrentIndex(next);
  event->accept();
}

// ---- TOwnerDrawTabBar ------------------------------------------------------------

TOwnerDrawTabBar::TOwnerDrawTabBar(QWidget* parent) : TPageTabBar(parent) {
  setDrawBase(false);
  setExpanding(false);
  setUsesScrollButtons(false);
}

QSize TOwnerDrawTabBar::tabSizeHint(int index) const {
  if (fixedTabSize_.isValid() && !fixedTabSize_.isEmpty()) return fixedTabSize_;
  QSize size = QTabBar::tabSizeHint(index);
  return {size.width() + 8, std::max(size.height(), 22)};
}

void TOwnerDrawTabBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int i = 0; i < count(); ++i) {
    if (!isTabVisible(i)) continue;
    const QRect rect = tabRect(i);
    if (!rect.isValid()) continue;
    painter.save();
    if (drawTab_) drawTab_(painter, i, rect, i == currentIndex());
    painter.restore();
  }
}

// ---- TPageControl ----------------------------------------------------------------

TPageControl::TPageControl(QWidget* parent, TPageTabBar* tabBar) : QTabWidget(parent) {
  setTabBar(tabBar ? tabBar : new TPageTabBar);
  connect(this->tabBar(), &QTabBar::currentChanged, this, &TPageControl::KeepToShownPages);
}

void TPageControl::SetTabless(bool tabless) {
  tabless_ = tabless;
  tabBar()->setVisible(!tabless);
}

void TPageControl::keyPressEvent(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  int step = 0;
  if (control && event->key() == Qt::Key_Tab) step = shift ? -1 : 1;
  if (control && event->key() == Qt::Key_Backtab) step = -1;
  if (control && event->key() == Qt::Key_PageDown) step = 1;
  if (control && event->key() == Qt::Key_PageUp) step = -1;
  if (step == 0 || tabless_) {
    event->ignore();
    return;
  }
  const int next = NextReachableTab(tabBar(), currentIndex(), step, true);
  if (next >= 0 && next != currentIndex()) setCurrentIndex(next);
  event->accept();
}

void TPageControl::KeepToShownPages(int index) {
  if (index < 0) return;
  const QTabBar* tabs = tabBar();
  if (tabs->isTabVisible(index)) {
    shown_ = index;
    return;
  }
  int to = -1;
  if (shown_ >= 0 && shown_ < count() && tabs->isTabVisible(shown_)) {
    to = shown_;
  } else {
    to = NextReachableTab(tabs, index, 1, false);
    if (to < 0) to = NextReachableTab(tabs, index, -1, false);
  }
  if (to >= 0) setCurrentIndex(to);
}

// ---- TLogMemo --------------------------------------------------------------------

TLogMemo::TLogMemo(const QString& name, int maxLines, QWidget* parent)
    : QPlainTextEdit(parent), maxLines_(maxLines) {
  setObjectName(name);
  // An undo would take back received lines along with the user's typing.
  setUndoRedoEnabled(false);
  // Tab moves on to the next control, as in any other text box of the window; the log
  // holds no tab characters of the user's.
  setTabChangesFocus(true);
}

void TLogMemo::AppendLines(const QString& lines) {
  QTextDocument* text = document();
  const QTextCursor user = textCursor();
  const views::LogEditPlace before{user.anchor(), user.position()};
  const int64_t linesBefore = text->isEmpty() ? 0 : text->blockCount();
  const int64_t arriving = lines.count(QLatin1Char('\n')) + 1;

  // The view follows the end when it showed the end; otherwise the lines in view stay in
  // view (the scroll position counts lines, so it moves back by the lines dropped).
  QScrollBar* vertical = verticalScrollBar();
  QScrollBar* horizontal = horizontalScrollBar();
  if (isVisible()) followingEnd_ = vertical->value() >= vertical->maximum();
  const int top = vertical->value();
  const int left = horizontal->value();

  appendPlainText(lines);

  const int64_t drop = views::LinesToDrop(linesBefore, arriving, maxLines_);
  int64_t dropped = 0;
  if (drop > 0) {
    QTextCursor oldest(text);
    dropped = text->findBlockByNumber(static_cast<int>(drop)).position();
    oldest.setPosition(static_cast<int>(dropped), QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
  }

  const views::LogEditPlace after = views::PlaceAfterAppend(before, dropped);
  const QTextCursor now = textCursor();
  if (now.anchor() != after.anchor || now.position() != after.position) {
    QTextCursor kept(text);
    kept.setPosition(static_cast<int>(after.anchor));
    kept.setPosition(static_cast<int>(after.position), QTextCursor::KeepAnchor);
    setTextCursor(kept);  // scrolls to the cursor; the view is put back below
  }
  vertical->setValue(followingEnd_ ? vertical->maximum()
                                   : std::max(0, top - static_cast<int>(drop)));
  horizontal->setValue(left);
}

std::string TLogMemo::LogBytes() const {
  const QString text = toPlainText();
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.unicode() <= 0xff) {
      bytes += static_cast<char>(c.unicode());
      continue;
    }
    // A run of characters beyond the byte range, surrogate pairs kept together.
    qsizetype end = i;
    while (end < text.size() && text[end].unicode() > 0xff) ++end;
    bytes += text.mid(i, end - i).toUtf8().toStdString();
    i = end - 1;
  }
  return bytes;
}

void TLogMemo::showEvent(QShowEvent* event) {
  QScrollBar* vertical = verticalScrollBar();
  const int top = vertical->value();
  QPlainTextEdit::showEvent(event);  // may scroll to the cursor
  vertical->setValue(followingEnd_ ? vertical->maximum() : top);
}

void TLogMemo::hideEvent(QHideEvent* event) {
  followingEnd_ = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
  QPlainTextEdit::hideEvent(event);
}

// ---- Helpers ---------------------------------------------------------------------

QLabel* NewLabel(const QString& name, const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void FillBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace pelyx::app
