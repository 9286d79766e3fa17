// TImageryIO's parameters dialog entry and its preview font. The dialog itself lives with the
// views (it shows two of them); they install it in IECodecs.PreviewsDialog.
#include "imaging/core/iebitmap.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/imageryio.h"
#include "platform/vcl/graphics.h"

void TImageryIO::SetPreviewFont(TFont* Value) {
  if (Value != nullptr) FPreviewFont->Assign(Value);
}

bool TImageryIO::DoPreviews(TIEDialogPages Pages) {
  if (OnDoPreviews) {
    bool handled = false;
    OnDoPreviews(this, handled);
    if (handled) return true;
  }
  if (FIEBitmap == nullptr) return false;
  ConvertTo24IfNeeded();
  if (IECodecs.PreviewsDialog == nullptr) return false;
  const bool ok = IECodecs.PreviewsDialog(this, Pages);
  Update();
  return ok;
}
