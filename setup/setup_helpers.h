// Small routines the wizard pages and the installation steps share: directory
// creation along a path, the drive-ready test, and the application's error report
// (the message shown when a step meets an input/output error it cannot go on from).
// Toolkit-free; messages go to the message service the caller gives.
#pragma once

#include <string>

namespace zel {
class MessageService;
}  // namespace zel

namespace zel::setup {

class SetupPlatform;
struct SetupState;

// Creates every missing directory along path, from the left. A trailing separator
// adds no step; the last segment is created without testing first (callers only
// ask for directories that do not exist). A leading separator starts at the root.
// On failure shows "디렉토리를 만들 수 없습니다." once, with the directory and the
// reason, and returns false; nothing created so far is removed. Every directory
// made is added to state.madeDirectories.
bool MakeDirPath(MessageService& messages, SetupState& state, const std::string& path);

// Removes the state's madeDirectories that are still empty, innermost first, and
// forgets them all: what the user made for an installation that did not happen.
void RemoveMadeDirectories(SetupState& state);

// Whether a drive-list entry names a drive: a letter A to Z (either case) or the root.
bool IsDriveId(const std::string& drive);
// Whether the drive of a drive-list entry is ready; false for an entry that is no
// drive (callers report "Not a valid drive ID" for those first, see IsDriveId).
bool DiskInDrive(SetupPlatform& platform, const std::string& drive);

// The application's error report: the text in an error box captioned "오류".
void ReportApplicationError(MessageService& messages, const std::string& text);

// "File not found", "Invalid filename", "File access denied" or "I/O error %d".
std::string ioErrorText(int error);

// path as it is when absolute, otherwise below base; "." and ".." are resolved
// in the text (blanks and everything else stay as typed).
std::string absolutePath(const std::string& path, const std::string& base);

// The longest leading part of an absolute path that names an existing directory.
std::string nearestExistingDirectory(const std::string& path);
// Removes path and its parents while they are empty, stopping at stop (kept).
void removeEmptyDirectoriesUpTo(const std::string& path, const std::string& stop);

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);
// A regular file (following links), and nothing else: no FIFO, device or directory.
bool regularFileExists(const std::string& path);

}  // namespace zel::setup
