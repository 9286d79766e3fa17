// The library's preset frame pictures: four small PNG pictures held in the program, each with the
// rectangle of its window. The library start-up builds the list and the shut-down frees it.
#pragma once

#include <cstdint>

#include "imaging/core/iegeom.h"

class TList;

struct TIEPresetImage {
  int32_t DataLength = 0;
  const uint8_t* Data = nullptr;  // constant data of the program, not owned
  int32_t FileType = 0;           // the format registry's id (PNG for every entry)
  TIERect Rect{0, 0, 0, 0};       // in picture pixels
};

// The list of TIEPresetImage entries while the library is started; nil otherwise.
extern TList* IEPresetImages;

void IEPresetImagesInit();
void IEPresetImagesFree();
