// The global script: base types, constants and the built-in function library.
#pragma once

#include <functional>
#include <string>

#include "script/sc_iinterpreter.h"

// Shows a script's ShowMessage text. The class library installs its modal message box here;
// until then the text goes to the standard error stream.
extern std::function<void(const std::string&)> scShowMessageHandler;
