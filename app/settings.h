// Where the program keeps its settings: the folder it runs from (with "Set.dat", the databases
// and the pictures beside it), the keys of "Set.dat", and the program's own store for what the
// program once changed in the system (the short date format, Explorer's "Hidden" switch and
// the ".jpg" association).
//
// The system-wide changes stay inside the program's settings store (the registry stand-in
// under the XDG config folder). Only the file association reaches the desktop: a .desktop file
// and a MIME default under the XDG data folder, written only when the viewer program really
// stands beside this program and the user's data folder can be written.
#pragma once

#include <string>

class TCustomIniFile;

// The program's folder with a trailing delimiter: the folder of the running executable unless
// SetProgramFolder chose another (tests run the windows over a folder of their own).
std::string ProgramFolder();
void SetProgramFolder(const std::string& Folder);

// ---- "Set.dat" ----
inline constexpr char kSetDatFileName[] = "Set.dat";
inline constexpr char kOptionsSection[] = "Options";
inline constexpr int kDefaultLeftWidth = 222;
// The JPEG quality of rotated photos when "ys" is absent: the value the settings window shows
// then, so that what the studio sees is what is used.
inline constexpr int kDefaultJpegQuality = 50;

int ReadLeftWidth(TCustomIniFile* Ini);  // "LeftWidth", 222 when absent
void WriteLeftWidth(TCustomIniFile* Ini, int Width);
int ReadJpegQuality(TCustomIniFile* Ini);  // "ys", kDefaultJpegQuality when absent

// ---- the program's own store of system settings ----
// The short date format of the system default locale, in the locale's picture syntax
// ("yyyy-MM-dd"): the stored one when the program set one, else the process's.
std::string ReadSystemShortDateFormat();
// Sets it for the process and keeps it in the store.
void WriteSystemShortDateFormat(const std::string& Format);
// Explorer's "Hidden" value (2: hidden files are not shown); -1 when absent or not a number.
int ReadExplorerHidden();
void WriteExplorerHidden(int Value);

// The viewer program the ".jpg" association points at, beside this program.
inline constexpr char kViewerProgramName[] = "Glimmora";
inline constexpr char kJpgClassName[] = "JPG \xE6\x96\x87\xE4\xBB\xB6";  // "JPG 文件"

// Associates Extension (".jpg") with Program under the file class ClassName: the class, its
// open command ("\"program\"   %1") and icon ("\"program\",Icon") go to the store, and a
// .desktop file for Program with a MIME default for JPEG images goes to the XDG data folder.
// Nothing at all is written when Program is not an executable file. Returns whether the
// association was written; the desktop files are skipped silently when the data folder cannot
// be written. A store that cannot be written raises ERegistryException.
bool RegisterJpgAssociation(const std::string& Extension, const std::string& ClassName,
                            const std::string& Program, int IconIndex);
// The XDG data folder ($XDG_DATA_HOME, or ~/.local/share) with a trailing delimiter.
std::string XdgDataFolder();
// The name of the .desktop file RegisterJpgAssociation writes for Program.
std::string AssociationDesktopFileName(const std::string& Program);
