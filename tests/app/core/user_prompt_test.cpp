#include "app/core/user_prompt.h"

#include <gtest/gtest.h>

namespace pelyx::app {
namespace {

TEST(UserPrompt, SaveDialogsCarryTheirFilters) {
  EXPECT_EQ(kSaveRptFileDialog.filter, "Report File (*.TXT)|*.TXT");
  EXPECT_EQ(kSaveLogFileDialog.filter, "Data Log File (*.TXT)|*.TXT");
  EXPECT_EQ(kSaveRptFileDialog.defaultExtension, "TXT");
  EXPECT_EQ(kSaveLogFileDialog.defaultExtension, "TXT");
}

struct FilterCase {
  const char* filter;
  const char* toolkit;
};

class Filters : public testing::TestWithParam<FilterCase> {};

TEST_P(Filters, BecomeTheToolkitsForm) {
  EXPECT_EQ(ToolkitFilter(GetParam().filter), GetParam().toolkit);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, Filters,
    testing::Values(FilterCase{"Report File (*.TXT)|*.TXT", "Report File (*.TXT)"},
                    FilterCase{"Data Log File (*.TXT)|*.TXT", "Data Log File (*.TXT)"},
                    FilterCase{"Text|*.txt", "Text (*.txt)"},
                    FilterCase{"Text|*.txt;*.log|All|*.*", "Text (*.txt *.log);;All (*.*)"},
                    FilterCase{"Plain", "Plain"}));

}  // namespace
}  // namespace pelyx::app
