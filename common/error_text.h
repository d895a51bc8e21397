// The user's words for a failure that reaches a message box: a Korean first
// line chosen by what went wrong, then the technical detail (English, from
// the engine or the dataset layer) on the second line for whoever reports it.
// Toolkit-free; texts are UTF-8 and the line break is "\r" like every message.
#pragma once

#include <string>

namespace zel {

std::string errorMessageText(const std::string& detail);

}  // namespace zel
