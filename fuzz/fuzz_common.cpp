#include "fuzz/fuzz_common.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace orvfuzz {

const std::string& ScratchFolder() {
  // Never destroyed: the exit handler below still needs the name.
  static const std::string* folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path p = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") /
                              ("orvfuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(p);
    auto* name = new std::string(p.string());
    // The folder goes with the process (libFuzzer ends a run through exit).
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchFolder(), ec);
    });
    return name;
  }();
  return *folder;
}

std::string WriteScratchFile(const std::string& Name, const uint8_t* Data, size_t Size) {
  const std::string path = ScratchFolder() + "/" + Name;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (Size) std::fwrite(Data, 1, Size, f);
    std::fclose(f);
  }
  return path;
}

}  // namespace orvfuzz
