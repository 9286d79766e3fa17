// Editing captions in place in the list view and the tree view: how an edit opens (call, message,
// F2, a second click after a pause), how it ends (Enter, Escape, the focus leaving, the end-now
// message), what the events may do, and what stops an edit.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_list.h"
#include "tests/platform/vcl/formtest.h"

namespace {

// One view under test, list or tree, seen through the same few operations. Both views hold
// three entries, "Alpha", "Beta", "Gamma", the second one selected.
struct TView {
  TWinControl* Control = nullptr;
  std::function<std::string(int)> CaptionOf;
  std::function<bool(int)> StartByCall;   // EditCaption / EditText
  std::function<HWND(int)> StartByMessage;
  std::function<HWND()> EditWindow;       // LVM_/TVM_GETEDITCONTROL
  std::function<bool()> IsEditing;
  std::function<void(int)> Delete;
  std::function<POINT(int)> CaptionPoint;  // client point inside the entry's caption
  std::function<void(bool)> SetReadOnly;
  // Events, recorded as text.
  std::vector<std::string>* Log = nullptr;
  std::function<void(bool allow)> Editing;            // OnEditing answers allow
  std::function<void(const std::string& add)> Edited;  // OnEdited appends add to S
};

class LabelEditTest : public FormTestBase {
protected:
  void SetUp() override {
    FormTestBase::SetUp();
    Other = new TEdit(Form);
    Other->SetParent(Form);
    Other->SetBounds(300, 10, 100, 21);
    Form->Show();
  }

  TView MakeList() {
    auto* lv = new TListView(Form);
    lv->SetParent(Form);
    lv->SetBounds(10, 10, 250, 200);
    lv->SetViewStyle(vsReport);
    lv->AddColumn()->Width = 150;
    for (const char* c : {"Alpha", "Beta", "Gamma"}) lv->Items()->Add()->SetCaption(c);
    lv->SetSelected(lv->Items()->Item(1));
    lv->SetItemFocused(lv->Items()->Item(1));
    TView v;
    v.Control = lv;
    v.CaptionOf = [lv](int i) { return lv->Items()->Item(i)->Caption(); };
    v.StartByCall = [lv](int i) { return lv->Items()->Item(i)->EditCaption(); };
    v.StartByMessage = [lv](int i) { return ListView_EditLabel(lv->Handle(), i); };
    v.EditWindow = [lv] { return reinterpret_cast<HWND>(SendMessage(lv->Handle(), LVM_GETEDITCONTROL, 0, 0)); };
    v.IsEditing = [lv] { return lv->IsEditing(); };
    v.Delete = [lv](int i) { lv->Items()->Delete(i); };
    v.CaptionPoint = [lv](int i) {
      RECT r = lv->Items()->Item(i)->DisplayRect();
      return POINT{r.left + 10, (r.top + r.bottom) / 2};
    };
    v.SetReadOnly = [lv](bool ro) { lv->SetReadOnly(ro); };
    v.Log = &Log;
    v.Editing = [lv, this](bool allow) {
      lv->OnEditing = [this, allow](TObject*, TListItem* it, bool& a) {
        Log.push_back("editing " + it->Caption());
        a = allow;
      };
    };
    v.Edited = [lv, this](const std::string& add) {
      lv->OnEdited = [this, add](TObject*, TListItem* it, std::string& s) {
        Log.push_back("edited " + it->Caption() + " -> " + s);
        s += add;
      };
      lv->OnCancelEdit = [this](TObject*, TListItem* it) { Log.push_back("cancelled " + it->Caption()); };
    };
    return v;
  }

  TView MakeTree() {
    auto* tv = new TTreeView(Form);
    tv->SetParent(Form);
    tv->SetBounds(10, 10, 250, 200);
    std::vector<TTreeNode*> nodes;
    for (const char* c : {"Alpha", "Beta", "Gamma"}) nodes.push_back(tv->Items()->Add(nullptr, c));
    tv->SetSelected(nodes[1]);
    auto node = [tv](int i) { return tv->Items()->Item(i); };
    TView v;
    v.Control = tv;
    v.CaptionOf = [node](int i) { return node(i)->Text(); };
    v.StartByCall = [node](int i) { return node(i)->EditText(); };
    v.StartByMessage = [tv, node](int i) { return TreeView_EditLabel(tv->Handle(), node(i)->ItemId()); };
    v.EditWindow = [tv] { return reinterpret_cast<HWND>(SendMessage(tv->Handle(), TVM_GETEDITCONTROL, 0, 0)); };
    v.IsEditing = [tv] { return tv->IsEditing(); };
    v.Delete = [node](int i) { node(i)->Delete(); };
    v.CaptionPoint = [tv](int i) { return POINT{tv->Indent() + 8, i * tv->ItemHeight() + tv->ItemHeight() / 2}; };
    v.SetReadOnly = [tv](bool ro) { tv->SetReadOnly(ro); };
    v.Log = &Log;
    v.Editing = [tv, this](bool allow) {
      tv->OnEditing = [this, allow](TObject*, TTreeNode* n, bool& a) {
        Log.push_back("editing " + n->Text());
        a = allow;
      };
    };
    v.Edited = [tv, this](const std::string& add) {
      tv->OnEdited = [this, add](TObject*, TTreeNode* n, std::string& s) {
        Log.push_back("edited " + n->Text() + " -> " + s);
        s += add;
      };
      tv->OnCancelEdit = [this](TObject*, TTreeNode* n) { Log.push_back("cancelled " + n->Text()); };
    };
    return v;
  }

  std::vector<std::function<TView()>> Views() {
    return {[this] { return MakeList(); }, [this] { return MakeTree(); }};
  }

  static void Type(HWND w, const std::string& s) {
    for (char c : s) SendMessage(w, WM_CHAR, static_cast<WPARAM>(c), 0);
  }
  static void Key(HWND w, WPARAM vk) {
    SendMessage(w, WM_KEYDOWN, vk, 0);
    SendMessage(w, WM_KEYUP, vk, 0);
  }
  static void Click(HWND w, POINT p, UINT down = WM_LBUTTONDOWN) {
    SendMessage(w, down, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessage(w, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  }

  TEdit* Other = nullptr;
  std::vector<std::string> Log;
};

}  // namespace

TEST_F(LabelEditTest, AnEditEndsWithTheTextOrWithoutIt) {
  struct TCase {
    const char* Name;
    std::function<void(TView&, HWND edit)> End;
    bool Kept;
  };
  const TCase cases[] = {
      {"Enter keeps", [](TView&, HWND e) { Key(e, VK_RETURN); }, true},
      {"Escape drops", [](TView&, HWND e) { Key(e, VK_ESCAPE); }, false},
      {"focus leaving keeps", [this](TView&, HWND) { Other->SetFocus(); }, true},
      {"end-now keeps",
       [](TView& v, HWND) {
         if (auto* tv = dynamic_cast<TTreeView*>(v.Control)) TreeView_EndEditLabelNow(tv->Handle(), FALSE);
         else Key(v.EditWindow(), VK_RETURN);
       },
       true},
      {"end-now with cancel drops",
       [](TView& v, HWND) {
         if (auto* tv = dynamic_cast<TTreeView*>(v.Control)) TreeView_EndEditLabelNow(tv->Handle(), TRUE);
         else ListView_EditLabel(v.Control->Handle(), -1);
       },
       false},
  };
  for (auto& make : Views()) {
    for (const TCase& c : cases) {
      TView v = make();
      SCOPED_TRACE(std::string(v.Control->ClassName()) + ": " + c.Name);
      Log.clear();
      v.Edited("!");
      v.Control->SetFocus();
      ASSERT_TRUE(v.StartByCall(1));
      HWND edit = v.EditWindow();
      ASSERT_NE(edit, nullptr);
      EXPECT_TRUE(v.IsEditing());
      EXPECT_EQ(GetFocus(), edit);
      Type(edit, "Delta");  // the whole caption was selected: typing replaces it
      c.End(v, edit);
      EXPECT_FALSE(v.IsEditing());
      EXPECT_EQ(v.EditWindow(), nullptr);
      EXPECT_FALSE(IsWindowVisible(edit));
      if (c.Kept) {
        // OnEdited sees the new text and may change it; the entry takes what it leaves.
        EXPECT_EQ(v.CaptionOf(1), "Delta!");
        EXPECT_EQ(Log, (std::vector<std::string>{"edited Beta -> Delta"}));
      } else {
        EXPECT_EQ(v.CaptionOf(1), "Beta");
        EXPECT_EQ(Log, (std::vector<std::string>{"cancelled Beta"}));
      }
      delete v.Control;
    }
  }
}

TEST_F(LabelEditTest, EditsOpenByMessageAndF2UnlessRefused) {
  for (auto& make : Views()) {
    TView v = make();
    SCOPED_TRACE(v.Control->ClassName());
    v.Control->SetFocus();
    // The message opens the box on any entry and answers its window.
    HWND e = v.StartByMessage(2);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e, v.EditWindow());
    char buf[32] = {};
    GetWindowText(e, buf, sizeof buf);
    EXPECT_STREQ(buf, "Gamma");
    Key(e, VK_ESCAPE);
    EXPECT_EQ(GetFocus(), v.Control->Handle());  // the focus comes back to the view
    // F2 edits the selected (focused) entry.
    Key(v.Control->Handle(), VK_F2);
    ASSERT_TRUE(v.IsEditing());
    GetWindowText(v.EditWindow(), buf, sizeof buf);
    EXPECT_STREQ(buf, "Beta");
    Key(v.EditWindow(), VK_ESCAPE);
    // OnEditing may refuse; ReadOnly refuses before asking.
    Log.clear();
    v.Editing(false);
    EXPECT_FALSE(v.StartByCall(0));
    EXPECT_EQ(v.StartByMessage(0), nullptr);
    EXPECT_FALSE(v.IsEditing());
    EXPECT_EQ(Log, (std::vector<std::string>{"editing Alpha", "editing Alpha"}));
    Log.clear();
    v.Editing(true);
    v.SetReadOnly(true);
    EXPECT_FALSE(v.StartByCall(0));
    Key(v.Control->Handle(), VK_F2);
    EXPECT_FALSE(v.IsEditing());
    EXPECT_TRUE(Log.empty());
    v.SetReadOnly(false);
    EXPECT_TRUE(v.StartByCall(0));
    EXPECT_EQ(Log, (std::vector<std::string>{"editing Alpha"}));
    delete v.Control;
  }
}

TEST_F(LabelEditTest, ASecondClickOnTheSelectedCaptionEditsAfterAPause) {
  const UINT saved = GetDoubleClickTime();
  SetDoubleClickTime(30);
  auto settle = [this] {
    for (int i = 0; i < 8; ++i) {  // well past the 30 ms double-click time
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      Run();
    }
  };
  for (auto& make : Views()) {
    TView v = make();
    SCOPED_TRACE(v.Control->ClassName());
    HWND h = v.Control->Handle();
    // The first click only gives the view the focus.
    Click(h, v.CaptionPoint(1));
    settle();
    EXPECT_FALSE(v.IsEditing());
    // A click on an entry that is not selected selects it and does not edit.
    Click(h, v.CaptionPoint(0));
    settle();
    EXPECT_FALSE(v.IsEditing());
    // A second click on the selected one, then a pause: the edit opens.
    Click(h, v.CaptionPoint(0));
    EXPECT_FALSE(v.IsEditing());  // not before the pause
    settle();
    ASSERT_TRUE(v.IsEditing());
    char buf[32] = {};
    GetWindowText(v.EditWindow(), buf, sizeof buf);
    EXPECT_STREQ(buf, "Alpha");
    // A click back in the view ends the edit, keeping the text.
    Type(v.EditWindow(), "Omega");
    Click(h, v.CaptionPoint(2));
    EXPECT_FALSE(v.IsEditing());
    EXPECT_EQ(v.CaptionOf(0), "Omega");
    // A double click is no second click.
    Click(h, v.CaptionPoint(2));
    Click(h, v.CaptionPoint(2), WM_LBUTTONDBLCLK);
    settle();
    EXPECT_FALSE(v.IsEditing());
    delete v.Control;
  }
  SetDoubleClickTime(saved);
}

TEST_F(LabelEditTest, DeletingTheEntryBeingEditedEndsTheEditQuietly) {
  for (auto& make : Views()) {
    TView v = make();
    SCOPED_TRACE(v.Control->ClassName());
    Log.clear();
    v.Edited("");
    v.Control->SetFocus();
    ASSERT_TRUE(v.StartByCall(1));
    Type(v.EditWindow(), "Lost");
    v.Delete(1);
    EXPECT_FALSE(v.IsEditing());
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(v.CaptionOf(1), "Gamma");
    delete v.Control;
  }
  // A tree answers a node that is not (or no longer) one of its own with no edit.
  auto* tv = new TTreeView(Form);
  tv->SetParent(Form);
  TTreeNode* n = tv->Items()->Add(nullptr, "Only");
  HTREEITEM gone = tv->Items()->Add(nullptr, "Gone")->ItemId();
  tv->Items()->Item(1)->Delete();
  EXPECT_EQ(TreeView_EditLabel(tv->Handle(), gone), nullptr);
  EXPECT_EQ(TreeView_EditLabel(tv->Handle(), nullptr), nullptr);
  EXPECT_NE(TreeView_EditLabel(tv->Handle(), n->ItemId()), nullptr);
  // Freeing the view while it edits leaves nothing behind.
  delete tv;
}
