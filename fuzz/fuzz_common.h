// What the fuzz entry points share: a private scratch folder for parsers that read files, and
// the one-time start-up of the libraries. Each entry point is one LLVMFuzzerTestOneInput; the
// replay test builds the same sources with the function renamed (see CMakeLists.txt).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvfuzz {

// A folder of this process's own below the temporary folder, made on first use.
const std::string& ScratchFolder();
// Writes Data to Name inside the scratch folder and returns the full path.
std::string WriteScratchFile(const std::string& Name, const uint8_t* Data, size_t Size);

}  // namespace orvfuzz
