#include "config/report.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "config/receiver_protocol.h"

namespace pelyx::config {

namespace {

constexpr size_t kTitleRuleWidth = 43;
constexpr size_t kFooterRuleWidth = 34;
constexpr char kMakerName[] = "TESK Marine Electronics";
constexpr char kMakerWebAddress[] = "www.teskmarine.example";

// `text` centred in `width` columns with blanks on both sides.
std::string Centred(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text);
  const size_t left = (width - text.size()) / 2;
  std::string line(left, ' ');
  line.append(text);
  line.append(width - line.size(), ' ');
  return line;
}

bool NoExtension(const std::string& path) {
  return std::filesystem::path(path).filename().extension().empty();
}

}  // namespace

void ArmReport(ReportState& report) {
  report.ReportCountdown = kReportDelayTicks;
}

LocalDateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::vector<std::string> ReportLines(const ProductInfo& info, const LocalDateTime& when) {
  std::vector<std::string> lines;
  const std::string titleRule(kTitleRuleWidth, '=');
  const std::string footerRule(kFooterRuleWidth, '=');
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d", when.year, when.month,
                when.day, when.hour, when.minute, when.second);

  lines.push_back(titleRule);
  lines.push_back("   TESK Pelyx Configuration Report ");
  lines.push_back(std::string(7, ' ') + stamp);
  lines.push_back(titleRule);
  lines.push_back(std::string("  Serial Number    = ") + info.serialNumber);
  lines.push_back(std::string("  Firmware Version = ") + info.firmwareVersion);
  lines.push_back("");
  lines.push_back("");
  lines.push_back("[BAUD RATE]");
  lines.push_back("\tNMEA IN Baud Rate = " + std::to_string(info.nmeaInBaud));
  lines.push_back("");
  lines.push_back("\tNMEA OUT Baud Rate = " + std::to_string(info.nmeaOutBaud));
  lines.push_back("");
  if (info.daughterBoard) {
    lines.push_back("[Wi-Fi]");
    lines.push_back(std::string("\tWi-Fi SSID = ") + info.wifiSsid);
    lines.push_back("");
    const char* security = WifiSecurityName(info.wifiSecurity);
    if (security != nullptr) {
      lines.push_back(std::string("\tWi-Fi Security = ") + security);
      lines.push_back("");
      if (info.wifiSecurity != kWifiOpen) {
        lines.push_back(std::string("\tWi-Fi Password = ") + info.wifiPassword);
        lines.push_back("");
      }
    }
  }
  lines.push_back(footerRule);
  lines.push_back(Centred("Copyright (C) " + std::to_string(when.year), kFooterRuleWidth));
  lines.push_back(Centred(kMakerName, kFooterRuleWidth));
  lines.push_back(Centred(kMakerWebAddress, kFooterRuleWidth));
  lines.push_back(footerRule);
  return lines;
}

std::string ProposedReportName(std::string_view serialNumber) {
  std::string name;
  for (char c : serialNumber) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) continue;
    name.push_back(c);
  }
  // No leading dots (".." or a hidden file) and no leading or trailing blanks; Windows
  // also drops trailing dots.
  const size_t first = name.find_first_not_of(". ");
  if (first == std::string::npos) return {};
  name.erase(0, first);
  name.erase(name.find_last_not_of(". ") + 1);
  return name;
}

bool WriteReportFile(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const std::string& line : lines) {
    out << line << "\r\n";
  }
  out.close();
  return !out.fail();
}

ReportOutcome RunReport(const ProductInfo& info, ConfigPrompt& prompt, ConfigForm& form,
                        const ReportServices& services) {
  if (prompt.Message("Do you want to save the report?", "Save", PromptButtons::kOkCancel,
                     PromptIcon::kNone) != PromptAnswer::kOk) {
    return ReportOutcome::kDeclined;
  }
  const LocalDateTime when = services.now ? services.now() : LocalNow();
  const std::vector<std::string> lines = ReportLines(info, when);
  form.ClearLines(ConfigControl::MemoRecord);
  for (const std::string& line : lines) form.AppendLine(ConfigControl::MemoRecord, line);

  std::optional<std::string> chosen = prompt.SaveFileName(kReportFileFilter, kReportFileExtension,
                                                          ProposedReportName(info.serialNumber));
  if (!chosen || chosen->empty()) return ReportOutcome::kCancelled;
  std::string path = *chosen;
  if (NoExtension(path)) path += std::string(".") + kReportFileExtension;

  std::error_code error;
  if (std::filesystem::exists(path, error) &&
      prompt.Message("File already exists. Do you want to overwrite?", "Warning",
                     PromptButtons::kYesNo, PromptIcon::kNone) != PromptAnswer::kYes) {
    return ReportOutcome::kNotOverwritten;
  }
  if (!WriteReportFile(path, lines)) {
    prompt.Message("Report file write error! Please check!", "Error", PromptButtons::kOk,
                   PromptIcon::kError);
    return ReportOutcome::kWriteFailed;
  }
  if (services.openInTextEditor) services.openInTextEditor(path);
  return ReportOutcome::kSaved;
}

ReportOutcome Timer2Timer(ReportState& report, const ProductInfo& info, ConfigPrompt& prompt,
                          ConfigForm& form, const ReportServices& services) {
  if (report.ReportCountdown >= 1 && report.ReportCountdown <= 254) --report.ReportCountdown;
  if (report.ReportCountdown != 0) return ReportOutcome::kNotDue;
  report.ReportCountdown = kNoReportPending;
  return RunReport(info, prompt, form, services);
}

}  // namespace pelyx::config
