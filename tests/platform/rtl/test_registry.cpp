// The registry stand-in: keys and typed values persist across instances in the store file under
// XDG_CONFIG_HOME, which each test points at a fresh folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/rtl/registry.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-reg-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadOld = old != nullptr;
    if (old) oldValue = old;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  }
  void TearDown() override {
    if (hadOld)
      setenv("XDG_CONFIG_HOME", oldValue.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
  }
  static std::vector<std::string> Lines(TStrings& s) {
    std::vector<std::string> out;
    for (int i = 0; i < s.Count(); ++i) out.push_back(s[i]);
    return out;
  }
  std::string dir, oldValue;
  bool hadOld = false;
};

TEST_F(RegistryTest, ValuesPersistAcrossInstances) {
  EXPECT_EQ(RegistryStoreFolder(), dir + "/orvanta");
  const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey(key, false));
    ASSERT_TRUE(reg.OpenKey(key, true));
    EXPECT_EQ(reg.CurrentPath(), key.substr(1));
    reg.WriteInteger("Hidden", 2);
    reg.WriteString("Text", "line one\nsaid \"hi\" \\ bye");
    reg.WriteBool("Flag", true);
    reg.WriteFloat("Float", 0.1);
    const uint8_t bin[] = {0, 0xFF, 0x10};
    reg.WriteBinaryData("Bin", bin, 3);
    reg.WriteString("", "default value");
    reg.CloseKey();
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(key, false));
  EXPECT_EQ(reg.ReadInteger("hidden"), 2);  // names are matched without regard to case
  EXPECT_EQ(reg.ReadString("Text"), "line one\nsaid \"hi\" \\ bye");
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.ReadFloat("Float"), 0.1);
  uint8_t back[8] = {};
  EXPECT_EQ(reg.ReadBinaryData("Bin", back, sizeof back), 3);
  EXPECT_EQ(back[1], 0xFF);
  EXPECT_EQ(reg.ReadString(""), "default value");
  EXPECT_EQ(reg.GetDataType("Hidden"), rdInteger);
  EXPECT_EQ(reg.GetDataType("Text"), rdString);
  EXPECT_EQ(reg.GetDataSize("Bin"), 3);
  EXPECT_EQ(reg.GetDataSize("Missing"), -1);
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"Hidden", "Text", "Flag", "Float", "Bin", ""}));

  // Overwriting keeps one value of the new type.
  reg.WriteString("Hidden", "now text");
  EXPECT_EQ(reg.GetDataType("Hidden"), rdString);
  reg.GetValueNames(&names);
  EXPECT_EQ(names.Count(), 6);
}

TEST_F(RegistryTest, MissingValuesAndWrongTypesRaise) {
  TRegistry reg;
  try {
    reg.WriteString("x", "no key open");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'x'");
  }
  ASSERT_TRUE(reg.OpenKey("Software\\Test", true));
  reg.WriteString("s", "text");
  struct Case {
    const char* name;
    const char* message;
  };
  const Case cases[] = {{"missing", "Failed to get data for 'missing'"},
                        {"s", "Invalid data type for 's'"}};
  for (const Case& c : cases) {
    try {
      reg.ReadInteger(c.name);
      ADD_FAILURE() << c.name;
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_THROW(reg.ReadBool("missing"), ERegistryException);
  EXPECT_THROW(reg.ReadFloat("s"), ERegistryException);
  EXPECT_EQ(reg.ReadString("missing"), "");  // strings read as empty

  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Test"));
  EXPECT_EQ(reg.ReadString("s"), "text");
  EXPECT_THROW(reg.WriteString("s", "refused"), ERegistryException);
  EXPECT_FALSE(reg.DeleteValue("s"));
}

TEST_F(RegistryTest, KeysRelativePathsRootsAndDeletion) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Rede Vivedad", true));
  ASSERT_TRUE(reg.OpenKey("Form.Designer", true));  // relative to the open key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Rede Vivedad\\Form.Designer");
  reg.WriteInteger("Left", 10);
  ASSERT_TRUE(reg.CreateKey("\\Software\\Rede Vivedad\\ToolBar.Main\\Deep"));
  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\rede vivedad\\toolbar.main"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Nobody"));

  ASSERT_TRUE(reg.OpenKey("\\Software\\Rede Vivedad", false));
  EXPECT_TRUE(reg.HasSubKeys());
  TStringList keys;
  reg.GetKeyNames(&keys);
  EXPECT_EQ(Lines(keys), (std::vector<std::string>{"Form.Designer", "ToolBar.Main"}));

  // The same path below another root is another key.
  TRegistry classes;
  classes.SetRootKey(HKEY_CLASSES_ROOT);
  EXPECT_FALSE(classes.KeyExists("\\Software\\Rede Vivedad"));
  ASSERT_TRUE(classes.OpenKey("\\.jpg", true));
  classes.WriteString("", "Glimmora.jpg");

  EXPECT_TRUE(reg.DeleteKey("ToolBar.Main"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Rede Vivedad\\ToolBar.Main\\Deep"));
  EXPECT_FALSE(reg.DeleteKey("ToolBar.Main"));
  EXPECT_TRUE(reg.KeyExists("Form.Designer"));
  EXPECT_TRUE(reg.DeleteValue("Form.Designer") == false);  // a key is not a value

  TRegistry again;
  again.SetRootKey(HKEY_CLASSES_ROOT);
  ASSERT_TRUE(again.OpenKey("\\.JPG", false));
  EXPECT_EQ(again.ReadString(""), "Glimmora.jpg");
}

TEST_F(RegistryTest, RegistryIniFileStoresSectionsAsSubkeys) {
  {
    TRegistryIniFile ini("\\Software\\Rede Vivedad");
    EXPECT_EQ(ini.ReadInteger("Form.TrptDesignerForm", "Left", 5), 5);
    ini.WriteInteger("Form.TrptDesignerForm", "Left", 40);
    ini.WriteBool("Form.TrptDesignerForm", "Maximized", true);
    ini.WriteString("Form.TrptDesignerForm", "Dock", "");
    ini.WriteString("Form.TrptObjectInspector", "Width", "180");
  }
  TRegistryIniFile ini("\\Software\\Rede Vivedad");
  EXPECT_EQ(ini.ReadInteger("Form.TrptDesignerForm", "Left", 0), 40);
  EXPECT_TRUE(ini.ReadBool("Form.TrptDesignerForm", "Maximized", false));
  EXPECT_EQ(ini.ReadString("Form.TrptDesignerForm", "Left", ""), "40");
  EXPECT_EQ(ini.ReadInteger("Form.TrptObjectInspector", "Width", 0), 180);  // number as text
  EXPECT_TRUE(ini.ValueExists("Form.TrptDesignerForm", "Dock"));
  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"Form.TrptDesignerForm", "Form.TrptObjectInspector"}));
  ini.ReadSectionValues("Form.TrptDesignerForm", &list);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"Left=40", "Maximized=1", "Dock="}));
  ini.DeleteKey("Form.TrptDesignerForm", "Dock");
  EXPECT_FALSE(ini.ValueExists("Form.TrptDesignerForm", "Dock"));
  ini.EraseSection("Form.TrptObjectInspector");
  EXPECT_FALSE(ini.SectionExists("Form.TrptObjectInspector"));
  EXPECT_EQ(ini.ReadString("Nowhere", "x", "dflt"), "dflt");
}

TEST_F(RegistryTest, DamagedStoreLinesAreSkipped) {
  std::filesystem::create_directories(dir + "/orvanta");
  std::ofstream(dir + "/orvanta/registry.ini")
      << "[HKEY_CURRENT_USER\\Software\\X]\n"
         "\"good\"=dword:7\n"
         "\"broken=sz:\"x\n"
         "garbage line\n"
         "\"other\"=sz:\"fine\"\n";
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\X", false));
  EXPECT_EQ(reg.ReadInteger("good"), 7);
  EXPECT_EQ(reg.ReadString("other"), "fine");
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(names.Count(), 2);
}

}  // namespace
