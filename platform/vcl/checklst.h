// A list box with a check box before every item (checked, unchecked or greyed), toggled by a
// click on the box or the space bar; OnClickCheck reports changes made by the user.
#pragma once

#include <string>
#include <vector>

#include "platform/vcl/stdctrls.h"

class TCheckListBox : public TCustomListBox {
  ORV_CLASS(TCheckListBox, TCustomListBox)
public:
  explicit TCheckListBox(TComponent* AOwner);
  static void Publish(TPublisher<TCheckListBox>& P);
  // EListError "List index out of bounds (%d)" for a bad index.
  bool Checked(int Index) const { return State(Index) == cbChecked; }
  void SetChecked(int Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }
  TCheckBoxState State(int Index) const;
  void SetState(int Index, TCheckBoxState Value);
  bool ItemEnabled(int Index) const;
  void SetItemEnabled(int Index, bool Value);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  void CheckAll(TCheckBoxState State, bool AllowGrayed = true, bool AllowDisabled = true);
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnClickCheck;

protected:
  void PaintWindow(HDC DC) override;
  void ItemsChanged() override;

private:
  struct TEntry {
    std::string Text;
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
  };
  void Sync() const;
  void Toggle(int Index);
  mutable std::vector<TEntry> FEntries;  // follows the items (matched by text when they change)
  bool FAllowGrayed = false;
};
