// The class library's JPEG picture: a TGraphic holding compressed JPEG data and, on demand,
// the decoded bitmap; registered with TPicture for ".jpg" and ".jpeg".
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"

// "JPEG error #%d" with libjpeg's message number.
ORV_EXCEPTION(EJPEG, EInvalidGraphic)

enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
using TJPEGQualityRange = int;  // 1..100

class TJPEGImage : public TGraphic {
  ORV_CLASS(TJPEGImage, TGraphic)
public:
  TJPEGImage();
  ~TJPEGImage() override;
  // From another JPEG image (the data is shared by copying) or from a bitmap (compressed when
  // the data is next needed, with CompressionQuality).
  void Assign(TPersistent* Source) override;

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override;   // EInvalidGraphicOperation: the size comes from the data
  void SetHeight(int) override;
  TJPEGQualityRange CompressionQuality() const { return FQuality; }
  void SetCompressionQuality(TJPEGQualityRange Value);
  bool Grayscale() const { return FGrayscale; }
  void SetGrayscale(bool Value);
  bool ProgressiveEncoding() const { return FProgressive; }
  void SetProgressiveEncoding(bool Value) { FProgressive = Value; }
  TJPEGPerformance Performance = jpBestQuality;
  TJPEGScale Scale() const { return FScale; }
  void SetScale(TJPEGScale Value);
  TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TJPEGPixelFormat Value);
  bool Smoothing = true;

  // Makes the compressed data from the bitmap (after an Assign from a bitmap).
  void Compress();
  void JPEGNeeded();
  // Decodes the data into the bitmap.
  void DIBNeeded();
  // The decoded picture (owned by the image).
  TBitmap* Bitmap();

  // The stream holds JPEG data from its position to its end. EJPEG on data libjpeg refuses.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;
  // In a picture's Data record: a 32-bit byte count, then the JPEG data.
  void ReadData(TStream* Stream) override;
  void WriteData(TStream* Stream) override;

protected:
  // Into a bitmap: the decoded picture (the common way to decode a JPEG file).
  void AssignTo(TPersistent* Dest) override;

private:
  void ReadHeader();
  std::vector<uint8_t> FData;
  std::unique_ptr<TBitmap> FBitmap;
  int FWidth = 0, FHeight = 0;
  TJPEGQualityRange FQuality = 90;
  bool FGrayscale = false;
  bool FProgressive = false;
  TJPEGScale FScale = jsFullSize;
  TJPEGPixelFormat FPixelFormat = jf24Bit;
};
