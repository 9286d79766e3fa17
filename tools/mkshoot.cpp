// mkshoot <folder> [count] [long side]: makes a sample shoot folder of generated photos.
//
// Every photo is a JPEG file "IMG_0001.JPG", "IMG_0002.JPG", ... of camera size (by default 36
// photos, 3000 x 2000 or 2000 x 3000), with an EXIF block (maker, model, dates, exposure, a
// 160-pixel thumbnail). Landscapes in the wide photos: a sky at some time of day, a sun, clouds,
// ranges of hills fading into the distance, sometimes a lake reflecting them and pines in front;
// flowers in the tall ones, over out-of-focus lights. Every third photo is tall. The pictures
// depend only on the photo's number, so the same folder comes out every time.
//
// Drawn with cairo, written with the program's own imaging library.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small deterministic generator (one per photo).
class TRandom {
public:
  explicit TRandom(uint64_t Seed) : FState(Seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  uint64_t Next() {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return FState * 0x2545F4914F6CDD1Dull;
  }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
  double Range(double A, double B) { return A + (B - A) * Unit(); }
  int Int(int N) { return static_cast<int>(Next() % static_cast<uint64_t>(N)); }

private:
  uint64_t FState;
};

struct TRgb {
  double r, g, b;
};

TRgb Mix(TRgb A, TRgb B, double T) {
  return {A.r + (B.r - A.r) * T, A.g + (B.g - A.g) * T, A.b + (B.b - A.b) * T};
}

// Smooth one-dimensional noise: values at whole numbers, cosine-blended between them, summed
// over octaves.
class TRidgeNoise {
public:
  explicit TRidgeNoise(TRandom& R) {
    for (double& v : FValues) v = R.Unit();
  }
  double Value(double X) const {
    double sum = 0, amplitude = 1, total = 0;
    for (int octave = 0; octave < 6; ++octave) {
      sum += amplitude * Smooth(X);
      total += amplitude;
      X *= 2.03;
      amplitude *= 0.5;
    }
    return sum / total;
  }

private:
  double Smooth(double X) const {
    double f = std::floor(X);
    int i = static_cast<int>(f) & 255;
    double t = (1 - std::cos((X - f) * kPi)) / 2;
    return FValues[i] * (1 - t) + FValues[(i + 1) & 255] * t;
  }
  double FValues[256];
};

struct TSkyPalette {
  const char* Name;
  TRgb Top, Horizon, Sun, Far, Near;
};

// clang-format off
const TSkyPalette kSkies[] = {
    {"Morning", {0.25, 0.45, 0.78}, {0.98, 0.82, 0.62}, {1.0, 0.93, 0.75}, {0.55, 0.62, 0.78}, {0.10, 0.20, 0.22}},
    {"Noon", {0.18, 0.42, 0.85}, {0.75, 0.87, 0.97}, {1.0, 1.0, 0.95}, {0.50, 0.64, 0.78}, {0.12, 0.30, 0.16}},
    {"Sunset", {0.20, 0.16, 0.42}, {1.0, 0.55, 0.30}, {1.0, 0.78, 0.45}, {0.55, 0.35, 0.45}, {0.12, 0.08, 0.14}},
    {"Dusk", {0.06, 0.10, 0.28}, {0.80, 0.45, 0.55}, {1.0, 0.85, 0.80}, {0.35, 0.30, 0.48}, {0.05, 0.06, 0.12}},
    {"Mist", {0.55, 0.62, 0.70}, {0.92, 0.90, 0.85}, {1.0, 0.98, 0.92}, {0.70, 0.74, 0.78}, {0.25, 0.32, 0.33}},
};
// clang-format on

void SetRgb(cairo_t* cr, TRgb C, double A = 1) { cairo_set_source_rgba(cr, C.r, C.g, C.b, A); }

void SoftDisc(cairo_t* cr, double X, double Y, double R, TRgb C, double Alpha) {
  cairo_pattern_t* g = cairo_pattern_create_radial(X, Y, 0, X, Y, R);
  cairo_pattern_add_color_stop_rgba(g, 0, C.r, C.g, C.b, Alpha);
  cairo_pattern_add_color_stop_rgba(g, 0.7, C.r, C.g, C.b, Alpha * 0.6);
  cairo_pattern_add_color_stop_rgba(g, 1, C.r, C.g, C.b, 0);
  cairo_set_source(cr, g);
  cairo_arc(cr, X, Y, R, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
}

void Pine(cairo_t* cr, double X, double Base, double H, TRgb C) {
  SetRgb(cr, C);
  cairo_rectangle(cr, X - H * 0.025, Base - H * 0.15, H * 0.05, H * 0.15);
  cairo_fill(cr);
  for (int tier = 0; tier < 4; ++tier) {
    double top = Base - H * (0.35 + 0.2 * tier), bottom = Base - H * (0.08 + 0.18 * tier);
    double half = H * (0.24 - 0.045 * tier);
    cairo_move_to(cr, X, top - H * 0.12);
    cairo_line_to(cr, X + half, bottom);
    cairo_line_to(cr, X - half, bottom);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
}

// A landscape: sky, sun, clouds, ranges of hills, maybe a lake and pines. Returns its name.
std::string DrawLandscape(cairo_t* cr, int W, int H, TRandom& R) {
  const TSkyPalette& sky = kSkies[R.Int(5)];
  const double horizon = H * R.Range(0.52, 0.62);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, horizon);
  cairo_pattern_add_color_stop_rgb(g, 0, sky.Top.r, sky.Top.g, sky.Top.b);
  cairo_pattern_add_color_stop_rgb(g, 1, sky.Horizon.r, sky.Horizon.g, sky.Horizon.b);
  cairo_set_source(cr, g);
  cairo_paint(cr);
  cairo_pattern_destroy(g);
  const double sunX = W * R.Range(0.2, 0.8), sunY = horizon * R.Range(0.45, 0.85);
  SoftDisc(cr, sunX, sunY, W * 0.22, sky.Sun, 0.45);
  SoftDisc(cr, sunX, sunY, W * 0.035, sky.Sun, 1.0);
  // Clouds: stretched soft discs in loose rows.
  const int clouds = 3 + R.Int(5);
  for (int c = 0; c < clouds; ++c) {
    double cx = W * R.Unit(), cy = horizon * R.Range(0.1, 0.6), size = W * R.Range(0.05, 0.12);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 2.6, 1);
    for (int puff = 0; puff < 6; ++puff)
      SoftDisc(cr, R.Range(-size, size), R.Range(-size * 0.3, size * 0.3), size * R.Range(0.5, 0.9),
               {1, 1, 1}, 0.22);
    cairo_restore(cr);
  }
  // Ranges of hills, far and pale to near and dark.
  const bool lake = R.Unit() < 0.5;
  const double ground = lake ? horizon + H * 0.12 : H;
  const int ranges = 4;
  for (int k = 0; k < ranges; ++k) {
    const double t = static_cast<double>(k) / (ranges - 1);
    TRidgeNoise noise(R);
    const double base = horizon + (ground - horizon) * t * 0.55;
    const double amplitude = H * (0.22 - 0.1 * t);
    const double scale = R.Range(1.5, 3.0) / W;
    const TRgb colour = Mix(Mix(sky.Far, sky.Horizon, 0.35 * (1 - t)), sky.Near, t);
    cairo_move_to(cr, 0, lake ? ground : H);
    for (int x = 0; x <= W; x += std::max(2, W / 600))
      cairo_line_to(cr, x, base - amplitude * noise.Value(x * scale * 4 + k * 17));
    cairo_line_to(cr, W, lake ? ground : H);
    cairo_close_path(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, base - amplitude, 0, ground);
    TRgb light = Mix(colour, sky.Horizon, 0.25);
    cairo_pattern_add_color_stop_rgb(fill, 0, light.r, light.g, light.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, colour.r, colour.g, colour.b);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
  }
  // Pines along the front edge (the shore of a lake, which mirrors them) on some photos.
  if (R.Unit() < 0.6) {
    const int trees = 5 + R.Int(10);
    for (int i = 0; i < trees; ++i)
      Pine(cr, W * R.Unit(), lake ? ground + 1 : H * R.Range(1.0, 1.04), H * R.Range(0.12, 0.3),
           Mix(sky.Near, {0, 0, 0}, 0.4));
  }
  if (lake) {
    // The water mirrors what is above its shore line, darkened, with ripples across it.
    cairo_surface_t* target = cairo_get_target(cr);
    cairo_surface_flush(target);
    cairo_surface_t* mirror = cairo_surface_create_similar_image(target, CAIRO_FORMAT_RGB24, W, H);
    cairo_t* mc = cairo_create(mirror);
    cairo_set_source_surface(mc, target, 0, 0);
    cairo_paint(mc);
    cairo_destroy(mc);
    cairo_save(cr);
    cairo_rectangle(cr, 0, ground, W, H - ground);
    cairo_clip(cr);
    cairo_translate(cr, 0, 2 * ground);
    cairo_scale(cr, 1, -1);
    cairo_set_source_surface(cr, mirror, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(mirror);
    cairo_rectangle(cr, 0, ground, W, H - ground);
    cairo_pattern_t* dark = cairo_pattern_create_linear(0, ground, 0, H);
    cairo_pattern_add_color_stop_rgba(dark, 0, 0.05, 0.10, 0.18, 0.25);
    cairo_pattern_add_color_stop_rgba(dark, 1, 0.02, 0.05, 0.10, 0.6);
    cairo_set_source(cr, dark);
    cairo_fill(cr);
    cairo_pattern_destroy(dark);
    for (int line = 0; line < 140; ++line) {
      double y = ground + (H - ground) * std::pow(R.Unit(), 0.7);
      double x = W * R.Unit(), len = W * R.Range(0.02, 0.12) * (1 + (y - ground) / (H - ground));
      cairo_set_line_width(cr, std::max(1.0, H * 0.0012));
      SetRgb(cr, Mix(sky.Horizon, {1, 1, 1}, 0.4), R.Range(0.08, 0.25));
      cairo_move_to(cr, x - len / 2, y);
      cairo_line_to(cr, x + len / 2, y);
      cairo_stroke(cr);
    }
  }
  return std::string(sky.Name) + (lake ? " lake" : " hills");
}

struct TFlowerPalette {
  const char* Name;
  TRgb Petal, Edge, Heart, Back1, Back2;
};

// clang-format off
const TFlowerPalette kFlowers[] = {
    {"Rose", {0.95, 0.45, 0.60}, {0.75, 0.15, 0.35}, {0.95, 0.80, 0.30}, {0.08, 0.22, 0.15}, {0.30, 0.45, 0.25}},
    {"Sunflower", {1.0, 0.82, 0.15}, {0.90, 0.55, 0.05}, {0.35, 0.20, 0.08}, {0.20, 0.40, 0.70}, {0.55, 0.75, 0.90}},
    {"Violet", {0.65, 0.45, 0.90}, {0.35, 0.18, 0.60}, {1.0, 0.90, 0.40}, {0.10, 0.12, 0.22}, {0.35, 0.30, 0.50}},
    {"Daisy", {0.98, 0.98, 0.96}, {0.80, 0.82, 0.88}, {1.0, 0.75, 0.10}, {0.15, 0.35, 0.18}, {0.50, 0.70, 0.40}},
    {"Poppy", {0.95, 0.30, 0.15}, {0.70, 0.08, 0.05}, {0.10, 0.08, 0.08}, {0.40, 0.50, 0.30}, {0.85, 0.80, 0.55}},
};
// clang-format on

// A flower close-up over out-of-focus lights. Returns its name.
std::string DrawFlower(cairo_t* cr, int W, int H, TRandom& R) {
  const TFlowerPalette& p = kFlowers[R.Int(5)];
  cairo_pattern_t* back = cairo_pattern_create_linear(0, 0, W * 0.3, H);
  cairo_pattern_add_color_stop_rgb(back, 0, p.Back1.r, p.Back1.g, p.Back1.b);
  cairo_pattern_add_color_stop_rgb(back, 1, p.Back2.r, p.Back2.g, p.Back2.b);
  cairo_set_source(cr, back);
  cairo_paint(cr);
  cairo_pattern_destroy(back);
  for (int i = 0; i < 40; ++i)
    SoftDisc(cr, W * R.Unit(), H * R.Unit(), W * R.Range(0.02, 0.09),
             Mix(p.Back2, {1, 1, 0.9}, R.Range(0.2, 0.8)), R.Range(0.1, 0.35));
  const double cx = W * R.Range(0.38, 0.62), cy = H * R.Range(0.32, 0.45);
  const double radius = W * R.Range(0.26, 0.34);
  // The stem and a leaf.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, W * 0.025);
  SetRgb(cr, {0.18, 0.42, 0.15});
  cairo_move_to(cr, cx, cy);
  cairo_curve_to(cr, cx + W * 0.08, cy + H * 0.3, cx - W * 0.1, cy + H * 0.45, cx + W * 0.02, H);
  cairo_stroke(cr);
  // The leaf grows from the stem, part way down its curve.
  const double t = 0.55, u = 1 - t;
  const double leafX = u * u * u * cx + 3 * u * u * t * (cx + W * 0.08) +
                       3 * u * t * t * (cx - W * 0.1) + t * t * t * (cx + W * 0.02);
  const double leafY = u * u * u * cy + 3 * u * u * t * (cy + H * 0.3) +
                       3 * u * t * t * (cy + H * 0.45) + t * t * t * H;
  cairo_save(cr);
  cairo_translate(cr, leafX, leafY);
  cairo_rotate(cr, -0.6);
  cairo_scale(cr, W * 0.16, W * 0.05);
  cairo_arc(cr, 1, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
  SetRgb(cr, {0.22, 0.50, 0.18});
  cairo_fill(cr);
  // Two rings of petals, each a curved blade shaded from its base to its edge.
  const int petals = 6 + R.Int(9);
  for (int ring = 0; ring < 2; ++ring) {
    const double len = radius * (ring == 0 ? 1.0 : 0.75), width = len * (0.9 / std::sqrt(petals));
    const double offset = ring * kPi / petals + R.Range(0, 0.2);
    for (int i = 0; i < petals; ++i) {
      cairo_save(cr);
      cairo_translate(cr, cx, cy);
      cairo_rotate(cr, offset + 2 * kPi * i / petals);
      cairo_move_to(cr, 0, 0);
      cairo_curve_to(cr, len * 0.3, -width * 1.4, len * 0.9, -width, len, 0);
      cairo_curve_to(cr, len * 0.9, width, len * 0.3, width * 1.4, 0, 0);
      cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, len, 0);
      TRgb base = ring == 0 ? p.Edge : Mix(p.Petal, p.Edge, 0.3);
      cairo_pattern_add_color_stop_rgb(shade, 0, base.r, base.g, base.b);
      cairo_pattern_add_color_stop_rgb(shade, 0.6, p.Petal.r, p.Petal.g, p.Petal.b);
      TRgb tip = Mix(p.Petal, {1, 1, 1}, 0.25);
      cairo_pattern_add_color_stop_rgb(shade, 1, tip.r, tip.g, tip.b);
      cairo_set_source(cr, shade);
      cairo_fill_preserve(cr);
      cairo_pattern_destroy(shade);
      cairo_set_line_width(cr, std::max(1.0, W * 0.0015));
      SetRgb(cr, p.Edge, 0.5);
      cairo_stroke(cr);
      cairo_restore(cr);
    }
  }
  // The heart: seeds on a golden-angle spiral.
  const double heart = radius * 0.28;
  cairo_arc(cr, cx, cy, heart, 0, 2 * kPi);
  SetRgb(cr, Mix(p.Heart, {0, 0, 0}, 0.3));
  cairo_fill(cr);
  const int seeds = 220;
  for (int i = 0; i < seeds; ++i) {
    double r = heart * 0.95 * std::sqrt((i + 0.5) / seeds), a = i * 2.39996323;
    cairo_arc(cr, cx + r * std::cos(a), cy + r * std::sin(a), heart * 0.045, 0, 2 * kPi);
    SetRgb(cr, Mix(p.Heart, {1, 1, 0.8}, 0.5 * (1 - r / heart)));
    cairo_fill(cr);
  }
  return std::string(p.Name);
}

// A soft darkening towards the corners, as a lens gives.
void Vignette(cairo_t* cr, int W, int H) {
  const double r = std::hypot(W, H) / 2;
  cairo_pattern_t* v = cairo_pattern_create_radial(W / 2.0, H / 2.0, r * 0.55, W / 2.0, H / 2.0, r);
  cairo_pattern_add_color_stop_rgba(v, 0, 0, 0, 0, 0);
  cairo_pattern_add_color_stop_rgba(v, 1, 0, 0, 0, 0.35);
  cairo_set_source(cr, v);
  cairo_paint(cr);
  cairo_pattern_destroy(v);
}

// Copies a cairo RGB surface into a 24-bit image of the imaging library.
void ToBitmap(cairo_surface_t* S, TIEBitmap* B) {
  cairo_surface_flush(S);
  const int w = cairo_image_surface_get_width(S), h = cairo_image_surface_get_height(S);
  const int stride = cairo_image_surface_get_stride(S);
  const unsigned char* data = cairo_image_surface_get_data(S);
  B->Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(data + y * stride);
    auto* dst = static_cast<TIERGBPixel*>(B->GetScanline(y));
    for (int x = 0; x < w; ++x) {
      dst[x].b = static_cast<uint8_t>(src[x] & 0xFF);
      dst[x].g = static_cast<uint8_t>((src[x] >> 8) & 0xFF);
      dst[x].r = static_cast<uint8_t>((src[x] >> 16) & 0xFF);
    }
  }
}

bool MakePhoto(const std::string& Folder, int Number, int LongSide) {
  TRandom rng(static_cast<uint64_t>(Number) * 7919 + 17);
  const bool tall = Number % 3 == 0;
  const int w = tall ? LongSide * 2 / 3 : LongSide, h = tall ? LongSide : LongSide * 2 / 3;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(s);
  const std::string scene = tall ? DrawFlower(cr, w, h, rng) : DrawLandscape(cr, w, h, rng);
  Vignette(cr, w, h);
  cairo_destroy(cr);

  TImageryIO io(nullptr);
  ToBitmap(s, io.IEBitmap());
  // The camera's thumbnail: the photo at 160 pixels on its long side.
  const int tw = tall ? 107 : 160, th = tall ? 160 : 107;
  cairo_surface_t* thumb = cairo_image_surface_create(CAIRO_FORMAT_RGB24, tw, th);
  cairo_t* tc = cairo_create(thumb);
  cairo_scale(tc, static_cast<double>(tw) / w, static_cast<double>(th) / h);
  cairo_set_source_surface(tc, s, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(tc), CAIRO_FILTER_GOOD);
  cairo_paint(tc);
  cairo_destroy(tc);
  cairo_surface_destroy(s);

  TIOParamsVals* p = io.Params;
  p->EXIF_HasEXIFData = true;
  p->EXIF_Make = "Orvanta";
  p->EXIF_Model = "Sample Camera";
  p->EXIF_Software = "mkshoot";
  p->EXIF_Artist = "Studio sample";
  p->EXIF_ImageDescription = scene;
  p->SetEXIF_Orientation(1);
  p->SetEXIF_XResolution(300);
  p->SetEXIF_YResolution(300);
  p->EXIF_ResolutionUnit = 2;
  char when[32];
  std::snprintf(when, sizeof when, "2024:05:18 %02d:%02d:%02d", 9 + Number / 20, (Number * 7) % 60,
                (Number * 13) % 60);
  p->EXIF_DateTime = p->EXIF_DateTimeOriginal = p->EXIF_DateTimeDigitized = when;
  p->EXIF_ExifVersion = "0230";
  const double exposures[] = {1.0 / 60, 1.0 / 125, 1.0 / 250, 1.0 / 500};
  p->EXIF_ExposureTime = exposures[Number % 4];
  p->EXIF_FNumber = tall ? 2.8 : 8.0;
  p->EXIF_ISOSpeedRatings[0] = tall ? 200 : 100;
  p->EXIF_FocalLength = tall ? 85 : 35;
  p->EXIF_Flash = 16;
  ToBitmap(thumb, p->EnsureEXIFBitmap());
  cairo_surface_destroy(thumb);
  p->JPEG_Quality = 88;

  char name[32];
  std::snprintf(name, sizeof name, "IMG_%04d.JPG", Number);
  const std::string path = Folder + name, tmp = Folder + "." + name + ".tmp";
  io.SaveToFileJpeg(tmp);
  if (io.Aborting.load() || std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: mkshoot <folder> [count (36)] [long side in pixels (3000)]\n");
    return 2;
  }
  std::string folder = argv[1];
  const int count = argc > 2 ? std::atoi(argv[2]) : 36;
  const int longSide = argc > 3 ? std::atoi(argv[3]) : 3000;
  if (count < 1 || longSide < 48) {
    std::fprintf(stderr, "mkshoot: the count must be at least 1 and the long side 48 pixels\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  IEImagingStartup();
  bool ok = true;
  for (int i = 1; i <= count && ok; ++i) ok = MakePhoto(folder, i, longSide);
  IEImagingShutdown();
  if (!ok) {
    std::fprintf(stderr, "mkshoot: cannot write the photos into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
