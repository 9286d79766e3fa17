// PSD documents and the view's layers: a document's layers become the view's layers on load, and
// the view's layers are written as a layered document on save (see imageryview.h).
#include <algorithm>
#include <memory>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/psdfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieparams.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"

namespace {

void PsdViewCopyFields(const TIEPsdLayer& From, TIELayer* To) {
  To->Left = From.Left;
  To->Top = From.Top;
  To->Opacity = From.Opacity;
  To->Visible = From.Visible;
  To->ClipToImage = From.ClipToImage;
  To->IsMask = From.IsMask;
  To->Name = From.Name;
}

// Frees the records of a list when the scope ends.
struct TPsdViewList {
  TList List;
  ~TPsdViewList() { PsdFreeLayers(&List); }
};

void PsdViewRead(TIEView* AView, TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  auto* view = dynamic_cast<TImageryView*>(AView);
  // The layers go into the view only while the image being loaded is its layer 0 and current;
  // otherwise the document's image alone is read into the target.
  if (view == nullptr || view->LayersCurrent() != 0 || view->GetLayer(0)->Bitmap != Bitmap) {
    PsdReadImage(Stream, Bitmap, P, nullptr, false, Progress);
    return;
  }
  TPsdViewList layers;
  PsdReadImage(Stream, Bitmap, P, &layers.List, P.PSD_LoadLayers, Progress);
  if (Progress.IsAborting() || layers.List.Count() == 0) return;
  if (P.PSD_ReplaceLayers) view->ClearLayers();
  bool intoBase = P.PSD_ReplaceLayers;
  if (intoBase) {
    // A first layer that covers the document is the base; otherwise the base is a transparent
    // canvas of the document's size with every layer above it.
    auto* first = static_cast<TIEPsdLayer*>(layers.List.Items(0));
    const bool covers = first->Left == 0 && first->Top == 0 && first->Bitmap->Width() == P.Width &&
                        first->Bitmap->Height() == P.Height;
    if (!covers && P.Width > 0 && P.Height > 0 && IEPlausibleImageSize(P.Width, P.Height, Stream->Size())) {
      Bitmap->Allocate(P.Width, P.Height, ie24RGB);
      Bitmap->Fill(0xFFFFFF);
      Bitmap->GetAlphaChannel()->Fill(0);
      intoBase = false;
    }
  }
  for (int i = 0; i < layers.List.Count(); ++i) {
    auto* L = static_cast<TIEPsdLayer*>(layers.List.Items(i));
    TIELayer* target;
    if (i == 0 && intoBase) {
      target = view->GetLayer(0);
    } else {
      target = view->GetLayer(view->AddLayer());
    }
    target->Bitmap->Assign(L->Bitmap);
    PsdViewCopyFields(*L, target);
  }
  if (P.PSD_ReplaceLayers) {
    // Layer 0 stays the locked base without its box.
    view->GetLayer(0)->Locked = true;
    view->GetLayer(0)->ShowBox = false;
  }
  view->SetLayersCurrent(0);
}

void PsdViewWrite(TIEView* AView, TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  auto* view = dynamic_cast<TImageryView*>(AView);
  if (view == nullptr || view->GetLayersCount() < 2) {
    PsdWriteImage(Stream, P, Progress, nullptr, Bitmap);
    return;
  }
  // The writer converts and resamples the bitmaps it is given: it gets copies, so the view's
  // layers stay as they are.
  TPsdViewList layers;
  for (int i = 0; i < view->GetLayersCount(); ++i) {
    TIELayer* V = view->GetLayer(i);
    auto* L = new TIEPsdLayer();
    L->Bitmap = new TIEBitmap();
    L->Bitmap->Assign(V->Bitmap);
    L->Left = V->Left;
    L->Top = V->Top;
    L->Width = V->Width;
    L->Height = V->Height;
    L->Opacity = V->Opacity;
    L->Visible = V->Visible;
    L->ClipToImage = V->ClipToImage;
    L->IsMask = V->IsMask;
    L->Name = V->Name;
    L->ResampleFilter = V->ResampleFilter;
    L->UseResampleFilter = V->UseResampleFilter;
    layers.List.Add(L);
  }
  // The merged image: every layer rendered, cut to layer 0's area.
  TIEBitmap all;
  view->RenderLayersTo(&all);
  int mx = 0, my = 0;
  for (int i = 0; i < view->GetLayersCount(); ++i) {
    TIELayer* V = view->GetLayer(i);
    if (i > 0 && V->ClipToImage) continue;
    mx = std::max(mx, -V->Left);
    my = std::max(my, -V->Top);
  }
  TIEBitmap* base = view->GetLayer(0)->Bitmap;
  const TIEPixelFormat pf = base->PixelFormat() == ie1g || base->PixelFormat() == ie8p ? ie24RGB : base->PixelFormat();
  TIEBitmap merged(base->Width(), base->Height(), ie24RGB);
  all.CopyRectTo(&merged, mx, my, 0, 0, base->Width(), base->Height());
  if (pf != ie24RGB) merged.SetPixelFormat(pf);
  PsdWriteImage(Stream, P, Progress, &layers.List, &merged);
}

}  // namespace

void IEInstallPsdViewHooks(bool Install) {
  IECodecs.PsdReadIntoView = Install ? &PsdViewRead : nullptr;
  IECodecs.PsdWriteFromView = Install ? &PsdViewWrite : nullptr;
}
