// File names between the file system and the windows. On Linux a name is
// bytes, often not UTF-8 (a CP949 report name copied from elsewhere); the
// toolkit's strings cannot hold such a name, so the windows keep the bytes
// and show a readable form of them. A name the user picks in a dialog comes
// back as text and is mapped to the bytes of the entry it shows.
// Toolkit-free; every text here is UTF-8.
#pragma once

#include <string>

namespace zel {

// A name as the windows show it: itself when it is UTF-8, else its CP949
// reading when every byte decodes, else the UTF-8 parts with each other
// byte written as \xNN.
std::string readableFileName(const std::string& bytes);

// readableFileName of every component of a path; the separators stay.
std::string readablePath(const std::string& bytes);

// The bytes of the path a dialog or a window shows as `shown`: each
// component that names no entry as it is spelled is the one entry of its
// directory whose readable name (or the toolkit's lossy reading, with U+FFFD
// for bad bytes) is that text. A component that matches no entry or several
// stays as spelled (a new file). When shown is readablePath(suggested), the
// answer is suggested, so a proposed name keeps its bytes even before the
// file exists.
std::string fileSystemPath(const std::string& shown, const std::string& suggested = {});

}  // namespace zel
