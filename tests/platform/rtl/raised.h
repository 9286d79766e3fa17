// Test helper: what an operation raises, as "ClassName: message", for tables of error cases.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/sysutils.h"

// Runs F and returns "ClassName: message" of the Exception it raises, "" when it raises none.
inline std::string Raised(const std::function<void()>& F) {
  try {
    F();
  } catch (const Exception& E) {
    return std::string(E.ClassName()) + ": " + E.Message();
  }
  return "";
}
