// TIEView (see ieview.h).
#include "imaging/core/ieview.h"

ORV_CLASS_IMPL(TIEView, TCustomControl)

bool TIEView::NewStyleControls = true;

TIEView::TIEView(TComponent* AOwner) : TCustomControl(AOwner) {}

TIEView::~TIEView() {
  // Each remaining listener hears once that the view goes away; one may unregister another.
  while (!FListeners.empty()) {
    std::unique_ptr<TListenerRecord> rec = std::move(FListeners.front());
    FListeners.erase(FListeners.begin());
    if (rec && rec->Method) rec->Method(this, 1);
  }
}

void TIEView::CallListeners() {
  // A listener may unregister itself (or another) while being called: walk a snapshot of the
  // records and skip those that are gone.
  std::vector<TListenerRecord*> snapshot;
  for (auto& r : FListeners) snapshot.push_back(r.get());
  for (TListenerRecord* rec : snapshot) {
    bool present = false;
    for (auto& r : FListeners)
      if (r.get() == rec) present = true;
    if (present && rec->Method) rec->Method(this, 0);
  }
}

intptr_t TIEView::RegisterListener(TIEViewListener Method) {
  auto rec = std::make_unique<TListenerRecord>();
  rec->Method = std::move(Method);
  const intptr_t handle = reinterpret_cast<intptr_t>(rec.get());
  FListeners.push_back(std::move(rec));
  return handle;
}

void TIEView::UnregisterListener(intptr_t Handle) {
  if (Handle < 0) return;
  for (auto it = FListeners.begin(); it != FListeners.end(); ++it)
    if (reinterpret_cast<intptr_t>(it->get()) == Handle) {
      FListeners.erase(it);
      return;
    }
}

void TIEView::CreateParams(TIECreateParams& Params) {
  if (FBorderStyle == TIEBorderStyle::bsSingle) {
    if (NewStyleControls && FCtl3D)
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      Params.Style |= WS_BORDER;
  }
  Params.WindowClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TIEView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  TIECreateParams own;
  own.WindowClassStyle = Params.WindowClass.style;
  CreateParams(own);
  Params.Style |= own.Style;
  Params.ExStyle |= own.ExStyle;
  Params.WindowClass.style = own.WindowClassStyle;
}

void TIEView::RecreateWnd() {
  ++FRecreateCount;
  TCustomControl::RecreateWnd();
}

void TIEView::SetBorderStyle(TIEBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TIEView::SetCtl3D(bool Value) {
  if (Value == FCtl3D) return;
  FCtl3D = Value;
  RecreateWnd();
}

void TIEView::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TIEView::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}
