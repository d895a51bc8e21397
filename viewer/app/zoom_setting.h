// The preview's last zoom, kept in Info.INI (section "INFO", key "ZOOM") so
// the next preview opens the way the user left the last one: "FIT" (whole
// page), "WIDTH" (fit width) or a percentage from 50 to 250 in steps of 10.
#pragma once

#include <optional>
#include <string>

namespace zel {

enum class ZoomMode { kPercent, kFitPage, kFitWidth };

struct ZoomSetting {
  ZoomMode mode = ZoomMode::kPercent;
  int percent = 100;  // kPercent only
};

std::string zoomSettingText(const ZoomSetting& setting);
// nullopt for an empty, unknown or out-of-step value.
std::optional<ZoomSetting> parseZoomSetting(const std::string& text);

// Read and written beside the program; nothing happens without a program directory.
std::optional<ZoomSetting> readZoomSetting(const std::string& programDirectory);
void writeZoomSetting(const std::string& programDirectory, const ZoomSetting& setting);

}  // namespace zel
