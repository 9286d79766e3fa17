// mkart <folder>: draws the pictures that stand beside the executable.
//
//   thumb.png    the frame every thumbnail is drawn on: a white print mat with rounded corners
//                and a soft shadow, 168 x 180 with alpha, around the photo box (20, 20)-(148, 160)
//   splash.png   the start-up picture, 480 x 300
//   find.cur     the viewer's pointer, a magnifier (hot spot in the lens)
//   3dgarro.cur  the comment panel's pointer, a shaded arrow (hot spot at the tip)
//
// Everything is drawn with cairo from fixed numbers, so every build makes the same files.
// Each file is written under a temporary name and renamed when complete.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

// Three box blurs of an A8 surface in place: close to a Gaussian of the given radius.
void BlurAlpha(cairo_surface_t* s, int radius) {
  cairo_surface_flush(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  std::vector<int> line(static_cast<size_t>(std::max(w, h)));
  auto pass = [&](int count, int length, auto at) {
    for (int i = 0; i < count; ++i) {
      for (int k = 0; k < length; ++k) line[k] = *at(i, k);
      int sum = 0;
      for (int k = -radius; k <= radius; ++k) sum += line[std::clamp(k, 0, length - 1)];
      for (int k = 0; k < length; ++k) {
        *at(i, k) = static_cast<unsigned char>(sum / (2 * radius + 1));
        sum += line[std::min(k + radius + 1, length - 1)] - line[std::max(k - radius, 0)];
      }
    }
  };
  for (int round = 0; round < 3; ++round) {
    pass(h, w, [&](int y, int x) { return data + y * stride + x; });
    pass(w, h, [&](int x, int y) { return data + y * stride + x; });
  }
  cairo_surface_mark_dirty(s);
}

bool WritePng(cairo_surface_t* s, const std::string& Path) {
  const std::string tmp = Path + ".tmp";
  if (cairo_surface_write_to_png(s, tmp.c_str()) != CAIRO_STATUS_SUCCESS) return false;
  return std::rename(tmp.c_str(), Path.c_str()) == 0;
}

// ---- thumb.png ----

bool DrawThumbFrame(const std::string& Path) {
  const int w = 168, h = 180;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  // The shadow: the mat's outline, blurred, a little below and to the right.
  cairo_surface_t* shadow = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_t* sc = cairo_create(shadow);
  RoundedRect(sc, 9, 10, 151, 163, 7);
  cairo_fill(sc);
  cairo_destroy(sc);
  BlurAlpha(shadow, 3);
  cairo_set_source_rgba(cr, 0.1, 0.12, 0.15, 0.55);
  cairo_mask_surface(cr, shadow, 1, 2);
  cairo_surface_destroy(shadow);
  // The mat: white with a faint cool gradient and a light rim.
  RoundedRect(cr, 8, 8, 152, 164, 7);
  cairo_pattern_t* mat = cairo_pattern_create_linear(0, 8, 0, 172);
  cairo_pattern_add_color_stop_rgb(mat, 0, 1.0, 1.0, 1.0);
  cairo_pattern_add_color_stop_rgb(mat, 1, 0.93, 0.94, 0.96);
  cairo_set_source(cr, mat);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(mat);
  cairo_set_line_width(cr, 1);
  cairo_set_source_rgba(cr, 0.55, 0.58, 0.63, 0.9);
  cairo_stroke(cr);
  // The photo's bed: a thin inset line around the box the photo is drawn into.
  cairo_rectangle(cr, 18.5, 18.5, 131, 143);
  cairo_set_source_rgba(cr, 0.62, 0.65, 0.7, 0.9);
  cairo_stroke(cr);
  cairo_rectangle(cr, 20, 20, 128, 140);
  cairo_set_source_rgb(cr, 0.86, 0.88, 0.9);
  cairo_fill(cr);
  cairo_destroy(cr);
  bool ok = WritePng(s, Path);
  cairo_surface_destroy(s);
  return ok;
}

// ---- splash.png ----

bool DrawSplash(const std::string& Path) {
  const int w = 480, h = 300;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, w, h);
  cairo_pattern_add_color_stop_rgb(sky, 0, 0.07, 0.16, 0.30);
  cairo_pattern_add_color_stop_rgb(sky, 0.6, 0.12, 0.34, 0.48);
  cairo_pattern_add_color_stop_rgb(sky, 1, 0.85, 0.52, 0.32);
  cairo_set_source(cr, sky);
  cairo_paint(cr);
  cairo_pattern_destroy(sky);
  // Soft light discs, as out-of-focus lights behind a subject.
  struct Disc {
    double x, y, r, a;
  } const discs[] = {{390, 60, 46, 0.16}, {430, 150, 30, 0.12}, {330, 210, 58, 0.10},
                     {70, 250, 40, 0.08}, {250, 40, 22, 0.10},  {455, 255, 26, 0.14},
                     {150, 70, 16, 0.09}, {300, 120, 12, 0.12}};
  for (const Disc& d : discs) {
    cairo_pattern_t* g = cairo_pattern_create_radial(d.x, d.y, 0, d.x, d.y, d.r);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, 0.95, 0.85, d.a * 1.6);
    cairo_pattern_add_color_stop_rgba(g, 0.85, 1, 0.95, 0.85, d.a);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 0.95, 0.85, 0);
    cairo_set_source(cr, g);
    cairo_arc(cr, d.x, d.y, d.r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
  }
  // A lens aperture: six blades around a dark opening.
  const double cx = 108, cy = 128, r = 58;
  cairo_arc(cr, cx, cy, r + 6, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
  cairo_fill(cr);
  for (int i = 0; i < 6; ++i) {
    double a0 = i * kPi / 3, a1 = a0 + kPi / 3;
    cairo_move_to(cr, cx + r * std::cos(a0), cy + r * std::sin(a0));
    cairo_line_to(cr, cx + r * std::cos(a1), cy + r * std::sin(a1));
    cairo_line_to(cr, cx + 0.42 * r * std::cos(a1 + 0.5), cy + 0.42 * r * std::sin(a1 + 0.5));
    cairo_close_path(cr);
    double shade = 0.20 + 0.06 * i;
    cairo_set_source_rgb(cr, shade * 0.6, shade * 0.9, shade * 1.2);
    cairo_fill(cr);
  }
  cairo_arc(cr, cx, cy, 0.42 * r, 0, 2 * kPi);
  cairo_set_source_rgb(cr, 0.03, 0.05, 0.08);
  cairo_fill(cr);
  cairo_arc(cr, cx - 8, cy - 9, 7, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
  cairo_fill(cr);
  // The name and what the program is for.
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 44);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
  cairo_move_to(cr, 194, 134);
  cairo_show_text(cr, "Orvanta");
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, 192, 131);
  cairo_show_text(cr, "Orvanta");
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 17);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
  cairo_move_to(cr, 195, 160);
  cairo_show_text(cr, "photo selection  1.0");
  cairo_set_font_size(cr, 11);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.7);
  cairo_move_to(cr, 195, 276);
  cairo_show_text(cr, "Loading\xE2\x80\xA6");
  cairo_destroy(cr);
  bool ok = WritePng(s, Path);
  cairo_surface_destroy(s);
  return ok;
}

// ---- cursors ----

void PutU16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// A 32 x 32 cursor file of one 32-bit image (straight alpha) with its transparency mask.
bool WriteCursor(cairo_surface_t* s, int HotX, int HotY, const std::string& Path) {
  cairo_surface_flush(s);
  const int n = 32, stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  std::string colour, mask;
  for (int y = n - 1; y >= 0; --y) {  // rows bottom-up
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + y * stride);
    uint32_t bits = 0;
    for (int x = 0; x < n; ++x) {
      uint32_t p = row[x];
      unsigned a = p >> 24;
      auto straight = [a](unsigned c) { return a ? std::min(255u, (c * 255 + a / 2) / a) : 0u; };
      colour += static_cast<char>(straight(p & 0xFF));
      colour += static_cast<char>(straight((p >> 8) & 0xFF));
      colour += static_cast<char>(straight((p >> 16) & 0xFF));
      colour += static_cast<char>(a);
      if (a == 0) bits |= 0x80000000u >> x;  // a set bit is transparent
    }
    for (int k = 3; k >= 0; --k) mask += static_cast<char>((bits >> (8 * k)) & 0xFF);
  }
  std::string image;
  PutU32(image, 40);
  PutU32(image, n);
  PutU32(image, 2 * n);  // colour rows and mask rows
  PutU16(image, 1);
  PutU16(image, 32);
  PutU32(image, 0);
  PutU32(image, static_cast<uint32_t>(colour.size() + mask.size()));
  for (int i = 0; i < 4; ++i) PutU32(image, 0);
  image += colour + mask;
  std::string file;
  PutU16(file, 0);
  PutU16(file, 2);  // cursor
  PutU16(file, 1);
  file += static_cast<char>(n);
  file += static_cast<char>(n);
  file += '\0';
  file += '\0';
  PutU16(file, HotX);
  PutU16(file, HotY);
  PutU32(file, static_cast<uint32_t>(image.size()));
  PutU32(file, 22);
  file += image;
  const std::string tmp = Path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) return false;
  }
  return std::rename(tmp.c_str(), Path.c_str()) == 0;
}

bool DrawCursor(const std::function<void(cairo_t*)>& Draw, int HotX, int HotY,
                const std::string& Path) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 32);
  cairo_t* cr = cairo_create(s);
  Draw(cr);
  cairo_destroy(cr);
  bool ok = WriteCursor(s, HotX, HotY, Path);
  cairo_surface_destroy(s);
  return ok;
}

void DrawMagnifier(cairo_t* cr) {
  // Handle, then the lens ring with a light glass inside.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 6);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_move_to(cr, 19, 19);
  cairo_line_to(cr, 28, 28);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 3.5);
  cairo_set_source_rgb(cr, 0.55, 0.35, 0.15);
  cairo_move_to(cr, 20, 20);
  cairo_line_to(cr, 27.5, 27.5);
  cairo_stroke(cr);
  cairo_arc(cr, 12, 12, 8.5, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 0.75, 0.88, 1.0, 0.45);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 3);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  cairo_stroke(cr);
  cairo_arc(cr, 12, 12, 8.5, 0, 2 * kPi);
  cairo_set_line_width(cr, 1.2);
  cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
  cairo_stroke(cr);
  cairo_arc(cr, 9.5, 9.5, 2.2, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.8);
  cairo_fill(cr);
}

void DrawArrow(cairo_t* cr) {
  // A classic pointer with a shaded face and a dark outline.
  auto outline = [cr] {
    cairo_move_to(cr, 1.5, 1.5);
    cairo_line_to(cr, 1.5, 23);
    cairo_line_to(cr, 7, 17.5);
    cairo_line_to(cr, 11, 27);
    cairo_line_to(cr, 15, 25.3);
    cairo_line_to(cr, 11, 16);
    cairo_line_to(cr, 18.5, 16);
    cairo_close_path(cr);
  };
  cairo_save(cr);
  cairo_translate(cr, 2, 2);
  outline();
  cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
  cairo_fill(cr);
  cairo_restore(cr);
  outline();
  cairo_pattern_t* face = cairo_pattern_create_linear(0, 0, 18, 26);
  cairo_pattern_add_color_stop_rgb(face, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(face, 1, 0.72, 0.8, 0.92);
  cairo_set_source(cr, face);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(face);
  cairo_set_line_width(cr, 1.2);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_source_rgb(cr, 0.05, 0.08, 0.15);
  cairo_stroke(cr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkart <folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  if (!folder.empty() && folder.back() != '/') folder += '/';
  bool ok = DrawThumbFrame(folder + "thumb.png") && DrawSplash(folder + "splash.png") &&
            DrawCursor(DrawMagnifier, 12, 12, folder + "find.cur") &&
            DrawCursor(DrawArrow, 1, 1, folder + "3dgarro.cur");
  if (!ok) std::fprintf(stderr, "mkart: cannot write the pictures into %s\n", folder.c_str());
  // The splash's text filled cairo's and fontconfig's caches; both are let go before the end.
  cairo_debug_reset_static_data();
  FcFini();
  return ok ? 0 : 1;
}
