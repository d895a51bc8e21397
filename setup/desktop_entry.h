// The desktop entry and the report MIME type that let a file manager open a
// report with the installed viewer ("Open with"). The archive carries their
// templates (zelrpt.desktop.in, zelrpt-report.xml) and the icon; setup fills in
// the install directory and writes them to the user's data directory.
// Toolkit-free; not used on Windows.
#pragma once

#include <string>

#include <vector>

#include "file_journal.h"
#include "status.h"

namespace zel::setup {

inline constexpr const char* kDesktopTemplate = "zelrpt.desktop.in";
inline constexpr const char* kMimePackage = "zelrpt-report.xml";
inline constexpr const char* kIconFile = "zelrpt.png";
// The installer's own copy in the installation directory, for the entry's
// "ZelRpt 제거" action.
inline constexpr const char* kInstallerCopy = "setup";

// The link to the viewer's launcher in the user's own program directory: its
// path needs no quoting in an Exec key, which some launchers (xdg-open of
// xdg-utils 1.1) cannot take.
inline constexpr const char* kLauncherLinkName = "zelrpt";

// The desktop entry from its template: @ZELRPT_EXEC@ becomes execPath (by
// default the launcher in installDir), quoted for an Exec key where needed,
// @ZELRPT_ICON@ the icon, @ZELRPT_UNINSTALL@ the installer's copy there and
// @ZELRPT_DIR@ installDir (both quoted where needed).
std::string DesktopEntryText(const std::string& templateText, const std::string& installDir,
                             const std::string& execPath = {});

// Whether a path can stand in an Exec key as it is, without quoting.
bool IsPlainExecArgument(const std::string& path);

// The home directory's .local/bin.
std::string UserBinDirectory();

// $XDG_DATA_HOME, else the home directory's .local/share.
std::string UserDataHome();

// Writes dataHome/applications/zelrpt.desktop and dataHome/mime/packages/
// zelrpt-report.xml from the templates in installDir, then refreshes the MIME
// and desktop databases when their tools are installed. Nothing to do (ok)
// when installDir holds no template. With a binDir whose path needs no quoting,
// binDir/zelrpt becomes a link to the launcher and the entry starts that (an
// existing binDir/zelrpt that is no link is left alone). With a journal,
// everything written can be taken back.
Status RegisterDesktopEntry(const std::string& installDir, const std::string& dataHome, const std::string& binDir = {},
                            FileJournal* journal = nullptr);

// Runs the MIME and desktop database tools over dataHome after an entry went.
void RefreshDesktopDatabases(const std::string& dataHome);

}  // namespace zel::setup
