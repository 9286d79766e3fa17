// The PNG picture's chunk stream: the signature and chunk order, every chunk class, CRCs, the
// errors and their texts, hostile streams, the registration with the picture loader and PNG
// pictures inside form descriptions.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "controls/pnglang.h"
#include "platform/rtl/filer.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "tests/controls/pngtest.h"

namespace {

TBytes Ihdr(uint32_t W, uint32_t H, uint8_t Depth = 8, uint8_t ColorType = 0,
            uint8_t Interlace = 0) {
  return Chunk("IHDR", IhdrData(W, H, Depth, ColorType, Interlace));
}
TBytes Idat(uint32_t W, uint32_t H) { return Chunk("IDAT", GreyImageData(W, H)); }
TBytes Iend() { return Chunk("IEND", {}); }
// A 4 x 3 grey image with the extra chunks between the header and the data.
TBytes GreyWith(std::initializer_list<TBytes> Extra) {
  TBytes out = Signature();
  for (const TBytes& c : {Ihdr(4, 3)}) out.insert(out.end(), c.begin(), c.end());
  for (const TBytes& c : Extra) out.insert(out.end(), c.begin(), c.end());
  for (const TBytes& c : {Idat(4, 3), Iend()}) out.insert(out.end(), c.begin(), c.end());
  return out;
}
TBytes Text(const std::string& S) { return TBytes(S.begin(), S.end()); }

template <class E>
std::string LoadFailure(TPNGObject& P, const TBytes& Bytes) {
  try {
    LoadBytes(P, Bytes);
  } catch (const E& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return std::string("wrong exception: ") + e.what();
  }
  return "no exception";
}

TEST(PngChunkStream, AStreamWithoutTheSignatureIsRefusedAndLeavesThePictureEmpty) {
  TPNGObject p;
  TBytes bytes = GreyWith({});
  bytes[1] = 'Q';
  EXPECT_EQ(LoadFailure<EPNGInvalidFileHeader>(p, bytes), pnglang::InvalidFileHeaderText);
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(LoadFailure<EPNGInvalidFileHeader>(p, TBytes{0x89, 'P'}),
            pnglang::InvalidFileHeaderText);
}

TEST(PngChunkStream, TheFirstChunkMustBeTheHeader) {
  TPNGObject p;
  EXPECT_EQ(LoadFailure<EPNGIHDRNotFirst>(
                p, PngStream({Chunk("tEXt", Text("a\0b")), Ihdr(4, 3), Idat(4, 3), Iend()})),
            pnglang::IHDRNotFirstText);
  EXPECT_TRUE(p.Empty());
}

TEST(PngChunkStream, PrivateChunksAreKeptInOrderAndWrittenBackUnchanged) {
  const TBytes preview = {1, 2, 3, 0, 250};
  const TBytes marks = Text("bookmark");
  TPNGObject p;
  LoadBytes(p,
            GreyWith({Chunk("prVW", preview), Chunk("tEXt", Text(std::string("Title\0Shoot", 11))),
                      Chunk("mkBT", marks)}));
  ASSERT_EQ(p.ChunkList().Count(), 6);
  EXPECT_EQ(p.ChunkList().ItemAt(1)->ChunkType(), "prVW");
  EXPECT_EQ(p.ChunkList().ItemAt(1)->ClassType(), TChunk::StaticClass());
  auto* text = dynamic_cast<TChunktEXt*>(p.ChunkList().ItemAt(2));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Keyword(), "Title");
  EXPECT_EQ(text->Text(), "Shoot");
  const TBytes out = SaveBytes(p);
  EXPECT_EQ(ChunkTypes(out),
            (std::vector<std::string>{"IHDR", "prVW", "tEXt", "mkBT", "IDAT", "IEND"}));
  EXPECT_EQ(ChunkData(out, "prVW"), preview);
  EXPECT_EQ(ChunkData(out, "mkBT"), marks);
  // libpng takes what we wrote.
  EXPECT_NO_THROW(ReadWithLibpng(out));
}

TEST(PngChunkStream, AnUnknownCriticalChunkIsRefused) {
  TPNGObject p;
  EXPECT_EQ(LoadFailure<EPNGUnknownCriticalChunk>(p, GreyWith({Chunk("ABCD", {1, 2})})),
            pnglang::UnknownCriticalChunkText);
  // The chunk stays in the list, with those read before it.
  EXPECT_EQ(p.ChunkList().Count(), 2);
}

TEST(PngChunkStream, ChromaticitiesAreReadPastAndNotWrittenBack) {
  TPNGObject p;
  LoadBytes(p, GreyWith({Chunk("cHRM", TBytes(32, 7))}));
  EXPECT_EQ(ChunkTypes(SaveBytes(p)), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
}

TEST(PngChunkStream, SidesUpTo65535PixelsAreAccepted) {
  TPNGObject p;
  LoadBytes(p, PngStream({Ihdr(65535, 1), Idat(65535, 1), Iend()}));
  EXPECT_EQ(p.Width(), 65535);
  EXPECT_EQ(LoadFailure<EPNGSizeExceeds>(p, PngStream({Ihdr(65536, 1), Idat(1, 1), Iend()})),
            pnglang::SizeExceedsText);
  EXPECT_EQ(LoadFailure<EPNGSizeExceeds>(p, PngStream({Ihdr(1, 70000), Idat(1, 1), Iend()})),
            pnglang::SizeExceedsText);
}

TEST(PngChunkStream, HeadersWhoseImageWouldNotFitInMemoryAreRefused) {
  // 65535 x 65535 RGBA: the bitmap and the alpha plane would each pass 2^32 bytes.
  TPNGObject p;
  EXPECT_EQ(
      LoadFailure<EPNGSizeExceeds>(p, PngStream({Ihdr(65535, 65535, 8, 6), Idat(1, 1), Iend()})),
      pnglang::SizeExceedsText);
  EXPECT_EQ(
      LoadFailure<EPNGSizeExceeds>(p, PngStream({Ihdr(65535, 40000, 16, 2), Idat(1, 1), Iend()})),
      pnglang::SizeExceedsText);
}

TEST(PngChunkStream, DepthsAndColourTypesAreCheckedBeforeAnyRowIsRead) {
  struct TCase {
    uint8_t Depth, ColorType;
    bool Valid;
  };
  const TCase cases[] = {
      {1, 0, true},  {2, 0, true},  {4, 0, true},  {8, 0, true},   {16, 0, true},
      {3, 0, false}, {8, 2, true},  {16, 2, true}, {4, 2, false},  {1, 3, true},
      {2, 3, true},  {4, 3, true},  {8, 3, true},  {16, 3, false}, {8, 4, true},
      {16, 4, true}, {4, 4, false}, {8, 6, true},  {16, 6, true},  {1, 6, false},
      {8, 1, false}, {8, 5, false}, {8, 7, false}, {0, 0, false},  {32, 6, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE("depth " + std::to_string(c.Depth) + ", colour type " +
                 std::to_string(c.ColorType));
    TPNGObject p;
    TBytes plte = Chunk("PLTE", TBytes(3 * 16, 90));
    TBytes idat = Chunk("IDAT", ZeroImageData(4, 3, c.Depth, c.ColorType));
    const TBytes bytes = c.ColorType == 3
                             ? PngStream({Ihdr(4, 3, c.Depth, c.ColorType), plte, idat, Iend()})
                             : PngStream({Ihdr(4, 3, c.Depth, c.ColorType), idat, Iend()});
    if (c.Valid) {
      EXPECT_NO_THROW(LoadBytes(p, bytes));
      EXPECT_EQ(p.Width(), 4);
    } else {
      EXPECT_EQ(LoadFailure<EPngInvalidIHDR>(p, bytes), pnglang::InvalidIHDRText);
    }
  }
  TPNGObject p;
  EXPECT_EQ(LoadFailure<EPngInvalidIHDR>(p, PngStream({Ihdr(0, 3), Idat(1, 1), Iend()})),
            pnglang::InvalidIHDRText);
}

TEST(PngChunkStream, BrokenHeadersAreRefusedWithTheirOwnErrors) {
  TPNGObject p;
  TBytes shortHeader = IhdrData(4, 3);
  shortHeader.pop_back();
  EXPECT_EQ(
      LoadFailure<EPngInvalidIHDR>(p, PngStream({Chunk("IHDR", shortHeader), Idat(4, 3), Iend()})),
      pnglang::InvalidIHDRText);
  TBytes compression = IhdrData(4, 3);
  compression[10] = 1;
  EXPECT_EQ(LoadFailure<EPNGUnknownCompression>(
                p, PngStream({Chunk("IHDR", compression), Idat(4, 3), Iend()})),
            pnglang::UnknownCompressionText);
  EXPECT_EQ(
      LoadFailure<EPNGUnknownInterlace>(p, PngStream({Ihdr(4, 3, 8, 0, 2), Idat(4, 3), Iend()})),
      pnglang::UnknownInterlaceText);
  // A second header would make a second image that nobody draws.
  EXPECT_EQ(LoadFailure<EPngInvalidIHDR>(
                p, PngStream({Ihdr(4, 3), Ihdr(9000, 9000, 8, 6), Idat(4, 3), Iend()})),
            pnglang::InvalidIHDRText);
}

TEST(PngChunkStream, PalettesMustHoldWholeEntriesAndAtMost256) {
  TPNGObject p;
  auto withPalette = [](size_t Bytes) {
    return PngStream({Ihdr(4, 3, 8, 3), Chunk("PLTE", TBytes(Bytes, 1)), Idat(4, 3), Iend()});
  };
  EXPECT_EQ(LoadFailure<EPNGInvalidPalette>(p, withPalette(771)), pnglang::InvalidPaletteText);
  EXPECT_EQ(LoadFailure<EPNGInvalidPalette>(p, withPalette(10)), pnglang::InvalidPaletteText);
  LoadBytes(p, withPalette(0));
  EXPECT_EQ(p.ChunkList().FirstOf<TChunkPLTE>()->Count(), 0u);
  LoadBytes(p, withPalette(768));
  EXPECT_EQ(p.ChunkList().FirstOf<TChunkPLTE>()->Count(), 256u);
  EXPECT_THROW(p.ChunkList().FirstOf<TChunkPLTE>()->EntryAt(256), EPngError);
}

TEST(PngChunkStream, PaletteTransparencyKeysOnlyOneFullyTransparentEntry) {
  struct TCase {
    TBytes Alpha;
    bool SingleKey;
  };
  // One entry at 0 among opaque ones keys; a partly transparent entry (1..254) or several
  // transparent ones blend.
  const TCase cases[] = {
      {{255, 0, 255}, true}, {{0}, true},     {{255, 255, 128}, false}, {{1}, false},
      {{254, 255}, false},   {{0, 0}, false}, {{0, 128}, false},        {{255, 255}, false},
  };
  for (const TCase& c : cases) {
    TPNGObject p;
    LoadBytes(p, PngStream({Ihdr(4, 3, 8, 3), Chunk("PLTE", TBytes(9, 200)), Chunk("tRNS", c.Alpha),
                            Idat(4, 3), Iend()}));
    EXPECT_EQ(p.ChunkList().FirstOf<TChunktRNS>()->SingleKey(), c.SingleKey);
    EXPECT_EQ(p.TransparencyKind(), c.SingleKey ? ptmBit : ptmPartial);
  }
  TPNGObject p;
  EXPECT_EQ(LoadFailure<EPNGInvalidPalette>(
                p, PngStream({Ihdr(4, 3, 8, 3), Chunk("PLTE", TBytes(9, 1)),
                              Chunk("tRNS", TBytes(257, 0)), Idat(4, 3), Iend()})),
            pnglang::InvalidPaletteText);
}

TEST(PngChunkStream, AStreamWithoutImageDataKeepsItsChunks) {
  TPNGObject p;
  EXPECT_EQ(LoadFailure<EPNGNoImageData>(
                p, PngStream({Ihdr(4, 3), Chunk("tEXt", Text(std::string("a\0b", 3))), Iend()})),
            pnglang::NoImageDataText);
  EXPECT_EQ(p.ChunkList().Count(), 3);
}

TEST(PngChunkStream, AStreamThatStopsBeforeTheEndChunkIsRefused) {
  TPNGObject p;
  EXPECT_EQ(LoadFailure<EPngUnexpectedEnd>(p, PngStream({Ihdr(4, 3), Idat(4, 3)})),
            pnglang::UnexpectedEndText);
  EXPECT_EQ(p.ChunkList().Count(), 2);
}

TEST(PngChunkStream, AChangedByteInAnyChunkFailsItsCrc) {
  const TBytes good =
      GreyWith({Chunk("tEXt", Text(std::string("k\0v", 3))), Chunk("gAMA", {0, 0, 0xB1, 0x8F}),
                Chunk("tIME", {7, 0xE6, 3, 4, 5, 6, 7}), Chunk("prVW", {9, 9})});
  // Every chunk: flip the last byte of its data (or of its type, for IEND).
  for (size_t at = 8; at + 12 <= good.size();) {
    const uint32_t n = (uint32_t(good[at]) << 24) | (uint32_t(good[at + 1]) << 16) |
                       (uint32_t(good[at + 2]) << 8) | good[at + 3];
    const std::string type(reinterpret_cast<const char*>(&good[at + 4]), 4);
    TBytes bad = good;
    bad[at + 7 + (n ? n : 0)] ^= 0x01;
    TPNGObject p;
    // (Damaged image data is found by zlib before its CRC is reached; see below.)
    if (type != "IEND" && type != "IDAT") {
      SCOPED_TRACE(type);
      EXPECT_EQ(LoadFailure<EPngInvalidCRC>(p, bad), pnglang::InvalidCRCText);
    }
    at += n + 12;
  }
}

TEST(PngChunkStream, ChunkLengthsBeyondTheStreamAreRefusedWithoutReservingThem) {
  for (uint32_t length : {0x7FFFFFF0u, 0xFFFFFFFFu, 5000u}) {
    TBytes bytes = GreyWith({Chunk("tEXt", Text(std::string("k\0v", 3)))});
    // The tEXt chunk's length field follows the signature and the 25 bytes of the header chunk.
    bytes[33] = uint8_t(length >> 24);
    bytes[34] = uint8_t(length >> 16);
    bytes[35] = uint8_t(length >> 8);
    bytes[36] = uint8_t(length);
    TPNGObject p;
    EXPECT_EQ(LoadFailure<EPngInvalidCRC>(p, bytes), pnglang::InvalidCRCText);
  }
}

TEST(PngChunkStream, TwoBitImagesAreWrittenWithFourBits) {
  TPNGObject p;
  LoadBytes(p, PngStream({Ihdr(4, 3, 2, 0), Chunk("IDAT", ZeroImageData(4, 3, 2, 0)), Iend()}));
  const TBytes out = SaveBytes(p);
  EXPECT_EQ(ChunkData(out, "IHDR")[8], 4);
  EXPECT_EQ(ReadWithLibpng(out).Depth, 4);
}

TEST(PngChunkStream, TheModificationTimeSurvivesAReadAndAWrite) {
  const TBytes time = {0x07, 0xE6, 12, 31, 23, 59, 58};
  TPNGObject p;
  LoadBytes(p, GreyWith({Chunk("tIME", time)}));
  auto* t = p.ChunkList().FirstOf<TChunktIME>();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Year, 2022);
  EXPECT_EQ(t->Month, 12);
  EXPECT_EQ(t->Second, 58);
  EXPECT_EQ(ChunkData(SaveBytes(p), "tIME"), time);
}

TEST(PngChunkStream, CompressedTextsInflateWholeAndAnEmptyOneIsWrittenAsABlank) {
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += char('a' + i % 26);
  TBytes ztxt = Text(std::string("Comment\0\0", 9));
  const TBytes packed = Deflate(Text(longText));
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  TPNGObject p;
  LoadBytes(p, GreyWith({Chunk("zTXt", ztxt)}));
  auto* z = p.ChunkList().FirstOf<TChunkzTXt>();
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Keyword(), "Comment");
  EXPECT_EQ(z->Text(), longText);
  z->SetText("");
  const TBytes data = ChunkData(SaveBytes(p), "zTXt");
  ASSERT_GT(data.size(), 9u);
  EXPECT_EQ(std::string(data.begin(), data.begin() + 9), std::string("Comment\0\0", 9));
  uLongf n = 16;
  TBytes text(n);
  ASSERT_EQ(uncompress(text.data(), &n, data.data() + 9, static_cast<uLong>(data.size() - 9)),
            Z_OK);
  EXPECT_EQ(std::string(text.begin(), text.begin() + static_cast<ptrdiff_t>(n)), " ");
}

TEST(PngChunkStream, ACompressedTextThatCannotBeInflatedIsReported) {
  TPNGObject p;
  const TBytes damaged = Text(std::string("Comment\0\0\x78\x9C\xFF\xFF\xFF", 14));
  const std::string msg = LoadFailure<EPNGZLIBError>(p, GreyWith({Chunk("zTXt", damaged)}));
  EXPECT_EQ(msg.rfind(pnglang::ZLIBErrorText, 0), 0u) << msg;
  TBytes cut = Text(std::string("Comment\0\0", 9));
  TBytes packed = Deflate(Text("a text that is cut off before its end"));
  cut.insert(cut.end(), packed.begin(), packed.begin() + 10);
  EXPECT_EQ(LoadFailure<EPNGZLIBError>(p, GreyWith({Chunk("zTXt", cut)})),
            std::string(pnglang::ZLIBErrorText) + "buffer error (-5)");
  EXPECT_EQ(LoadFailure<EPNGUnknownCompression>(
                p, GreyWith({Chunk("zTXt", Text(std::string("k\0\x01xyz", 6)))})),
            pnglang::UnknownCompressionText);
}

TEST(PngChunkStream, GammaTablesFollowTheGammaChunk) {
  auto gama = [](uint32_t v) {
    return Chunk("gAMA", {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
  };
  TPNGObject p;
  LoadBytes(p, GreyWith({gama(45455)}));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(p.DecodeGamma()[i], i);
    EXPECT_EQ(p.EncodeGamma()[i], i);
  }
  LoadBytes(p, GreyWith({gama(0)}));
  EXPECT_EQ(p.DecodeGamma()[100], 100);
  LoadBytes(p, GreyWith({gama(100000)}));
  EXPECT_GT(p.DecodeGamma()[100], 100);  // 255 * (100/255)^(1/2.2)
  EXPECT_EQ(p.DecodeGamma()[0], 0);
  EXPECT_EQ(p.DecodeGamma()[255], 255);
  // Every bitmap value encodes to the sample whose decoded value is nearest to it, also values
  // no sample decodes to.
  for (int y = 0; y < 256; ++y) {
    int nearest = 255;
    for (int i = 0; i < 256; ++i) nearest = std::min(nearest, std::abs(p.DecodeGamma()[i] - y));
    EXPECT_EQ(std::abs(p.DecodeGamma()[p.EncodeGamma()[y]] - y), nearest) << y;
  }
}

TEST(PngChunkStream, TheGammaIsAppliedOnceThroughCopiesAndWrites) {
  // An 8-bit RGB image of one pixel (80, 80, 80) with a gamma of 1.0 (100000 / 2.2 = 45455 is
  // neutral; 100000 brightens).
  TBytes raw = {0, 80, 80, 80};
  const TBytes bytes = PngStream(
      {Ihdr(1, 1, 8, 2), Chunk("gAMA", {0, 1, 0x86, 0xA0}), Chunk("IDAT", Deflate(raw)), Iend()});
  TPNGObject p;
  LoadBytes(p, bytes);
  const TColor seen = p.PixelAt(0, 0);
  EXPECT_GT(GetRValue(seen), 80);
  // A copy written and read again looks the same: the stored sample is 80 again.
  TPNGObject copy;
  copy.Assign(&p);
  const TBytes again = SaveBytes(copy);
  TPNGObject back;
  LoadBytes(back, again);
  EXPECT_EQ(back.PixelAt(0, 0), seen);
  uLongf n = 4;
  TBytes rows(4);
  const TBytes idat = ChunkData(again, "IDAT");
  ASSERT_EQ(uncompress(rows.data(), &n, idat.data(), static_cast<uLong>(idat.size())), Z_OK);
  // Filter Sub of the one pixel leaves the samples as they are: a sample that decodes to what
  // 80 decodes to (not 80 decoded once more).
  EXPECT_EQ(p.DecodeGamma()[rows[1]], p.DecodeGamma()[80]);
  EXPECT_LE(std::abs(rows[1] - 80), 1);
}

TEST(PngChunkStream, ImageDataThatIsCutOffOrDamagedIsRefused) {
  TPNGObject p;
  // The stream ends inside the image data.
  TBytes whole = PngStream({Ihdr(64, 64), Chunk("IDAT", GreyImageData(64, 64)), Iend()});
  TBytes cut(whole.begin(),
             whole.begin() + 33 + 8 + static_cast<ptrdiff_t>(ChunkData(whole, "IDAT").size() / 2));
  EXPECT_EQ(LoadFailure<EPngInvalidCRC>(p, cut), pnglang::InvalidCRCText);
  // The rows that did arrive are there; the rest stays zero.
  EXPECT_EQ(p.PixelAt(1, 0), TColor(RGB(1, 1, 1)));
  EXPECT_EQ(p.PixelAt(63, 63), 0);
  // The data stops before the last row and another chunk follows.
  TBytes few = Deflate(TBytes(65 * 10, 0));
  EXPECT_EQ(LoadFailure<EPNGMissingMultipleIDAT>(
                p, PngStream({Ihdr(64, 64), Chunk("IDAT", few), Iend()})),
            pnglang::MissingMultipleIDATText);
  // Data that is not zlib data.
  EXPECT_EQ(
      LoadFailure<EPNGZLIBError>(
          p, PngStream({Ihdr(4, 3), Chunk("IDAT", TBytes{0x78, 0x9C, 0xFF, 0xFF, 0, 0}), Iend()})),
      std::string(pnglang::ZLIBErrorText) + "data error (-3)");
  // A bad CRC on image data.
  TBytes bad = PngStream({Ihdr(4, 3), Idat(4, 3), Iend()});
  bad[33 + 8 + ChunkData(bad, "IDAT").size() + 1] ^= 0x40;
  EXPECT_EQ(LoadFailure<EPngInvalidCRC>(p, bad), pnglang::InvalidCRCText);
}

TEST(PngChunkStream, ThePictureIsRegisteredForTheExtensionPng) {
  EXPECT_EQ(TPicture::FileFormatClass("PNG"), TPNGObject::StaticClass());
  EXPECT_EQ(TPicture::FileFormatClass(".png"), TPNGObject::StaticClass());
  EXPECT_NE(TPicture::GraphicFilter(nullptr).find("Portable Network Graphics (*.png)"),
            std::string::npos);
  const std::string file =
      (std::filesystem::temp_directory_path() / "orv_pngchunks_test.png").string();
  {
    const TBytes bytes = GreyWith({});
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  TPicture picture;
  picture.LoadFromFile(file);
  std::filesystem::remove(file);
  ASSERT_NE(dynamic_cast<TPNGObject*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(picture.Height(), 3);
}

// A form description in hexadecimal, as form resources hold binary properties.
std::string Hex(const TBytes& Bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < Bytes.size(); ++i) {
    if (i % 32 == 0) out += "\n      ";
    out += digits[Bytes[i] >> 4];
    out += digits[Bytes[i] & 15];
  }
  return out;
}

TEST(PngChunkStream, APngPictureInAFormDescriptionLoadsWithTheForm) {
  // The settings window's picture: an RGBA image with sBIT, pHYs, tEXt and private chunks.
  TPngLayout layout;
  layout.Width = 94;
  layout.Height = 93;
  layout.ColorType = 6;
  const TBytes image = MakePng(layout);
  const TBytes idat = ChunkData(image, "IDAT");
  const TBytes png = PngStream({Chunk("IHDR", IhdrData(94, 93, 8, 6)), Chunk("sBIT", {8, 8, 8, 8}),
                                Chunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}),
                                Chunk("tEXt", Text(std::string("Software\0Studio", 15))),
                                Chunk("mkBF", {1, 2, 3}), Chunk("IDAT", idat), Iend()});
  TBytes data = {10};
  const std::string name = "TPNGObject";
  data.insert(data.end(), name.begin(), name.end());
  data.insert(data.end(), png.begin(), png.end());
  const std::string text =
      "object Settings: TForm\n  Left = 0\n  Top = 0\n  Width = 300\n  Height = 200\n"
      "  object Logo: TImage\n    Left = 8\n    Top = 8\n    Width = 94\n    Height = 93\n"
      "    Picture.Data = {" +
      Hex(data) + "}\n  end\nend\n";
  RegisterClass(TImage::StaticClass());
  auto form = std::make_unique<TForm>(nullptr);
  form->LoadFromText(text);
  auto* logo = dynamic_cast<TImage*>(form->FindComponent("Logo"));
  ASSERT_NE(logo, nullptr);
  auto* picture = dynamic_cast<TPNGObject*>(logo->Picture()->Graphic());
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 94);
  EXPECT_EQ(picture->Height(), 93);
  EXPECT_EQ(picture->TransparencyKind(), ptmPartial);
  const TRgbaImage want = ReadWithLibpng(image);
  EXPECT_EQ(picture->PixelAt(50, 40),
            TColor(RGB(want.At(50, 40)[0], want.At(50, 40)[1], want.At(50, 40)[2])));
  // Written back with the form, every chunk goes along.
  TMemoryStream bin;
  {
    TWriter w(&bin);
    w.WriteRootComponent(form.get());
  }
  bin.SetPosition(0);
  TStringStream written("");
  ObjectBinaryToText(&bin, &written);
  auto second = std::make_unique<TForm>(nullptr);
  second->LoadFromText(written.DataString());
  auto* again = dynamic_cast<TPNGObject*>(
      dynamic_cast<TImage*>(second->FindComponent("Logo"))->Picture()->Graphic());
  ASSERT_NE(again, nullptr);
  const TBytes out = SaveBytes(*again);
  EXPECT_EQ(ChunkTypes(out),
            (std::vector<std::string>{"IHDR", "sBIT", "pHYs", "tEXt", "mkBF", "IDAT", "IEND"}));
  EXPECT_EQ(again->PixelAt(50, 40), picture->PixelAt(50, 40));
}

}  // namespace
