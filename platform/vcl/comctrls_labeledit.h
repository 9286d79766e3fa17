// The edit box that list and tree views open over an item's caption to rename it in place.
// Enter keeps the typed text, Escape drops it, and the focus going elsewhere keeps it; the view
// hears of the end once, through OnDone, after the box has been hidden.
#pragma once

#include <functional>
#include <string>

#include "platform/vcl/stdctrls.h"

class TLabelEditor : public TCustomEdit {
  ORV_CLASS(TLabelEditor, TCustomEdit)
public:
  // A hidden child of View, owned by it.
  explicit TLabelEditor(TWinControl* View);
  // Shows the box at R (client coordinates of the view) with Text, all selected, and focused.
  void Open(RECT R, const std::string& Text);
  bool Active() const { return FActive; }
  // Ends an open edit: hides the box (handing the focus back to the view when the box had it)
  // and calls OnDone with Accept and the text. Nothing happens when no edit is open.
  void Finish(bool Accept);
  // Forgets an open edit without telling anyone (the view is going).
  void Abandon() {
    OnDone = nullptr;
    FActive = false;
  }
  void WndProc(TMessage& Message) override;
  std::function<void(bool Accept, const std::string& Text)> OnDone;

protected:
  void CreateParams(TCreateParams& Params) override;

private:
  TWinControl* FView;
  bool FActive = false;
};
