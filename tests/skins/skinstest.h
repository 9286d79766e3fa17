// Helpers shared by the skin tests: paths of the source and build trees and of the shipped skin.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

inline std::string SourceDir() {
  const char* s = std::getenv("ORVANTA_SOURCE_DIR");
  return s ? s : ".";
}

inline std::string BinaryDir() {
  if (const char* b = std::getenv("ORVANTA_BINARY_DIR")) return b;
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../..")
      .lexically_normal()
      .string();
}

// The compressed form of the skin "Slate" kept in the repository.
inline std::string ShippedSkin() { return SourceDir() + "/data/skins/slate.skn"; }

}  // namespace
