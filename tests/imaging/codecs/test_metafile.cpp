// Metafile content tests, and the codec content tests as the IO front end's detection uses them.
#include <gtest/gtest.h>

#include "codectest.h"
#include "imaging/codecs/iemetafile.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"

namespace {

std::vector<uint8_t> WmfHeader(int type, int words, int last) {
  std::vector<uint8_t> v;
  Put16(v, type);
  Put16(v, words);
  Put16(v, 0x300);
  Put32(v, 100);
  Put16(v, 2);
  Put32(v, 20);
  Put16(v, last);
  v.resize(64, 0);
  return v;
}

bool Probe(bool (*Detect)(TStream*), const std::vector<uint8_t>& data) {
  TMemoryStream s;
  Load(s, data);
  s.SetPosition(0);
  const bool r = Detect(&s);
  EXPECT_EQ(s.Position(), 0);
  return r;
}

}  // namespace

TEST(MetafileDetect, WindowsMetafilePlainAndPlaceable) {
  const auto plain = WmfHeader(1, 9, 0);
  std::vector<uint8_t> placeable;
  Put32(placeable, 0x9AC6CDD7u);
  placeable.resize(22, 0);
  placeable.insert(placeable.end(), plain.begin(), plain.end());
  EXPECT_TRUE(Probe(WmfDetect, plain));
  EXPECT_TRUE(Probe(WmfDetect, placeable));
  EXPECT_FALSE(Probe(WmfDetect, WmfHeader(2, 9, 0)));  // a disk metafile
  EXPECT_FALSE(Probe(WmfDetect, WmfHeader(1, 8, 0)));
  EXPECT_FALSE(Probe(WmfDetect, WmfHeader(1, 9, 1)));
  EXPECT_FALSE(Probe(WmfDetect, {1, 0}));
}

TEST(MetafileDetect, EnhancedMetafile) {
  std::vector<uint8_t> v(100, 0);
  v[0] = 1;
  v[40] = ' ', v[41] = 'E', v[42] = 'M', v[43] = 'F';
  EXPECT_TRUE(Probe(EmfDetect, v));
  v[0] = 2;
  EXPECT_FALSE(Probe(EmfDetect, v));
  EXPECT_FALSE(Probe(EmfDetect, std::vector<uint8_t>(v.begin(), v.begin() + 30)));
}

TEST(MetafileDetect, FrontEndDetectionUsesTheCodecTests) {
  auto find = [](const std::vector<uint8_t>& v) {
    TMemoryStream s;
    Load(s, v);
    return IEFindStreamFormat(&s);
  };
  std::vector<uint8_t> placeable;
  Put32(placeable, 0x9AC6CDD7u);
  placeable.resize(22, 0);
  const auto plain = WmfHeader(1, 9, 0);
  placeable.insert(placeable.end(), plain.begin(), plain.end());
  EXPECT_EQ(find(plain), ioWMF);
  EXPECT_EQ(find(placeable), ioWMF);
  EXPECT_NE(find(WmfHeader(2, 9, 0)), ioWMF);  // a disk metafile
  std::vector<uint8_t> emf(100, 0);
  emf[0] = 1;
  emf[40] = ' ', emf[41] = 'E', emf[42] = 'M', emf[43] = 'F';
  EXPECT_EQ(find(emf), ioEMF);
  // A DCX table pointing outside the file is not a DCX file.
  std::vector<uint8_t> dcx;
  Put32(dcx, 987654321u);
  Put32(dcx, 100000);
  Put32(dcx, 0);
  dcx.resize(64, 0);
  EXPECT_NE(find(dcx), ioDCX);
  // A PNM header split by a comment before the size.
  const std::string pnm = "P5\n# note\n2 2\n255\n\x01\x02\x03\x04";
  EXPECT_EQ(find(std::vector<uint8_t>(pnm.begin(), pnm.end())), ioPXM);
}
