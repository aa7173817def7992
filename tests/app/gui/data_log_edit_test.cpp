// The data log is editable: the user types, selects and deletes in it while the receiver's
// lines keep coming. Received lines go to the end, whole, and no edit costs one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <string>

#include "app/main_form.h"
#include "app/receiver_session.h"
#include "gui_support.h"

namespace pelyx::app {
namespace {

using testing_support::Environment;
using testing_support::Folders;
using testing_support::ScriptedPrompt;

class DataLogEdit : public testing::Test {
 protected:
  DataLogEdit() : windows_(Environment(folders_, &prompt_)) {}
  void SetUp() override {
    Form().PageControlMain->setCurrentWidget(Form().TabSheetDiagnosis);
    Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetDataLog);
    Form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form()));
    Form().cbxEnableLog->setChecked(true);
    Form().MemoDataLog->setFocus();
  }
  TForm1& Form() { return windows_.Form(); }
  QPlainTextEdit& Memo() { return *Form().MemoDataLog; }
  // Bytes as the serial link brings them, through the line assembler and the log.
  void Receive(const std::string& bytes) {
    ReceiverSession& session = Form().Session();
    session.Receive(session.SerialLines(), bytes.data(), bytes.size());
    session.Log().Flush();
  }
  void PutCursor(int anchor, int position) {
    QTextCursor cursor(Memo().document());
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    Memo().setTextCursor(cursor);
  }
  std::string Text() { return Memo().toPlainText().toStdString(); }

  Folders folders_;
  ScriptedPrompt prompt_;
  ApplicationWindows windows_;
};

TEST_F(DataLogEdit, TheLogTakesTyping) {
  EXPECT_FALSE(Memo().isReadOnly());
  Receive("$GPGLL,1\r\n");
  PutCursor(0, 0);
  QTest::keyClicks(&Memo(), "note ");
  EXPECT_EQ(Text(), "note $GPGLL,1");
}

TEST_F(DataLogEdit, SavingKeepsTheReceivedBytesAndTheUsersTypedNotes) {
  Receive("$GPGLL,\xb0\xe5\r\n");  // bytes beyond ASCII as a receiver may send them
  QTextCursor end = Memo().textCursor();
  end.movePosition(QTextCursor::End);
  Memo().setTextCursor(end);
  // Chinese comes through the input method.
  QTest::keyClicks(&Memo(), " ");
  QInputMethodEvent typed;
  typed.setCommitString(QString::fromUtf8("備註"));
  QApplication::sendEvent(&Memo(), &typed);
  QTest::keyClicks(&Memo(), " ok");
  const std::string path = QDir(folders_.Documents()).filePath("log.TXT").toStdString();
  prompt_.files.push_back(path);
  Form().btnSaveLog->click();
  EXPECT_EQ(testing_support::ReadFile(path), "$GPGLL,\xb0\xe5 \xe5\x82\x99\xe8\xa8\xbb ok\r\n");
}

TEST_F(DataLogEdit, TabLeavesTheLogForTheNextControl) {
  Receive("L1\r\n");
  QTest::keyClick(&Memo(), Qt::Key_Tab);
  EXPECT_EQ(Text(), "L1");
  EXPECT_NE(QApplication::focusWidget(), &Memo());
}

TEST_F(DataLogEdit, TypingAtTheEndWhileALineArrivesNeverJoinsIt) {
  Receive("L1\r\nL2\r\n");
  QTextCursor end = Memo().textCursor();
  end.movePosition(QTextCursor::End);
  Memo().setTextCursor(end);
  QTest::keyClicks(&Memo(), " ok");
  Receive("L3\r\n");
  QTest::keyClicks(&Memo(), "!");
  EXPECT_EQ(Text(), "L1\nL2 ok!\nL3");
}

TEST_F(DataLogEdit, TypingInTheMiddleKeepsItsPlaceAndEveryLineArrives) {
  Receive("AAAA\r\nBBBB\r\n");
  PutCursor(7, 7);  // BB|BB
  QTest::keyClicks(&Memo(), "x");
  Receive("CCCC\r\nDD");
  QTest::keyClicks(&Memo(), "y");
  Receive("DD\r\n");
  QTest::keyClicks(&Memo(), "z");
  EXPECT_EQ(Text(), "AAAA\nBBxyzBB\nCCCC\nDDDD");
}

TEST_F(DataLogEdit, ASelectionReachingTheEndDoesNotGrowOverNewLines) {
  Receive("L1\r\nL2\r\n");
  PutCursor(3, 5);  // "L2", up to the end
  Receive("L3\r\nL4\r\n");
  EXPECT_EQ(Memo().textCursor().selectedText().toStdString(), "L2");
  QTest::keyClick(&Memo(), Qt::Key_Delete);
  EXPECT_EQ(Text(), "L1\n\nL3\nL4");
  // And made backwards.
  PutCursor(Memo().document()->characterCount() - 1, 7);  // "L4", from the end back
  Receive("L5\r\n");
  EXPECT_EQ(Memo().textCursor().selectedText().toStdString(), "L4");
}

TEST_F(DataLogEdit, UndoNeverTakesBackAReceivedLine) {
  Receive("L1\r\n");
  QTextCursor end = Memo().textCursor();
  end.movePosition(QTextCursor::End);
  Memo().setTextCursor(end);
  QTest::keyClicks(&Memo(), " typed");
  Receive("L2\r\nL3\r\n");
  QTest::keyClick(&Memo(), Qt::Key_Z, Qt::ControlModifier);
  Memo().undo();
  const std::string text = Text();
  EXPECT_NE(text.find("L2\nL3"), std::string::npos) << text;
}

TEST_F(DataLogEdit, NewLinesGoToTheEndWhileTheUserReadsFurtherUp) {
  std::string burst;
  for (int i = 0; i < 300; ++i) burst += "LINE " + std::to_string(i) + "\r\n";
  Receive(burst);
  QScrollBar* bar = Memo().verticalScrollBar();
  bar->setValue(bar->maximum() / 2);
  const int reading = bar->value();
  Receive("LAST\r\n");
  EXPECT_EQ(Memo().document()->lastBlock().text().toStdString(), "LAST");
  EXPECT_EQ(bar->value(), reading);  // the view stays where the user reads
  bar->setValue(bar->maximum());
  Receive("AFTER\r\n");
  EXPECT_EQ(bar->value(), bar->maximum());  // at the end it follows
}

TEST_F(DataLogEdit, LinesThatArriveWhileThePageIsHiddenAreInViewOnReturn) {
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetSystemCheck);
  std::string burst;
  for (int i = 0; i < 300; ++i) burst += "LINE " + std::to_string(i) + "\r\n";
  Receive(burst);
  Receive("LAST\r\n");
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetDataLog);
  QApplication::processEvents();
  QScrollBar* bar = Memo().verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  // Scrolled up and away, the log keeps its place while hidden.
  bar->setValue(10);
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetSystemCheck);
  Receive("MORE\r\n");
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetDataLog);
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), 10);
}

TEST_F(DataLogEdit, ASmallerLimitTakesEffectWithTheNextLines) {
  Receive("L1\r\nL2\r\nL3\r\nL4\r\n");
  Form().MemoDataLog->SetMaxLines(3);
  EXPECT_EQ(Memo().document()->blockCount(), 4);  // nothing goes until lines come in
  Receive("L5\r\n");
  EXPECT_EQ(Text(), "L3\nL4\nL5");
}

TEST_F(DataLogEdit, AtTheCapOnlyArrivingLinesPushTheOldestOut) {
  auto* memo = static_cast<TLogMemo*>(&Memo());
  const int cap = memo->MaxLines();
  ASSERT_EQ(cap, TForm1::kDataLogMaxLines);
  std::string burst;
  burst.reserve(static_cast<size_t>(cap) * 8);
  for (int i = 0; i < cap; ++i) burst += "L" + std::to_string(i) + "\r\n";
  Receive(burst);
  ASSERT_EQ(Memo().document()->blockCount(), cap);
  // The user adds lines of their own: nothing received goes.
  QTextCursor end = Memo().textCursor();
  end.movePosition(QTextCursor::End);
  Memo().setTextCursor(end);
  QTest::keyClick(&Memo(), Qt::Key_Return);
  QTest::keyClicks(&Memo(), "my note");
  EXPECT_EQ(Memo().document()->firstBlock().text().toStdString(), "L0");
  EXPECT_EQ(Memo().document()->blockCount(), cap + 1);
  // The next received lines bring the log back to its size, oldest first, and the note
  // and the cursor behind it stay.
  Receive("NEW1\r\nNEW2\r\n");
  EXPECT_EQ(Memo().document()->blockCount(), cap);
  EXPECT_EQ(Memo().document()->firstBlock().text().toStdString(), "L3");
  EXPECT_EQ(Memo().document()->lastBlock().text().toStdString(), "NEW2");
  QTest::keyClicks(&Memo(), "!");
  EXPECT_EQ(Memo().document()->lastBlock().previous().previous().text().toStdString(), "my note!");
}

}  // namespace
}  // namespace pelyx::app
