// The preset frame pictures and their list.
#include "imaging/io/iepresets.h"

#include "imaging/io/iefileformats.h"
#include "platform/rtl/lists.h"

namespace {
#include "imaging/io/iepresets_data.inc"
}  // namespace

TList* IEPresetImages = nullptr;

void IEPresetImagesInit() {
  if (IEPresetImages != nullptr) return;
  struct TPresetEntry {
    const unsigned char* Data;
    int32_t Length;
    TIERect Rect;
  };
  const TPresetEntry entries[] = {
      {kIEPresetImage0, static_cast<int32_t>(sizeof kIEPresetImage0), {18, 29, 140, 119}},
      {kIEPresetImage1, static_cast<int32_t>(sizeof kIEPresetImage1), {13, 1, 95, 98}},
      {kIEPresetImage2, static_cast<int32_t>(sizeof kIEPresetImage2), {30, 14, 147, 92}},
      {kIEPresetImage3, static_cast<int32_t>(sizeof kIEPresetImage3), {17, 17, 131, 131}},
  };
  IEPresetImages = new TList();
  for (const TPresetEntry& e : entries) {
    auto* p = new TIEPresetImage();
    p->DataLength = e.Length;
    p->Data = e.Data;
    p->FileType = ioPNG;
    p->Rect = e.Rect;
    IEPresetImages->Add(p);
  }
}

void IEPresetImagesFree() {
  if (IEPresetImages == nullptr) return;
  for (int i = 0; i < IEPresetImages->Count(); ++i) delete static_cast<TIEPresetImage*>(IEPresetImages->Items(i));
  delete IEPresetImages;
  IEPresetImages = nullptr;
}
