// DataError: what the dataset layer raises (a missing field, a closed table, a
// failed conversion, an input/output error). It travels up to the window or
// command that started the work, which shows its text: the programs' standard
// error report. Nothing below the shell catches it silently.
#pragma once

#include <stdexcept>
#include <string>

namespace zel {

class DataError : public std::runtime_error {
 public:
  explicit DataError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace zel
