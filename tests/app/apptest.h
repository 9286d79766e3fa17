// Shared by the program's tests: a fresh folder under /tmp for each test with
//   prog/      the program's folder: the shipped databases and thumb.png copied from the build
//   config/    XDG_CONFIG_HOME (the program's settings store), data/ XDG_DATA_HOME, home/ HOME
//   shoots/    shoot folders made by the test
// and helpers to make shoot folders, open databases, answer message boxes and drive windows.
// Everything runs on the headless display.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/catalog.h"
#include "app/settings.h"
#include "imaging/codecs/iecodecs.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"

namespace apptest {

// The folder the build puts the shipped files in (beside the executable).
inline std::string ShippedDir() {
  if (const char* b = std::getenv("ORVANTA_BINARY_DIR")) return std::string(b) + "/app/";
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  return (exe.parent_path() / "../../app/").lexically_normal().string();
}

inline std::string SourceDir() {
  const char* s = std::getenv("ORVANTA_SOURCE_DIR");
  return s ? s : ".";
}

inline std::string ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

inline void Key(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

// Runs F from a timer once the current modal loop (or message loop) gets to it.
inline void Later(std::function<void()> F) {
  auto* t = new TTimer(Application());
  t->SetInterval(1);
  t->SetOnTimer([t, F](TObject*) {
    t->SetEnabled(false);
    F();
  });
}

// A click with the left button at a point of a control's client area.
inline void ClickAt(TControl* C, int X, int Y) {
  POINT s = C->ClientToScreen(POINT{X, Y});
  InjectMouseButton(s.x, s.y, 0, true);
  InjectMouseButton(s.x, s.y, 0, false);
}
inline void Click(TControl* C) { ClickAt(C, C->Width() / 2, C->Height() / 2); }

// The text of the message box that is the active form now ("" when none is).
inline std::string MessageBoxText() {
  TCustomForm* f = Screen()->ActiveForm();
  if (!f) return "";
  for (int i = 0; i < f->ControlCount(); ++i)
    if (auto* l = dynamic_cast<TLabel*>(f->Controls(i))) return l->Caption();
  return "";
}

// Answers every message box that shows while it lives (Enter: OK, or Yes), keeping their texts.
class TMessageBoxes {
public:
  explicit TMessageBoxes(UINT Answer = VK_RETURN) {
    FTimer = new TTimer(Application());
    FTimer->SetInterval(1);
    FTimer->SetOnTimer([this, Answer](TObject*) {
      TCustomForm* f = Screen()->ActiveForm();
      if (!f || f == FSeen || f->ClassName() != std::string("TForm") || !f->Visible()) return;
      bool box = false;
      for (int i = 0; i < f->ControlCount(); ++i)
        if (dynamic_cast<TButton*>(f->Controls(i))) box = true;
      if (!box || MessageBoxText().empty()) return;
      FSeen = f;
      Texts.push_back(MessageBoxText());
      if (Answer == 'N') {
        Key(VK_TAB);
        Key(VK_SPACE);
      } else {
        Key(Answer);
      }
    });
  }
  ~TMessageBoxes() { delete FTimer; }
  std::vector<std::string> Texts;

private:
  TTimer* FTimer;
  TCustomForm* FSeen = nullptr;
};

class AppFolder : public ::testing::Test {
protected:
  void SetUp() override {
    // The program starts the imaging library before its windows; so do the tests, once.
    static const bool imaging = (IEImagingStartup(), true);
    (void)imaging;
    ResetInputState();
    char tmpl[] = "/tmp/orv_app_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Root = tmpl;
    Prog = Root + "/prog/";
    for (const char* d : {"/prog", "/config", "/data", "/home", "/shoots"})
      std::filesystem::create_directories(Root + d);
    setenv("XDG_CONFIG_HOME", (Root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (Root + "/data").c_str(), 1);
    setenv("HOME", (Root + "/home").c_str(), 1);
    for (const char* f : {"ImageTag.dll", "sysset.dll", "thumb.png"})
      std::filesystem::copy_file(ShippedDir() + f, Prog + f);
    SetProgramFolder(Prog);
    Cwd = std::filesystem::current_path();
  }
  void TearDown() override {
    std::filesystem::current_path(Cwd);
    SetProgramFolder("");
    std::error_code ec;
    std::filesystem::permissions(Root, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(Root, ec);
  }

  // A shoot folder with the given photo files (their content does not matter to the windows).
  std::string MakeShoot(const std::string& Name, const std::vector<std::string>& Files) {
    std::string dir = Root + "/shoots/" + Name;
    std::filesystem::create_directories(dir);
    for (const std::string& f : Files) WriteFile(dir + "/" + f, "jpeg");
    return dir;
  }
  static std::vector<std::string> Numbered(int Count) {
    std::vector<std::string> names;
    for (int i = 1; i <= Count; ++i) {
      char n[32];
      std::snprintf(n, sizeof n, "IMG_%04d.jpg", i);
      names.push_back(n);
    }
    return names;
  }
  static std::unique_ptr<TADOConnection> Open(const std::string& File) {
    auto c = std::make_unique<TADOConnection>();
    c->SetLoginPrompt(false);
    c->SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + File);
    c->Open();
    return c;
  }
  // The values of Column in the rows of Sql, in the order returned.
  static std::vector<std::string> Column(TADOConnection* C, const std::string& Sql,
                                         const std::string& Name) {
    TADOQuery q;
    q.SetConnection(C);
    q.SetSQLText(Sql);
    q.Open();
    std::vector<std::string> out;
    for (; !q.Eof(); q.Next()) out.push_back(q.FieldByName(Name)->AsString());
    return out;
  }
  // Sets a switch of the settings database in the program's folder.
  void SetSwitch(const std::string& Table, const std::string& Column, bool On) {
    auto c = Open(Prog + "sysset.dll");
    c->Execute("update " + Table + " set " + Column + "=" + (On ? "1" : "0"));
  }

  std::string Root, Prog;
  std::filesystem::path Cwd;
};

}  // namespace apptest
