// The program's folder, "Set.dat" and the program's own store of system settings.
#include "app/settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"

namespace {

std::string& FolderOverride() {
  static std::string folder;
  return folder;
}

const char kInternationalKey[] = "\\Control Panel\\International";
const char kExplorerAdvancedKey[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
const char kFileExtsKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

void WriteDefault(HKEY Root, const std::string& Key, const std::string& Value) {
  TRegistry reg;
  reg.SetRootKey(Root);
  if (!reg.OpenKey(Key, true)) throw ERegistryException("Failed to create key " + Key);
  reg.WriteString("", Value);
  reg.CloseKey();
}

// Desktop-entry quoting of one Exec argument: inside double quotes, '"', '`', '$' and '\' take
// a backslash; the file's own string escaping then doubles every backslash.
std::string DesktopExecArgument(const std::string& Arg) {
  std::string quoted = "\"";
  for (char c : Arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (char c : quoted) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// True when Folder exists (made if needed) and this process may create files in it.
bool WritableFolder(const std::string& Folder) {
  try {
    if (!ForceDirectories(Folder)) return false;
  } catch (const Exception&) {
    return false;
  }
  return ::access(Folder.c_str(), W_OK | X_OK) == 0;
}

bool WriteDesktopFiles(const std::string& ClassName, const std::string& Program) {
  const std::string apps = XdgDataFolder() + "applications/";
  if (!WritableFolder(apps)) return false;
  const std::string desktop = AssociationDesktopFileName(Program);
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=" +
      ExtractFileName(Program) +
      "\n"
      "Comment=" +
      ClassName +
      "\n"
      "Exec=" +
      DesktopExecArgument(Program) +
      " %f\n"
      "Icon=image-x-generic\n"
      "MimeType=image/jpeg;\n"
      "NoDisplay=true\n"
      "Terminal=false\n";
  if (!ReplaceFileContent(apps + desktop, entry)) return false;
  // The MIME default in the same folder; the file's other entries stay as they are.
  try {
    TIniFile list(apps + "mimeapps.list");
    list.WriteString("Default Applications", "image/jpeg", desktop);
    std::string added = list.ReadString("Added Associations", "image/jpeg", "");
    if (added.find(desktop) == std::string::npos)
      list.WriteString("Added Associations", "image/jpeg", desktop + ";" + added);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

}  // namespace

std::string ProgramFolder() {
  if (!FolderOverride().empty()) return FolderOverride();
  return ExtractFilePath(ParamStr(0));
}

void SetProgramFolder(const std::string& Folder) {
  FolderOverride() = Folder.empty() ? Folder : IncludeTrailingPathDelimiter(Folder);
}

int ReadLeftWidth(TCustomIniFile* Ini) {
  return Ini->ReadInteger(kOptionsSection, "LeftWidth", kDefaultLeftWidth);
}

void WriteLeftWidth(TCustomIniFile* Ini, int Width) {
  Ini->WriteInteger(kOptionsSection, "LeftWidth", Width);
}

int ReadJpegQuality(TCustomIniFile* Ini) {
  return Ini->ReadInteger(kOptionsSection, "ys", kDefaultJpegQuality);
}

std::string ReadSystemShortDateFormat() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (reg.OpenKeyReadOnly(kInternationalKey) && reg.GetDataType("sShortDate") == rdString) {
    std::string stored = reg.ReadString("sShortDate");
    if (!stored.empty()) return stored;
  }
  return GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE);
}

void WriteSystemShortDateFormat(const std::string& Format) {
  SetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE, Format);
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKey(kInternationalKey, true))
    throw ERegistryException(std::string("Failed to create key ") + kInternationalKey);
  reg.WriteString("sShortDate", Format);
}

int ReadExplorerHidden() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKeyReadOnly(kExplorerAdvancedKey) || reg.GetDataType("Hidden") != rdInteger)
    return -1;
  return reg.ReadInteger("Hidden");
}

void WriteExplorerHidden(int Value) {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKey(kExplorerAdvancedKey, true))
    throw ERegistryException(std::string("Failed to create key ") + kExplorerAdvancedKey);
  reg.WriteInteger("Hidden", Value);
}

std::string XdgDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return IncludeTrailingPathDelimiter(data);
  const char* home = std::getenv("HOME");
  return IncludeTrailingPathDelimiter(std::string(home ? home : "") + "/.local/share");
}

std::string AssociationDesktopFileName(const std::string& Program) {
  std::string name;
  for (char c : ExtractFileName(Program)) {
    unsigned char u = static_cast<unsigned char>(c);
    name += std::isalnum(u) || c == '-' || c == '_' ? static_cast<char>(std::tolower(u)) : '-';
  }
  return "orvanta-" + name + ".desktop";
}

bool RegisterJpgAssociation(const std::string& Extension, const std::string& ClassName,
                            const std::string& Program, int IconIndex) {
  // Never point the association at a program that is not there.
  struct stat st;
  if (::stat(Program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      ::access(Program.c_str(), X_OK) != 0)
    return false;
  WriteDefault(HKEY_CLASSES_ROOT, Extension, ClassName);
  WriteDefault(HKEY_CLASSES_ROOT, "\\" + ClassName + "\\Shell\\Open\\Command",
               "\"" + Program + "\"   %1");
  WriteDefault(HKEY_CLASSES_ROOT, "\\" + ClassName + "\\DefaultIcon",
               "\"" + Program + "\"," + std::to_string(IconIndex));
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKey(kFileExtsKey + Extension, true))
    throw ERegistryException(std::string("Failed to create key ") + kFileExtsKey + Extension);
  reg.WriteString("Application", Program);
  reg.CloseKey();
  WriteDesktopFiles(ClassName, Program);
  return true;
}
