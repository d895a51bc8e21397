// The user's words for a failure: the one catalogue from an error's kind to
// the Korean text shown for it. A message box gets the kind's line first and
// the technical detail (English, from the engine or the data layer) on the
// next line for whoever reports it. Toolkit-free; texts are UTF-8 and the
// line break is "\r" like every message.
#pragma once

#include <exception>
#include <string>

#include "data_error.h"

namespace zel {

// The first line of an error message for an error of this kind.
const char* errorLine(ErrorKind kind);

// The line, then the detail (without the ": " a table without a name leaves in front).
std::string errorMessageText(ErrorKind kind, const std::string& detail);

// A DataError by its kind; any other exception is a failure of unknown kind.
std::string errorMessageText(const std::exception& e);

// What to say, after the report's path, when a report cannot be opened for a
// reason the user can act on (another program's hold, no read permission, the
// engine's driver missing); "" for other kinds: the caller's own refusal applies.
std::string openRefusalText(ErrorKind kind);

}  // namespace zel
