#include "app/core/message_texts.h"

#include <gtest/gtest.h>

#include <set>

namespace pelyx::app {
namespace {

struct Entry {
  int index;
  const char* name;
  const char* english;
};

constexpr Entry kExpected[] = {
    {0, "Connect", "Connect"},
    {1, "Disconnect", "Disconnect"},
    {2, "Exit_Caption", "Exit!"},
    {3, "QueryExit", "Are you sure to exit?"},
    {4, "NoSerialPortExist", "All serial ports are occupied or no existing!"},
    {5, "AutoDetectTimeOut", "Serial port detecting failed!"},
    {6, "ManualConnectTimeOut", "Serial port connection time out!"},
    {7, "Connecting", "Connecting..."},
    {8, "Connected", "Connected..."},
    {9, "StatusDisconnect", "Disconnect..."},
    {10, "PortOpenError", "Serial port open error! Please check!"},
    {11, "CmdSendFail", "Command sending fail!"},
    {12, "ConnectPortFirst", "Please connect serial port first!"},
    {13, "DeviceBaudRateHasBeenChanged", "Device's baud rate has been changed."},
    {14, "PleaseChangePcBaudRateInAccordance", "Please change PC's baud rate in accordance."},
    {15, "BaudRateChanged", "Baud Rate Changed"},
    {16, "CantBeProg1", "MMSI is "},
    {17, "CantBeProg2", ", can't be programmed twice!"},
    {18, "MmsiWarning", "Can be programmed only one! Go on?"},
    {19, "CheckPortError",
     "Note! Any force connect this serial port may cause unpredictable mistakes. Continue?"},
    {20, "ConnectionChangeText", "Device is connected. Do you want to disconnect?"},
};

TEST(MessageTable, HoldsTwentyOneEntriesInTheirOrder) {
  static_assert(kMessageCount == 21);
  static_assert(std::size(kExpected) == kMessageCount);
  MessageTable table;
  table.SetBuiltInTexts();
  for (const Entry& entry : kExpected) {
    EXPECT_EQ(table.Text(entry.index), entry.english) << entry.name;
    EXPECT_EQ(MessageTable::EntryName(entry.index), entry.name);
    EXPECT_EQ(MessageTable::EnglishDefault(entry.index), entry.english);
    EXPECT_EQ(MessageTable::IndexOf(entry.name), entry.index);
  }
  EXPECT_EQ(table.WarningCaption(), "Warning");
  EXPECT_EQ(table.ErrorCaption(), "Error");
}

TEST(MessageTable, IsEmptyUntilTheBuiltInTextsAreSet) {
  MessageTable table;
  for (int i = 0; i < kMessageCount; ++i) EXPECT_EQ(table.Text(i), "") << i;
  EXPECT_EQ(table.WarningCaption(), "");
  EXPECT_EQ(table.ErrorCaption(), "");
}

TEST(MessageTable, ConnectButtonIndexesAreFixed) {
  EXPECT_EQ(kMsgConnect, 0);
  EXPECT_EQ(kMsgDisconnect, 1);
}

TEST(MessageTable, ReplacesEntriesAndCaptionsAndRefusesOthers) {
  MessageTable table;
  table.SetBuiltInTexts();
  EXPECT_TRUE(table.SetText(kMsgQueryExit, "Quit?"));
  EXPECT_EQ(table[kMsgQueryExit], "Quit?");
  EXPECT_TRUE(table.SetText(kMsgConnect, ""));
  EXPECT_EQ(table[kMsgConnect], "");
  EXPECT_FALSE(table.SetText(-1, "x"));
  EXPECT_FALSE(table.SetText(kMessageCount, "x"));
  EXPECT_EQ(table.Text(kMessageCount), "");
  EXPECT_EQ(table.Text(-5), "");
  table.SetWarningCaption("W");
  table.SetErrorCaption("E");
  EXPECT_EQ(table.WarningCaption(), "W");
  EXPECT_EQ(table.ErrorCaption(), "E");
  table.SetBuiltInTexts();
  EXPECT_EQ(table[kMsgQueryExit], "Are you sure to exit?");
  EXPECT_EQ(table.WarningCaption(), "Warning");
}

TEST(MessageTable, NamesAreUnique) {
  std::set<std::string_view> names;
  for (int i = 0; i < kMessageCount; ++i) names.insert(MessageTable::EntryName(i));
  EXPECT_EQ(names.size(), static_cast<size_t>(kMessageCount));
  EXPECT_EQ(MessageTable::IndexOf("connect"), -1);
  EXPECT_EQ(MessageTable::IndexOf("Nothing"), -1);
}

TEST(MessageTable, UnableToWriteInsertsThePathAsItIs) {
  EXPECT_EQ(UnableToWriteText("/home/a/TeskPelyxConfigPro.ini"),
            "Unable to write to /home/a/TeskPelyxConfigPro.ini");
  EXPECT_EQ(UnableToWriteText("/tmp/%s%n%d"), "Unable to write to /tmp/%s%n%d");
}

}  // namespace
}  // namespace pelyx::app
