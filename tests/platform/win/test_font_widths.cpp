// The interface fonts: the families the forms name are mapped to the installed face whose widths
// come closest to the widths the forms were laid out for, so captions fit their controls. The
// table holds those widths at 96 DPI ("Hello", "Hello, World", a line of four Chinese characters,
// the cell height and the average character width) at 8, 9 and 12 points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/gdi_user.h"

namespace {

struct TLaidOut {
  int Points;
  int Hello, HelloWorld, Chinese, Height;
  double AveWidth;
};

// The interface face of the forms at 8 points writes "Hello" in about 24 pixels, with an
// average character width of 5 and a cell of 13; the larger sizes scale with the em.
const TLaidOut kInterface[] = {
    {8, 24, 59, 44, 13, 5.0},
    {9, 26, 64, 48, 14, 5.5},
    {12, 35, 86, 64, 19, 7.3},
};

const char* const kChinese = "\xe4\xbd\xa0\xe5\xa5\xbd\xe4\xb8\x96\xe7\x95\x8c";  // four ideographs

struct TMeasured {
  int Hello = 0, HelloWorld = 0, Chinese = 0, Height = 0, AveWidth = 0;
};

TMeasured Measure(const char* face, int points) {
  HDC dc = CreateCompatibleDC(nullptr);
  LOGFONTA lf{};
  lf.lfHeight = -(points * 96 + 36) / 72;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(lf.lfFaceName, face);
  HFONT f = CreateFontIndirect(&lf);
  HGDIOBJ old = SelectObject(dc, f);
  auto width = [&](const char* s) {
    SIZE sz{0, 0};
    GetTextExtentPoint32(dc, s, static_cast<int>(std::strlen(s)), &sz);
    return static_cast<int>(sz.cx);
  };
  TMeasured m;
  m.Hello = width("Hello");
  m.HelloWorld = width("Hello, World");
  m.Chinese = width(kChinese);
  TEXTMETRICA tm{};
  GetTextMetrics(dc, &tm);
  m.Height = tm.tmHeight;
  m.AveWidth = tm.tmAveCharWidth;
  SelectObject(dc, old);
  DeleteObject(f);
  DeleteDC(dc);
  return m;
}

double Off(double got, double want) { return std::fabs(got - want) / want; }

// The sum of the relative differences from the table over every size and measure.
double Distance(const char* face) {
  double d = 0;
  for (const TLaidOut& t : kInterface) {
    TMeasured m = Measure(face, t.Points);
    d += Off(m.Hello, t.Hello) + Off(m.HelloWorld, t.HelloWorld) + Off(m.Chinese, t.Chinese) +
         Off(m.Height, t.Height) + Off(m.AveWidth, t.AveWidth);
  }
  return d;
}

TEST(FontWidths, InterfaceFamiliesWriteWithinTheWidthsTheFormsWereLaidOutFor) {
  for (const char* family : {"Tahoma", "MS Sans Serif", "Microsoft Sans Serif"}) {
    for (const TLaidOut& t : kInterface) {
      SCOPED_TRACE(std::string(family) + " " + std::to_string(t.Points) + " pt");
      TMeasured m = Measure(family, t.Points);
      EXPECT_LE(Off(m.Hello, t.Hello), 0.12) << m.Hello;
      EXPECT_LE(Off(m.HelloWorld, t.HelloWorld), 0.08) << m.HelloWorld;
      EXPECT_NEAR(m.Chinese, t.Chinese, 4) << m.Chinese;  // one em per ideograph
      EXPECT_NEAR(m.Height, t.Height, 1);
      EXPECT_NEAR(m.AveWidth, t.AveWidth, 1.0);
    }
  }
}

TEST(FontWidths, TheMappedFaceIsTheClosestOfTheInstalledOnes) {
  // The installed sans faces, asked for by their own names.
  const char* candidates[] = {"DejaVu Sans", "DejaVu Sans Condensed", "Liberation Sans"};
  double best = 1e9;
  std::string bestFace;
  for (const char* c : candidates) {
    double d = Distance(c);
    if (d < best) {
      best = d;
      bestFace = c;
    }
  }
  EXPECT_EQ(bestFace, "DejaVu Sans Condensed");
  for (const char* family : {"Tahoma", "MS Sans Serif"})
    EXPECT_DOUBLE_EQ(Distance(family), best) << family;
}

TEST(FontWidths, MetricCompatibleFamiliesKeepTheirWidths) {
  // Faces made to the same metrics measure the same as the family they stand for.
  struct Case {
    const char* asked;
    const char* face;
  } cases[] = {{"Arial", "Liberation Sans"},
               {"Times New Roman", "Liberation Serif"},
               {"Courier New", "Liberation Mono"}};
  for (auto& c : cases)
    for (int pt : {8, 9, 12}) {
      TMeasured a = Measure(c.asked, pt), b = Measure(c.face, pt);
      EXPECT_EQ(a.HelloWorld, b.HelloWorld) << c.asked << " " << pt;
    }
}

}  // namespace
