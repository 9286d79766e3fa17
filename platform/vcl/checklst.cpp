// The check list box.
#include "platform/vcl/checklst.h"

#include <algorithm>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TCheckListBox, TCustomListBox)

namespace {
constexpr int kBoxWidth = 16;
}

TCheckListBox::TCheckListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}

// Brings the check states in line with the items after they changed: entries are matched in
// order by text, so items added or deleted anywhere keep the other items' states.
void TCheckListBox::Sync() const {
  int n = FItems->Count();
  if (static_cast<int>(FEntries.size()) == n) {
    bool same = true;
    for (int i = 0; i < n && same; ++i) same = FEntries[static_cast<size_t>(i)].Text == FItems->Strings(i);
    if (same) return;
  }
  std::vector<TEntry> next;
  next.reserve(static_cast<size_t>(n));
  size_t j = 0;
  for (int i = 0; i < n; ++i) {
    const std::string s = FItems->Strings(i);
    size_t remainingOld = FEntries.size() - j;
    size_t remainingNew = static_cast<size_t>(n - i);
    // Old entries that are gone are skipped while there are more old entries than new items.
    while (j < FEntries.size() && FEntries[j].Text != s && remainingOld > remainingNew) {
      ++j;
      --remainingOld;
    }
    if (j < FEntries.size() && FEntries[j].Text == s) {
      next.push_back(FEntries[j++]);
    } else {
      TEntry e;
      e.Text = s;
      next.push_back(e);
      if (j < FEntries.size() && remainingOld == remainingNew) ++j;  // replaced in place
    }
  }
  FEntries = std::move(next);
}

void TCheckListBox::ItemsChanged() {
  Sync();
  TCustomListBox::ItemsChanged();
}

TCheckBoxState TCheckListBox::State(int Index) const {
  Sync();
  if (Index < 0 || Index >= static_cast<int>(FEntries.size())) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FEntries[static_cast<size_t>(Index)].State;
}

void TCheckListBox::SetState(int Index, TCheckBoxState Value) {
  State(Index);  // checks the index
  FEntries[static_cast<size_t>(Index)].State = Value;
  Invalidate();
}

bool TCheckListBox::ItemEnabled(int Index) const {
  State(Index);
  return FEntries[static_cast<size_t>(Index)].Enabled;
}

void TCheckListBox::SetItemEnabled(int Index, bool Value) {
  State(Index);
  FEntries[static_cast<size_t>(Index)].Enabled = Value;
  Invalidate();
}

void TCheckListBox::CheckAll(TCheckBoxState Value, bool AllowGrayed, bool AllowDisabled) {
  Sync();
  for (TEntry& e : FEntries) {
    if (!AllowDisabled && !e.Enabled) continue;
    if (!AllowGrayed && e.State == cbGrayed) continue;
    e.State = Value;
  }
  Invalidate();
}

void TCheckListBox::Toggle(int Index) {
  if (Index < 0 || Index >= Count() || !ItemEnabled(Index)) return;
  TCheckBoxState s = State(Index);
  TCheckBoxState next = s == cbUnchecked ? cbChecked : s == cbChecked ? (FAllowGrayed ? cbGrayed : cbUnchecked) : cbUnchecked;
  SetState(Index, next);
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::PaintWindow(HDC DC) {
  Sync();
  HGDIOBJ old = SelectObject(DC, Font()->Handle());
  SetBkMode(DC, TRANSPARENT);
  for (int i = FTopIndex; i < Count() && i < FTopIndex + VisibleRows() + 1; ++i) {
    RECT r = ItemRect(i);
    const TEntry& e = FEntries[static_cast<size_t>(i)];
    RECT box{r.left + 2, r.top + (r.bottom - r.top - 13) / 2, r.left + 15, r.top + (r.bottom - r.top - 13) / 2 + 13};
    UINT st = DFCS_BUTTONCHECK;
    if (e.State == cbChecked) st |= DFCS_CHECKED;
    if (e.State == cbGrayed) st |= DFCS_CHECKED | DFCS_INACTIVE;
    if (!e.Enabled || !Enabled()) st |= DFCS_INACTIVE;
    DrawFrameControl(DC, &box, DFC_BUTTON, st);
    RECT t{r.left + kBoxWidth + 2, r.top, r.right, r.bottom};
    bool sel = i == FItemIndex;
    if (sel) FillRect(DC, &t, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(DC, sel ? GetSysColor(COLOR_HIGHLIGHTTEXT) : e.Enabled ? ColorToRGB(Font()->Color()) : GetSysColor(COLOR_GRAYTEXT));
    RECT tt = t;
    tt.left += 2;
    DrawText(DC, FItems->Strings(i).c_str(), -1, &tt, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (sel && Focused()) DrawFocusRect(DC, &t);
  }
  SelectObject(DC, old);
}

void TCheckListBox::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int x = GET_X_LPARAM(M.LParam);
      int i = ItemAtPos(POINT{x, GET_Y_LPARAM(M.LParam)}, true);
      TCustomListBox::WndProc(M);
      if (i >= 0 && x < kBoxWidth + 2) Toggle(i);
      return;
    }
    case WM_CHAR:
      if (M.WParam == ' ' && FItemIndex >= 0) {
        Toggle(FItemIndex);
        return;
      }
      break;
  }
  TCustomListBox::WndProc(M);
}

void TCheckListBox::Publish(TPublisher<TCheckListBox>& P) {
  P.Prop("AllowGrayed", &TCheckListBox::AllowGrayed, &TCheckListBox::SetAllowGrayed);
  P.Event<TNotifyEvent>("OnClickCheck", &TCheckListBox::OnClickCheck).Type("TNotifyEvent");
}
