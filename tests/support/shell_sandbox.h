// A sandbox for tests of the shell namespace and the shell controls: a temporary home folder
// (HOME, XDG_DATA_HOME, XDG_CONFIG_HOME point into it, so the trash and the user folders are the
// test's own) holding a small folder tree, made fresh for each test and removed afterwards.
//
//   <Root>/Alpha/           a folder with a folder and a file
//   <Root>/Alpha/Sub/
//   <Root>/Alpha/a.txt
//   <Root>/beta.jpg         a file of 5 bytes
//   <Root>/zeta.PNG
//   <Root>/.hidden/         a hidden folder
//   <Root>/.dotfile         a hidden file
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/shlobj.h"

class TShellSandbox {
public:
  TShellSandbox() {
    static int serial = 0;
    Base = std::filesystem::temp_directory_path() /
           ("orv-shellbox-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::remove_all(Base);
    Home = (Base / "home").string();
    Root = (Base / "home" / "tree").string();
    std::filesystem::create_directories(Root + "/Alpha/Sub");
    std::filesystem::create_directories(Root + "/.hidden");
    Write(Root + "/Alpha/a.txt", "alpha");
    Write(Root + "/beta.jpg", "12345");
    Write(Root + "/zeta.PNG", "z");
    Write(Root + "/.dotfile", "dot");
    for (const char* v : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
      const char* old = std::getenv(v);
      FSaved.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
    }
    setenv("HOME", Home.c_str(), 1);
    setenv("XDG_DATA_HOME", (Home + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Home + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (Home + "/.cache").c_str(), 1);
  }
  ~TShellSandbox() {
    for (auto& [name, value] : FSaved)
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    std::error_code ec;
    std::filesystem::remove_all(Base, ec);
  }
  TShellSandbox(const TShellSandbox&) = delete;
  TShellSandbox& operator=(const TShellSandbox&) = delete;

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
  }
  static bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
  }

  std::filesystem::path Base;
  std::string Home, Root;

private:
  std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

// An item list that frees itself.
struct TPidl {
  LPITEMIDLIST P = nullptr;
  TPidl() = default;
  explicit TPidl(LPITEMIDLIST p) : P(p) {}
  ~TPidl() { ILFree(P); }
  TPidl(const TPidl&) = delete;
  TPidl& operator=(const TPidl&) = delete;
  TPidl(TPidl&& o) noexcept : P(std::exchange(o.P, nullptr)) {}
  TPidl& operator=(TPidl&& o) noexcept {
    ILFree(P);
    P = std::exchange(o.P, nullptr);
    return *this;
  }
  operator LPITEMIDLIST() const { return P; }
};

// The desktop's parse of a path (null list when it fails; the result in *hr).
inline TPidl ParseShellPath(const std::string& path, HRESULT* hr = nullptr) {
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  LPITEMIDLIST p = nullptr;
  HRESULT r = desktop->ParseDisplayName(nullptr, nullptr, path.c_str(), nullptr, &p, nullptr);
  desktop->Release();
  if (hr) *hr = r;
  return TPidl(p);
}

inline std::string ShellPathOf(LPCITEMIDLIST pidl) {
  char buf[4096];
  return SHGetPathFromIDListEx(pidl, buf, sizeof buf, 0) ? std::string(buf) : std::string();
}
