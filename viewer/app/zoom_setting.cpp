#include "zoom_setting.h"

#include "ini_file.h"
#include "report_directory.h"

namespace zel {

namespace {
constexpr char kSection[] = "INFO";
constexpr char kKey[] = "ZOOM";
constexpr int kMinPercent = 50, kMaxPercent = 250, kStep = 10;
}  // namespace

std::string zoomSettingText(const ZoomSetting& setting) {
  switch (setting.mode) {
    case ZoomMode::kFitPage: return "FIT";
    case ZoomMode::kFitWidth: return "WIDTH";
    case ZoomMode::kPercent: break;
  }
  return std::to_string(setting.percent);
}

std::optional<ZoomSetting> parseZoomSetting(const std::string& text) {
  if (text == "FIT") return ZoomSetting{ZoomMode::kFitPage, 0};
  if (text == "WIDTH") return ZoomSetting{ZoomMode::kFitWidth, 0};
  if (text.empty() || text.size() > 3) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  const int percent = std::stoi(text);
  if (percent < kMinPercent || percent > kMaxPercent || percent % kStep != 0) return std::nullopt;
  return ZoomSetting{ZoomMode::kPercent, percent};
}

std::optional<ZoomSetting> readZoomSetting(const std::string& programDirectory) {
  if (programDirectory.empty()) return std::nullopt;
  return parseZoomSetting(iniRead(infoIniPath(programDirectory), kSection, kKey));
}

void writeZoomSetting(const std::string& programDirectory, const ZoomSetting& setting) {
  if (programDirectory.empty()) return;
  iniWrite(infoIniPath(programDirectory), kSection, kKey, zoomSettingText(setting));
}

}  // namespace zel
