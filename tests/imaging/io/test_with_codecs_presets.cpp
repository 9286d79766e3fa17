// The preset frame pictures decode with the PNG codec, with their window see-through or plain.
#include <gtest/gtest.h>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/iepresets.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"

TEST(IEPresetImagesDecode, EveryPictureLoadsAtItsSize) {
  IERegisterCodecs();
  IELibraryStartup();
  ASSERT_NE(IEPresetImages, nullptr);
  const int sizes[4][2] = {{162, 159}, {112, 100}, {163, 108}, {150, 150}};
  for (int i = 0; i < IEPresetImages->Count(); ++i) {
    SCOPED_TRACE(i);
    const auto* p = static_cast<const TIEPresetImage*>(IEPresetImages->Items(i));
    TMemoryStream ms;
    ms.WriteBuffer(p->Data, p->DataLength);
    ms.SetPosition(0);
    TImageryIO io(nullptr);
    io.LoadFromStream(&ms);
    ASSERT_FALSE(io.Aborting.load());
    EXPECT_EQ(io.IEBitmap()->Width(), sizes[i][0]);
    EXPECT_EQ(io.IEBitmap()->Height(), sizes[i][1]);
    EXPECT_EQ(io.Params->FileType, ioPNG);
    // The first picture's window is transparent, its frame opaque.
    if (i == 0) {
      ASSERT_TRUE(io.IEBitmap()->HasAlphaChannel());
      EXPECT_EQ(io.IEBitmap()->GetAlphaChannel()->GetPixel8(70, 70), 0);
      EXPECT_EQ(io.IEBitmap()->GetAlphaChannel()->GetPixel8(5, 5), 255);
    }
  }
  IELibraryShutdown();
}
