// The desktop entry and the report MIME type that let a file manager open a
// report with the installed viewer ("Open with"). The archive carries their
// templates (zelrpt.desktop.in, zelrpt-report.xml) and the icon; setup fills in
// the install directory and writes them to the user's data directory.
// Toolkit-free; not used on Windows.
#pragma once

#include <string>

#include "status.h"

namespace zel::setup {

inline constexpr const char* kDesktopTemplate = "zelrpt.desktop.in";
inline constexpr const char* kMimePackage = "zelrpt-report.xml";
inline constexpr const char* kIconFile = "zelrpt.png";

// The desktop entry from its template: @ZELRPT_EXEC@ becomes the launcher in
// installDir, quoted for an Exec key where needed, @ZELRPT_ICON@ the icon.
std::string DesktopEntryText(const std::string& templateText, const std::string& installDir);

// $XDG_DATA_HOME, else $HOME/.local/share; empty when neither is set.
std::string UserDataHome();

// Writes dataHome/applications/zelrpt.desktop and dataHome/mime/packages/
// zelrpt-report.xml from the templates in installDir, then refreshes the MIME
// and desktop databases when their tools are installed. Nothing to do (ok)
// when installDir holds no template.
Status RegisterDesktopEntry(const std::string& installDir, const std::string& dataHome);

}  // namespace zel::setup
