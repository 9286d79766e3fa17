// The splash window.
#include "app/formstar.h"

#include "app/settings.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/ieprocdefs.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/graphics.h"

ORV_CLASS_IMPL(TFormstar, TForm)

TFormstar::TFormstar(TComponent* Owner) : TForm(Owner) {
  SetName("Formstar");
  SetBorderStyle(bsNone);
  SetPosition(poScreenCenter);
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  int w = 480, h = 300;
  const std::string file = ProgramFolder() + kSplashFileName;
  if (FileExists(file)) {
    TImageryIO io(nullptr);
    io.LoadFromFile(file);
    TIEBitmap* picture = io.IEBitmap();
    if (!io.Aborting.load() && !picture->IsEmpty()) {
      w = picture->Width();
      h = picture->Height();
      TBitmap* b = Image1->Picture()->Bitmap();
      b->SetPixelFormat(pf24bit);
      b->SetWidth(w);
      b->SetHeight(h);
      picture->DrawToTBitmap(b, 0, 0, w, h, 0, 0, w, h, 255, rfNone, 0);
    }
  }
  Image1->SetBounds(0, 0, w, h);
  SetClientWidth(w);
  SetClientHeight(h);
}
