// ShellExecute over xdg-open: resolves the target, checks it, and starts the opener detached (the
// program must not wait for, or be tied to, the viewer it starts).
#include "platform/win/shellapi.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"

extern char** environ;

namespace {

std::mutex gLock;
std::vector<TShellRequest> gRequests;

HINSTANCE Result(intptr_t v) { return reinterpret_cast<HINSTANCE>(v); }

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = std::strlen(prefix);
  return s.size() >= n && SameText(s.substr(0, n), prefix);
}

bool IsAddress(const std::string& s) {
  return StartsWithNoCase(s, "http://") || StartsWithNoCase(s, "https://") ||
         StartsWithNoCase(s, "mailto:");
}

// "Explorer.exe", with or without a folder or the extension, in any case.
bool IsFileManager(const std::string& file) {
  std::string base = std::filesystem::path(file).filename().string();
  return SameText(base, "explorer.exe") || SameText(base, "explorer");
}

bool HeadlessOnly() {
  const char* want = std::getenv("ORVANTA_DISPLAY");
  if (want && std::string(want) == "headless") return true;
  return !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
}

// Starts Opener Target in a grandchild so that no zombie is left and the opener outlives nothing
// of ours; the intermediate child is reaped here.
bool Launch(const std::string& opener, const std::string& target) {
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    pid_t grandchild;
    char* argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(target.c_str()), nullptr};
    int rc = posix_spawnp(&grandchild, opener.c_str(), nullptr, nullptr, argv, environ);
    _exit(rc == 0 ? 0 : 127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

HINSTANCE ShellExecute(HWND, const char* Verb, const char* File, const char* Parameters,
                       const char* Directory, int) {
  std::string verb = Verb && *Verb ? Verb : "open";
  if (!SameText(verb, "open") && !SameText(verb, "explore")) return Result(SE_ERR_NOASSOC);
  std::string file = File ? File : "";
  std::string target = file;
  if (IsFileManager(file)) {
    target = Parameters ? Parameters : "";
    if (target.empty()) target = GetCurrentDir();
  } else if (Parameters && *Parameters && !IsAddress(file)) {
    // Documents and folders take no arguments; a program with arguments is not ours to start.
    return Result(SE_ERR_NOASSOC);
  }
  if (target.empty()) return Result(SE_ERR_FNF);
  if (!IsAddress(target)) {
    if (target.find("://") != std::string::npos) return Result(SE_ERR_NOASSOC);
    std::filesystem::path p(target);
    if (p.is_relative())
      p = std::filesystem::path(Directory && *Directory ? Directory : GetCurrentDir()) / p;
    std::error_code ec;
    if (!std::filesystem::exists(p.parent_path(), ec)) return Result(SE_ERR_PNF);
    if (!std::filesystem::exists(p, ec)) return Result(SE_ERR_FNF);
    if (access(p.c_str(), R_OK) != 0) return Result(SE_ERR_ACCESSDENIED);
    target = std::filesystem::absolute(p, ec).lexically_normal().string();
  }
  TShellRequest req{SameText(verb, "explore") ? "explore" : "open", target, false};
  if (!HeadlessOnly()) {
    const char* named = std::getenv("ORVANTA_OPENER");
    std::string opener = named && *named ? named : "xdg-open";
    if (!Launch(opener, target)) return Result(SE_ERR_NOASSOC);
    req.Launched = true;
  }
  std::lock_guard<std::mutex> g(gLock);
  gRequests.push_back(req);
  return Result(42);
}

std::vector<TShellRequest> ShellRequests() {
  std::lock_guard<std::mutex> g(gLock);
  return gRequests;
}

void ClearShellRequests() {
  std::lock_guard<std::mutex> g(gLock);
  gRequests.clear();
}
