// The JScript compiler: the bytes as a program under the global script, compiled only.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "script/sc_iinterpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > 65536) return 0;
  try {
    TscScript script(nullptr);
    script.Parent = scGlobalScript();
    script.SyntaxType = "JScript";
    script.SetText(std::string(reinterpret_cast<const char*>(Data), Size));
    script.Compile();
  } catch (const std::exception&) {
  }
  return 0;
}
