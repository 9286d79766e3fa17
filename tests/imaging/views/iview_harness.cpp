// A small window with one single-image view, for trying the view by hand (not shipped):
//   iview_harness [picture file] [zoom|select|layers]
// Without a file a generated photo is shown. "zoom" (the default): left click zooms in, right
// click zooms out, dragging scrolls, the wheel zooms; "select": drag a rectangle with grips,
// drag inside to move it; "layers": two layers to move and resize.
// With ORVANTA_SCREENSHOT naming a file the window is saved there as PNG and the program exits;
// ORVANTA_HARNESS_ZOOM sets a starting zoom.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/forms.h"
#include "platform/win/winuser.h"

namespace {

void MakePhoto(TIEBitmap& B, int W, int H) {
  B.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    auto* row = reinterpret_cast<TIERGBPixel*>(B.Scanline(y));
    for (int x = 0; x < W; ++x) {
      const bool disc = (x - W / 2) * (x - W / 2) + (y - H / 2) * (y - H / 2) < (H / 3) * (H / 3);
      row[x].r = static_cast<uint8_t>(disc ? 230 : x * 255 / W);
      row[x].g = static_cast<uint8_t>(disc ? 120 : y * 255 / H);
      row[x].b = static_cast<uint8_t>(disc ? 40 : ((x / 40 + y / 40) % 2) * 90 + 60);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  IEImagingStartup();
  std::string file, mode = "zoom";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "zoom" || a == "select" || a == "layers")
      mode = a;
    else
      file = a;
  }
  int rc = 0;
  {
    auto* form = new TForm(nullptr);
    form->SetCaption("Single-image view");
    form->SetBounds(40, 40, 660, 500);
    auto* view = new TImageryView(form);
    view->SetParent(form);
    view->SetAlign(alClient);
    view->SetBackground(0x303030);
    if (!file.empty()) {
      view->GetIO()->Params->PSD_LoadLayers = true;  // a PSD document opens with its layers
      view->GetIO()->LoadFromFile(file);
    } else {
      TIEBitmap photo;
      MakePhoto(photo, 1600, 1000);
      view->GetIEBitmap()->Assign(&photo);
    }
    view->Update();
    if (mode == "zoom") {
      view->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
      view->Fit();
    } else if (mode == "select") {
      view->SetMouseInteract(TIEMouseInteract{miSelect});
      view->SetBackgroundStyle(iebsCropShadow);
      view->SetAutoFit(true);
      view->SelectionBase = iesbBitmap;
      view->SelectRect(200, 150, 900, 650, 0);
      view->SelectionBase = iesbClientArea;
    } else {
      view->SetBackgroundStyle(iebsChessboard);
      view->SetAutoFit(true);
      view->AddLayer();
      view->GetIEBitmap()->Allocate(400, 250, ie24RGB);
      view->GetIEBitmap()->Fill(0x00C0FF);
      view->GetCurrentLayer()->Left = 500;
      view->GetCurrentLayer()->Top = 300;
      view->GetCurrentLayer()->Opacity = 190;
      view->SetMouseInteract(TIEMouseInteract{miMoveLayers, miResizeLayers});
      view->Update();
    }
    if (const char* z = std::getenv("ORVANTA_HARNESS_ZOOM")) view->SetZoom(std::atof(z));
    form->Show();
    Application()->ProcessMessages();
    const char* shot = std::getenv("ORVANTA_SCREENSHOT");
    if (shot && *shot) {
      UpdateAllWindows();
      const bool ok = SaveWindowToPng(form->Handle(), shot);
      std::printf("iview_harness: %s display, zoom %.2f, screenshot %s\n", DisplayBackendName(), view->ZoomX(),
                  ok ? "saved" : "failed");
      rc = ok ? 0 : 1;
    } else {
      Application()->Run();
    }
    delete form;
  }
  IEImagingShutdown();
  return rc;
}
