// Failures the renderer reports to its user in one line and ends on.
#pragma once

#include <stdexcept>

class ERenderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command line itself is wrong.
class EUsageError : public ERenderError {
 public:
  using ERenderError::ERenderError;
};
