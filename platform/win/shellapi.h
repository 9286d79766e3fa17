// Opening documents, folders and addresses with the desktop's default programs ("open" verbs).
// On this platform the work is done by xdg-open (or the program named by ORVANTA_OPENER); without a
// display, or with ORVANTA_DISPLAY=headless, the request is only recorded, so that tests and
// headless runs never start desktop programs.
#pragma once

#include <string>
#include <vector>

#include "platform/win/windef.h"

// ShellExecute's error results (values of 32 or less); success returns a value above 32.
enum : intptr_t {
  SE_ERR_FNF = 2,            // file or folder not found
  SE_ERR_PNF = 3,            // path not found
  SE_ERR_ACCESSDENIED = 5,
  SE_ERR_NOASSOC = 31,       // verb not supported, or no program to open it with
};

// One request as it was (or would have been) handed to the opener: the verb and the target (an
// absolute path, or a URL with its scheme).
struct TShellRequest {
  std::string Verb;
  std::string Target;
  bool Launched = false;  // false: recorded only (headless)
};

// Opens File with Verb ("open", "explore" or null for "open"). File may be a path (relative ones
// are taken in Directory, else in the current directory), a folder, an http, https or mailto
// address, or the file manager "Explorer.exe" with the folder as Parameters. Other verbs (print,
// edit...) and other programs are refused with SE_ERR_NOASSOC. Returns a value above 32 when the
// request was handed over.
HINSTANCE ShellExecute(HWND Wnd, const char* Verb, const char* File, const char* Parameters,
                       const char* Directory, int ShowCmd);
inline HINSTANCE ShellExecuteA(HWND Wnd, const char* Verb, const char* File, const char* Parameters,
                               const char* Directory, int ShowCmd) {
  return ShellExecute(Wnd, Verb, File, Parameters, Directory, ShowCmd);
}

// The requests made so far in this process, oldest first (for tests and diagnostics).
std::vector<TShellRequest> ShellRequests();
void ClearShellRequests();
