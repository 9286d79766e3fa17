// The in-place caption editor of the list and tree views.
#include "platform/vcl/comctrls_labeledit.h"

ORV_CLASS_IMPL(TLabelEditor, TCustomEdit)

TLabelEditor::TLabelEditor(TWinControl* View) : TCustomEdit(View), FView(View) {
  SetVisible(false);
  FTabStop = false;
  SetParent(View);
}

void TLabelEditor::CreateParams(TCreateParams& P) {
  TCustomEdit::CreateParams(P);
  // A thin frame, as the platform's label editors have, rather than a sunken edge.
  P.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
  P.Style |= WS_BORDER;
}

void TLabelEditor::Open(RECT R, const std::string& Text) {
  SetFont(FView->Font());
  SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
  SetText(Text);
  SetModified(false);
  SelectAll();
  FActive = true;
  SetVisible(true);
  BringToFront();
  if (CanFocus()) SetFocus();
}

void TLabelEditor::Finish(bool Accept) {
  if (!FActive) return;
  FActive = false;
  const std::string text = Text();
  if (HandleAllocated() && GetFocus() == Handle() && FView->CanFocus()) FView->SetFocus();
  SetVisible(false);
  if (OnDone) OnDone(Accept, text);
}

void TLabelEditor::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      // Enter and Escape belong to the edit, not to the form's default and cancel buttons.
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
      return;
    case WM_KEYDOWN:
      if (M.WParam == VK_RETURN || M.WParam == VK_ESCAPE) {
        Finish(M.WParam == VK_RETURN);
        return;
      }
      break;
    case WM_CHAR:
      if (M.WParam == '\r' || M.WParam == 27 || M.WParam == '\t') return;
      break;
    case WM_KILLFOCUS:
      TCustomEdit::WndProc(M);
      Finish(true);
      return;
  }
  TCustomEdit::WndProc(M);
}
