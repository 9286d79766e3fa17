// The effects table of the transition engine: a display name for every transition value 1..163
// and, for 31..163, the routine that composes one frame of it from the target picture at a
// progress percentage. The routines only draw the target (wholly or in part) over the frame, or
// move parts of the frame itself; none reads the source picture.
#pragma once

#include <string>

#include "platform/vcl/graphics.h"

// (frame canvas, source, target, frame rectangle, parameter (1), progress 0..100)
using TEffectRoutine = void (*)(TCanvas* Canvas, TBitmap* Source, TBitmap* Target, const RECT& Rect, int Param,
                                int Progress);

struct TEffect {
  const char* Name;
  TEffectRoutine Routine;
};

constexpr int IEEffectCount = 163;
// Entry i belongs to transition value i + 1.
const TEffect* IEEffects();

// The progressed extents of a frame: PW and PH keep the frame's proportions and reach W and H at
// 100 %; Unit is about one ninetieth of the larger side (never below 1, so the routines that
// divide by it stay defined on small frames).
void IETransitionExtents(const RECT& Rect, int Param, int Progress, int& W, int& H, int& PW, int& PH, int& Unit);
