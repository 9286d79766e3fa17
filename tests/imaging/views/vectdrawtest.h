// Helpers of the vector-object view tests: a headless form holding one TImageryVect, objects made
// from a few fields, and colour checks with a tolerance.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/views/imageryvect.h"
#include "platform/vcl/forms.h"
#include "platform/win/winuser.h"

namespace vectdrawtest {

class VectDrawFixture : public ::testing::Test {
protected:
  void SetUp() override {
    IEImagingStartup();
    Form = new TForm(nullptr);
    Form->SetBounds(10, 10, 700, 500);
    View = new TImageryVect(Form);
    View->SetParent(Form);
    View->SetBorderStyle(TIEBorderStyle::bsNone);
    View->SetBounds(0, 0, 400, 300);
    View->SetScrollBars(ssNone);
    Form->Show();
    Application()->ProcessMessages();
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    IEImagingShutdown();
  }
  // An object of a kind with its box; pen black width 1, brush clear, opaque.
  int Add(uint8_t Kind, int x1, int y1, int x2, int y2) {
    TIEVObject* t = View->GetObjectRecord(IEV_TEMPLATE);
    const TIEVObjectKind kept = t->Kind;
    t->Kind = static_cast<TIEVObjectKind>(Kind);
    t->PenColor = 0;
    t->Font->lfHeight = -16;
    const int h = View->AddObjectRecord(*t);
    t->Kind = kept;
    TIEVObject* o = View->GetObjectRecord(h);
    o->X1 = x1;
    o->Y1 = y1;
    o->X2 = x2;
    o->Y2 = y2;
    if (!o->Font) {
      o->Font = std::make_unique<LOGFONT>(*t->Font);
    }
    return h;
  }
  TIEVObject* Obj(int h) { return View->GetObjectRecord(h); }
  // A 24-bit image filled with one colour.
  static void Plain(TIEBitmap& B, int W, int H, TColor Colour) {
    B.Allocate(W, H, ie24RGB);
    B.Fill(Colour);
  }
  static bool Near(TIERGBPixel p, int r, int g, int b, int tol = 0) {
    return std::abs(p.r - r) <= tol && std::abs(p.g - g) <= tol && std::abs(p.b - b) <= tol;
  }
  TForm* Form = nullptr;
  TImageryVect* View = nullptr;
};

}  // namespace vectdrawtest
