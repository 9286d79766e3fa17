// TIFF image annotations: objects saved and loaded back, the 16-bit layout, empty mark blocks,
// appending, and damaged data whose sizes and texts reach past the end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iemetadata.h"

namespace {

void AnnotTestSetType(TIEImagingObject* O, int32_t Type) { IEPutLE32(O->Attributes, uint32_t(Type)); }

void AnnotTestPut32(std::vector<uint8_t>& V, int32_t X) {
  uint8_t b[4];
  IEPutLE32(b, uint32_t(X));
  V.insert(V.end(), b, b + 4);
}

// A mark block of Type followed by one named item (16-bit layout when Format16).
std::vector<uint8_t> AnnotTestData(bool Format16, int32_t Type, const char* Name, const std::vector<uint8_t>& Item,
                                   int32_t DeclaredSize) {
  std::vector<uint8_t> v;
  AnnotTestPut32(v, 0);
  AnnotTestPut32(v, Format16 ? 0 : 1);
  AnnotTestPut32(v, 5);
  AnnotTestPut32(v, IEAnnotAttributeSize);
  std::vector<uint8_t> attrs(IEAnnotAttributeSize, 0);
  IEPutLE32(attrs.data(), uint32_t(Type));
  v.insert(v.end(), attrs.begin(), attrs.end());
  AnnotTestPut32(v, 6);
  AnnotTestPut32(v, 12);
  char name[8] = {};
  std::strncpy(name, Name, 8);
  v.insert(v.end(), name, name + 8);
  AnnotTestPut32(v, DeclaredSize);
  if (Format16) AnnotTestPut32(v, 0);
  v.insert(v.end(), Item.begin(), Item.end());
  return v;
}

}  // namespace

TEST(ImagingAnnot, SaveAndLoadBackThreeObjects) {
  TIEImagingAnnot a(nullptr);
  TIEImagingObject* line = a.Add();
  AnnotTestSetType(line, 4);
  line->Points = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  TIEImagingObject* text = a.Add();
  AnnotTestSetType(text, 7);
  text->Text = "Proof 12";
  TIEImagingObject* rect = a.Add();
  AnnotTestSetType(rect, 6);
  IEPutLE32(rect->Attributes + 4, 40);  // left
  TIEImagingObject* image = a.Add();
  AnnotTestSetType(image, 1);
  image->Image = new TIEBitmap(5, 3, ie24RGB);
  image->Image->Fill(0);
  image->Image->SetPixelRGB(2, 1, TIERGBPixel{10, 20, 30});
  std::vector<uint8_t> data;
  a.SaveToStandardBuffer(data);
  ASSERT_GT(data.size(), 8u);

  TIEImagingAnnot b(nullptr);
  ASSERT_TRUE(b.LoadFromStandardBuffer(data.data(), int(data.size())));
  ASSERT_EQ(b.Count(), 4);
  EXPECT_EQ(b.Object(0)->MarkType(), 4);
  EXPECT_EQ(b.Object(0)->Points, line->Points);
  EXPECT_EQ(b.Object(1)->Text, "Proof 12");
  EXPECT_EQ(b.Object(2)->MarkType(), 6);
  EXPECT_EQ(IELE32(b.Object(2)->Attributes + 4), 40u);
  ASSERT_NE(b.Object(3)->Image, nullptr);
  EXPECT_EQ(b.Object(3)->Image->Width(), 5);
  EXPECT_EQ(b.Object(3)->Image->GetPixelRGB(2, 1).r, 30);
  // loading again appends
  ASSERT_TRUE(b.LoadFromStandardBuffer(data.data(), int(data.size())));
  EXPECT_EQ(b.Count(), 8);
  // nothing to save: no data
  TIEImagingAnnot empty(nullptr);
  empty.SaveToStandardBuffer(data);
  EXPECT_TRUE(data.empty());
}

TEST(ImagingAnnot, SixteenBitLayoutAndEmptyMark) {
  std::vector<uint8_t> pts;
  for (int32_t v : {2, 2, 10, 20, 30, 40}) AnnotTestPut32(pts, v);
  auto d = AnnotTestData(true, 3, "OiAnoDat", pts, int32_t(pts.size()));
  TIEImagingAnnot a(nullptr);
  ASSERT_TRUE(a.LoadFromStandardBuffer(d.data(), int(d.size())));
  ASSERT_EQ(a.Count(), 1);
  EXPECT_EQ(a.Object(0)->Points, (std::vector<int32_t>{10, 20, 30, 40}));
  auto zero = AnnotTestData(false, 0, "OiAnoDat", pts, int32_t(pts.size()));
  TIEImagingAnnot b(nullptr);
  b.LoadFromStandardBuffer(zero.data(), int(zero.size()));
  EXPECT_EQ(b.Count(), 0);
}

TEST(ImagingAnnot, SizesAndTextsBoundedByTheData) {
  // a point list that claims a million points and an item size far past the end
  std::vector<uint8_t> pts;
  for (int32_t v : {1000000, 1000000, 1, 2}) AnnotTestPut32(pts, v);
  auto d = AnnotTestData(false, 4, "OiAnoDat", pts, 0x7FFFFFF0);
  TIEImagingAnnot a(nullptr);
  ASSERT_TRUE(a.LoadFromStandardBuffer(d.data(), int(d.size())));
  ASSERT_EQ(a.Count(), 1);
  EXPECT_EQ(a.Object(0)->Points, (std::vector<int32_t>{1, 2}));
  // a text whose length says more than the item holds
  std::vector<uint8_t> txt;
  for (int32_t v : {0, 0, 1000, 5000}) AnnotTestPut32(txt, v);
  txt.insert(txt.end(), {'a', 'b', 'c'});
  auto t = AnnotTestData(false, 7, "OiAnText", txt, int32_t(txt.size()));
  TIEImagingAnnot b(nullptr);
  ASSERT_TRUE(b.LoadFromStandardBuffer(t.data(), int(t.size())));
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(b.Object(0)->Text, "abc");
  // negative sizes and a cut mark block
  auto n = AnnotTestData(false, 7, "OiAnText", txt, -50);
  n.resize(n.size() - 2);
  TIEImagingAnnot c(nullptr);
  EXPECT_TRUE(c.LoadFromStandardBuffer(n.data(), int(n.size())));
  std::vector<uint8_t> cut(d.begin(), d.begin() + 30);
  TIEImagingAnnot e(nullptr);
  EXPECT_TRUE(e.LoadFromStandardBuffer(cut.data(), int(cut.size())));
  EXPECT_EQ(e.Count(), 1);
  EXPECT_TRUE(e.Object(0)->Points.empty());
}
