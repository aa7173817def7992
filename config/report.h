// The configuration report: offered shortly after Read Device, assembled from the
// product information as it stands then, saved as a text file with CR LF line ends
// where the user chooses, and opened in a text editor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_form.h"
#include "config/product_info.h"

namespace pelyx::config {

// ReportCountdown: 255 no report pending; 1 to 254 the report-timer ticks left.
inline constexpr int32_t kNoReportPending = 255;
inline constexpr int32_t kReportDelayTicks = 2;

struct ReportState {
  int32_t ReportCountdown = kNoReportPending;
};

// Read Device asks for the report: it comes on the second report-timer tick from now.
void ArmReport(ReportState& report);

// The local date and time of the report.
struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalDateTime LocalNow();

// The report's lines, without line ends.
std::vector<std::string> ReportLines(const ProductInfo& info, const LocalDateTime& when);

// The file name proposed in the save dialog: the serial number without anything that
// could take the file out of the folder the user picks (path separators, drive colons,
// leading dots) or that no file name may hold (control characters, wildcards).
std::string ProposedReportName(std::string_view serialNumber);

// Writes the lines, each followed by CR LF, replacing any previous content. False when
// the file could not be written completely.
bool WriteReportFile(const std::string& path, const std::vector<std::string>& lines);

// The save dialog's settings.
inline constexpr char kReportFileFilter[] = "Report File (*.TXT)|*.TXT";
inline constexpr char kReportFileExtension[] = "TXT";

// What running the report needs from the window besides its boxes.
struct ReportServices {
  std::function<LocalDateTime()> now = LocalNow;
  // Opens the saved file in the platform's text editor without waiting for it; whether
  // the editor starts is not checked.
  std::function<void(const std::string& path)> openInTextEditor;
};

enum class ReportOutcome {
  kNotDue,          // the tick did not run the report
  kDeclined,        // not OK at "Do you want to save the report?"
  kCancelled,       // the save dialog was cancelled
  kNotOverwritten,  // not Yes at the overwrite question
  kWriteFailed,     // the file could not be written; the user was told
  kSaved,           // written and handed to the text editor
};

// The report itself: the question, the assembly (also into MemoRecord), the save
// dialog with the proposed name, the overwrite question, the file, the editor.
ReportOutcome RunReport(const ProductInfo& info, ConfigPrompt& prompt, ConfigForm& form,
                        const ReportServices& services);

// A tick of the report timer: counts down a pending report and runs it when the count
// reaches 0 (ReportCountdown is back at 255 before the question comes).
ReportOutcome Timer2Timer(ReportState& report, const ProductInfo& info, ConfigPrompt& prompt,
                          ConfigForm& form, const ReportServices& services);

}  // namespace pelyx::config
