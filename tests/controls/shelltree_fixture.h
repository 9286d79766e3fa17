// A headless form with a shell folder tree over the shell sandbox (tests/support/shell_sandbox.h),
// and the helpers the shell-control tests share: pumping until something happens, running code
// from inside a modal loop, finding nodes by their path.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "controls/shellcontrols.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"
#include "tests/support/shell_sandbox.h"

namespace shelltest {

// Pumps messages (and the work queued for this thread) until done() or about two seconds.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 2000) {
  for (int i = 0; i < ms / 5; ++i) {
    Application()->ProcessMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Application()->ProcessMessages();
  return done();
}

class ShellTreeTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 400, 500);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  // A tree on the form, shown, with error messages off unless asked.
  TNavShellTree* NewTree(bool errorMessages = false) {
    auto* t = new TNavShellTree(Form);
    t->SetParent(Form);
    t->SetBounds(0, 0, 300, 460);
    TNavShellShowOptions o = t->ShowOptions();
    if (!errorMessages) o -= soShowErrorMessages;
    t->SetShowOptions(o);
    Form->Show();
    Application()->ProcessMessages();
    return t;
  }
  // The node whose path is Path, or null.
  static TTreeNode* NodeOf(TNavShellTree* Tree, const std::string& Path) {
    for (TTreeNode* n = Tree->Items()->GetFirstNode(); n; n = n->GetNext())
      if (TNavShellTree::ItemOf(n) && Tree->NodePath(n) == Path) return n;
    return nullptr;
  }
  static std::vector<std::string> ChildTexts(TTreeNode* Node) {
    std::vector<std::string> v;
    for (int i = 0; Node && i < Node->Count(); ++i) v.push_back(Node->Item(i)->Text());
    return v;
  }
  TShellSandbox Box;
  TForm* Form = nullptr;
};

}  // namespace shelltest
