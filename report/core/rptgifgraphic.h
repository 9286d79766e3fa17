// GIF pictures for report picture objects: a picture field may hold a GIF, which the class
// library's picture does not read by itself. The graphic decodes it with the imaging library
// and keeps it as a bitmap.
#pragma once

#include "platform/vcl/graphics.h"

class TrptGIFGraphic : public TBitmap {
  ORV_CLASS(TrptGIFGraphic, TBitmap)
public:
  TrptGIFGraphic() = default;
  // Reads a GIF (its first frame); a bitmap written by SaveToStream reads back as well. Data that
  // is neither raises EInvalidGraphic.
  void LoadFromStream(TStream* Stream) override;
};

// Registers the graphic for the "gif" extension of pictures and for streaming (once).
void rptRegisterGIFGraphic();
