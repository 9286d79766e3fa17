// The program's settings: "Set.dat", the program's own store of what it once changed in the
// system, and the ".jpg" association written only for a viewer that is really there.
#include <sys/stat.h>

#include "apptest.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"

using namespace apptest;

namespace {

class SettingsStore : public AppFolder {
protected:
  // An executable viewer beside the program.
  std::string MakeViewer(const std::string& Name = kViewerProgramName) {
    const std::string path = Prog + Name;
    WriteFile(path, "#!/bin/sh\n");
    chmod(path.c_str(), 0755);
    return path;
  }
  std::string Default(HKEY Root, const std::string& Key) {
    TRegistry reg;
    reg.SetRootKey(Root);
    if (!reg.OpenKeyReadOnly(Key)) return "<no key>";
    return reg.ReadString("");
  }
  std::string Apps() { return Root + "/data/applications/"; }
};

}  // namespace

TEST_F(SettingsStore, SetDatKeysAndTheirDefaults) {
  TIniFile ini(Prog + kSetDatFileName);
  EXPECT_EQ(ReadLeftWidth(&ini), 222);
  EXPECT_EQ(ReadJpegQuality(&ini), 50);  // the quality the settings window shows
  WriteLeftWidth(&ini, 310);
  ini.WriteInteger("Options", "ys", 90);
  TIniFile again(Prog + kSetDatFileName);
  EXPECT_EQ(ReadLeftWidth(&again), 310);
  EXPECT_EQ(ReadJpegQuality(&again), 90);
  EXPECT_NE(ReadFile(Prog + "Set.dat").find("[Options]"), std::string::npos);
}

TEST_F(SettingsStore, ProgramFolderIsTheExecutablesUnlessChosen) {
  EXPECT_EQ(ProgramFolder(), Prog);
  SetProgramFolder(Root + "/elsewhere");
  EXPECT_EQ(ProgramFolder(), Root + "/elsewhere/");
  SetProgramFolder("");
  EXPECT_EQ(ProgramFolder(), ExtractFilePath(ParamStr(0)));
}

TEST_F(SettingsStore, SystemValuesLiveInTheProgramsStore) {
  EXPECT_EQ(ReadExplorerHidden(), -1);
  WriteExplorerHidden(2);
  EXPECT_EQ(ReadExplorerHidden(), 2);
  WriteSystemShortDateFormat("dd/MM/yyyy");
  EXPECT_EQ(ReadSystemShortDateFormat(), "dd/MM/yyyy");
  EXPECT_EQ(GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE), "dd/MM/yyyy");
  WriteSystemShortDateFormat("yyyy-MM-dd");
  EXPECT_EQ(ReadSystemShortDateFormat(), "yyyy-MM-dd");
  EXPECT_EQ(FormatDateTime("ddddd", 45000), "2023-03-15");
  // Everything went to the store under the XDG config folder, nothing elsewhere.
  EXPECT_TRUE(FileExists(Root + "/config/orvanta/registry.ini"));
  EXPECT_FALSE(std::filesystem::exists(Root + "/home/.config"));
}

TEST_F(SettingsStore, NoAssociationForAViewerThatIsNotThere) {
  EXPECT_FALSE(RegisterJpgAssociation(".jpg", kJpgClassName, Prog + kViewerProgramName, 0));
  // A file that is not executable does not count either.
  WriteFile(Prog + kViewerProgramName, "data");
  EXPECT_FALSE(RegisterJpgAssociation(".jpg", kJpgClassName, Prog + kViewerProgramName, 0));
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, ".jpg"), "<no key>");
  EXPECT_FALSE(std::filesystem::exists(Apps()));
}

TEST_F(SettingsStore, AssociationGoesToTheStoreAndTheDesktop) {
  const std::string viewer = MakeViewer();
  ASSERT_TRUE(RegisterJpgAssociation(".jpg", kJpgClassName, viewer, 0));
  const std::string cls = kJpgClassName;
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, ".jpg"), cls);
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "\\" + cls + "\\Shell\\Open\\Command"),
            "\"" + viewer + "\"   %1");
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, "\\" + cls + "\\DefaultIcon"), "\"" + viewer + "\",0");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(
      "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg"));
  EXPECT_EQ(reg.ReadString("Application"), viewer);

  const std::string desktop = AssociationDesktopFileName(viewer);
  EXPECT_EQ(desktop, "orvanta-glimmora.desktop");
  const std::string entry = ReadFile(Apps() + desktop);
  EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(entry.find("Exec=\"" + viewer + "\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=image/jpeg;\n"), std::string::npos);
  TIniFile list(Apps() + "mimeapps.list");
  EXPECT_EQ(list.ReadString("Default Applications", "image/jpeg", ""), desktop);
}

TEST_F(SettingsStore, MimeDefaultsOfOtherProgramsStay) {
  std::filesystem::create_directories(Apps());
  WriteFile(Apps() + "mimeapps.list",
            "[Default Applications]\ntext/plain=editor.desktop\nimage/jpeg=old.desktop\n"
            "[Added Associations]\nimage/jpeg=old.desktop;\n");
  ASSERT_TRUE(RegisterJpgAssociation(".jpg", kJpgClassName, MakeViewer(), 0));
  TIniFile list(Apps() + "mimeapps.list");
  EXPECT_EQ(list.ReadString("Default Applications", "text/plain", ""), "editor.desktop");
  EXPECT_EQ(list.ReadString("Default Applications", "image/jpeg", ""), "orvanta-glimmora.desktop");
  EXPECT_EQ(list.ReadString("Added Associations", "image/jpeg", ""),
            "orvanta-glimmora.desktop;old.desktop;");
  // Writing it again adds nothing twice.
  ASSERT_TRUE(RegisterJpgAssociation(".jpg", kJpgClassName, MakeViewer(), 0));
  TIniFile again(Apps() + "mimeapps.list");
  EXPECT_EQ(again.ReadString("Added Associations", "image/jpeg", ""),
            "orvanta-glimmora.desktop;old.desktop;");
}

TEST_F(SettingsStore, DesktopFilesAreSkippedWhereTheDataFolderCannotBeWritten) {
  // The data folder's place is taken by a file: the desktop entry cannot be made there.
  WriteFile(Root + "/blocked", "x");
  setenv("XDG_DATA_HOME", (Root + "/blocked").c_str(), 1);
  EXPECT_TRUE(RegisterJpgAssociation(".jpg", kJpgClassName, MakeViewer(), 0));
  EXPECT_EQ(Default(HKEY_CLASSES_ROOT, ".jpg"), kJpgClassName);
  EXPECT_EQ(ReadFile(Root + "/blocked"), "x");
}

TEST_F(SettingsStore, ExecLinesQuoteTheViewersPath) {
  const std::string viewer = MakeViewer("Glim $view\"er");
  ASSERT_TRUE(RegisterJpgAssociation(".jpg", kJpgClassName, viewer, 0));
  const std::string desktop = AssociationDesktopFileName(viewer);
  EXPECT_EQ(desktop, "orvanta-glim--view-er.desktop");
  // Inside the quotes '$' and '"' take a backslash, which the file's escaping doubles.
  const std::string entry = ReadFile(Apps() + desktop);
  EXPECT_NE(entry.find("Exec=\"" + Prog + "Glim \\\\$view\\\\\"er\" %f\n"), std::string::npos)
      << entry;
}
