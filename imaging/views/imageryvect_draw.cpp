// Filled in by the drawing code; these bodies only let the view link.
#include "imaging/views/imageryvect.h"

bool TImageryVect::DrawObject(TIEVObject&, int, bool, int, TIEBitmap*, bool, bool, TBitmap*) { return false; }
void TImageryVect::DrawObjectsToBitmap(TIEBitmap*, bool, int, bool, TBitmap*) {}
bool TImageryVect::CopyObjectsToBitmap(TIEBitmap*, bool, int) { return false; }
void TImageryVect::CopyObjectsToImage(bool) {}
void TImageryVect::SetDrawAntialiased(bool Value) { FDrawAntialiased = Value; }
void TImageryVect::DrawRubberLine() {}
void TImageryVect::DrawRubberBox() {}
void TImageryVect::DrawRubberEllipse() {}
void TImageryVect::DrawNewLineObject() {}
void TImageryVect::DrawNewThreePointObject() {}
void TImageryVect::DrawGrip(int, int, int) {}
void TImageryVect::DrawObjectGrips(TIEVObject&) {}
void TImageryVect::DrawSelectionGrips() {}
void TImageryVect::Paint() { TImageryView::Paint(); }
void TImageryVect::PaintToBitmap(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, bool Background,
                                 bool Decorations) {
  TImageryView::PaintToBitmap(Dest, Rows, Clip, Background, Decorations);
}
void TImageryVect::FastPaintTimerTick(TObject*) {}
