// Filled in by the measurement code; these bodies only let the view link.
#include "imaging/views/imageryvect.h"

void TImageryVect::GetUnitFactors(double& FactorX, double& FactorY, TIEUnits) { FactorX = FactorY = 1.0; }
void TImageryVect::UpdateUnitFactors() {}
double TImageryVect::GetSelectionArea() { return 0; }
double TImageryVect::GetSelectionLength() { return 0; }
void TImageryVect::ShowMeasureHint(int, int) {}
void TImageryVect::HideMeasureHint() {}
void TImageryVect::RefreshMeasureHint(int, int) {}
void TImageryVect::DrawRuler(TIECanvas*, int, int, int, int, const LOGFONT*, TIERect&, double, double, uint8_t, int,
                             TColor, TIEUnits, double) {}
void TImageryVect::DrawAngle(TIECanvas*, const TIEPoint*, const LOGFONT*, TIERect&, double, double, int, bool, int,
                             TColor) {}
