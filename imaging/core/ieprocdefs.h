// Types shared by the pixel routines of the imaging library: the progress event, the resampling
// filters and a small progress reporter that only calls the event when the percentage changes.
#pragma once

#include <cstdint>
#include <functional>

class TObject;

// (Sender, percent) of a running operation.
using TIEProgressEvent = std::function<void(TObject* Sender, int Per)>;

// Resampling filters; the ordinal is stored (one byte) and passed between components.
enum TResampleFilter : uint8_t {
  rfNone = 0,
  rfTriangle = 1,
  rfHermite = 2,
  rfBell = 3,
  rfBSpline = 4,
  rfLanczos3 = 5,
  rfMitchell = 6,
  rfNearest = 7,
  rfLinear = 8,
  rfFastLinear = 9,
  rfBilinear = 10,
  rfBicubic = 11,
  rfProjectBW = 12,
  rfProjectWB = 13,
};

// Reports percentages to an optional event; Changed() skips repeats of the last value.
struct TIEProgress {
  TObject* Sender = nullptr;
  const TIEProgressEvent* Event = nullptr;
  int Last = -1;
  TIEProgress(TObject* ASender, const TIEProgressEvent& AEvent)
      : Sender(ASender), Event(AEvent ? &AEvent : nullptr) {}
  bool Active() const { return Event != nullptr; }
  void Report(int Per) {
    if (Event) (*Event)(Sender, Per);
  }
  void Changed(int Per) {
    if (Event && Per != Last) {
      Last = Per;
      (*Event)(Sender, Per);
    }
  }
};
