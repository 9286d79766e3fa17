// mksimtemplates <output folder> <xiaoguomulu.sql> <xiaoguotu.sql>: the sample product templates
// of the simulation.
//
// Writes three template movies ("album page", "photo frame", "calendar"), cut into the pieces of
// a template database each, as <output folder>/xiaoguotu/<name>.dll, and the template catalog
// <output folder>/xiaoguomulu.dll with one row per template (a preview picture of the finished
// page and the database's file name). The pictures are generated, so the same files come out
// every time.
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/streams.h"
#include "tools/swfwrite.h"

namespace {

struct TSampleTemplate {
  const char* File;
  const char* Description;
  int Width, Height;
  uint32_t Background;
  int SlotWidth, SlotHeight;
  std::vector<std::pair<int, int>> Places;
};

std::string ReadText(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string EncodeJpeg(TIEBitmap& B, int Quality) {
  TImageryIO io(nullptr);
  io.AttachBitmap(&B);
  io.Params->JPEG_Quality = Quality;
  TMemoryStream out;
  io.SaveToStreamJpeg(&out);
  return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

// A placeholder picture for slot Index: a soft diagonal gradient in the slot's own hue with a
// lighter band, so that the slots can be told apart in the template.
std::string PlaceholderJpeg(int W, int H, int Index) {
  TIEBitmap b;
  b.Allocate(W, H, ie24RGB);
  const int hues[][3] = {{200, 120, 90}, {90, 150, 200}, {120, 190, 110}, {190, 170, 90}};
  const int* hue = hues[Index % 4];
  for (int y = 0; y < H; ++y) {
    auto* row = reinterpret_cast<TIERGBPixel*>(b.Scanline(y));
    for (int x = 0; x < W; ++x) {
      const int k = 60 + 140 * (x + y) / (W + H);
      const bool band = std::abs((x - y * W / H)) < W / 10;
      row[x].r = static_cast<uint8_t>(std::min(255, hue[0] * k / 200 + (band ? 50 : 0)));
      row[x].g = static_cast<uint8_t>(std::min(255, hue[1] * k / 200 + (band ? 50 : 0)));
      row[x].b = static_cast<uint8_t>(std::min(255, hue[2] * k / 200 + (band ? 50 : 0)));
    }
  }
  return EncodeJpeg(b, 80);
}

// The preview: the finished page at a quarter of its size (slots as their placeholder hues).
std::string PreviewJpeg(const TSampleTemplate& T) {
  const int w = T.Width / 4, h = T.Height / 4;
  TIEBitmap b;
  b.Allocate(w, h, ie24RGB);
  const int hues[][3] = {{200, 120, 90}, {90, 150, 200}, {120, 190, 110}, {190, 170, 90}};
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<TIERGBPixel*>(b.Scanline(y));
    for (int x = 0; x < w; ++x) {
      row[x].r = static_cast<uint8_t>((T.Background >> 16) & 0xFF);
      row[x].g = static_cast<uint8_t>((T.Background >> 8) & 0xFF);
      row[x].b = static_cast<uint8_t>(T.Background & 0xFF);
      for (size_t k = 0; k < T.Places.size(); ++k) {
        const int l = T.Places[k].first / 4, t = T.Places[k].second / 4;
        if (x >= l && x < l + T.SlotWidth / 4 && y >= t && y < t + T.SlotHeight / 4) {
          const int* hue = hues[k % 4];
          row[x].r = static_cast<uint8_t>(hue[0]);
          row[x].g = static_cast<uint8_t>(hue[1]);
          row[x].b = static_cast<uint8_t>(hue[2]);
        }
      }
    }
  }
  return EncodeJpeg(b, 85);
}

bool WriteCatalog(const std::string& File, const std::string& Schema,
                  const std::vector<TSampleTemplate>& Templates,
                  const std::vector<std::string>& Previews) {
  std::remove(File.c_str());
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(File.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) == SQLITE_OK &&
            sqlite3_exec(db, Schema.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_stmt* st = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "insert into xiaoguo (pic, miaoshu, wenjian) values (?, ?, ?)",
                                -1, &st, nullptr) == SQLITE_OK;
  for (size_t i = 0; ok && i < Templates.size(); ++i) {
    sqlite3_reset(st);
    sqlite3_bind_blob(st, 1, Previews[i].data(), static_cast<int>(Previews[i].size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, Templates[i].Description, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, Templates[i].File, -1, SQLITE_TRANSIENT);
    ok = sqlite3_step(st) == SQLITE_DONE;
  }
  if (!ok) std::fprintf(stderr, "mksimtemplates: %s: %s\n", File.c_str(), sqlite3_errmsg(db));
  sqlite3_finalize(st);
  sqlite3_close(db);
  if (!ok) std::remove(File.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mksimtemplates <output folder> <xiaoguomulu.sql> <xiaoguotu.sql>\n");
    return 1;
  }
  IEImagingStartup();
  const std::string out = argv[1];
  const std::string catalogSchema = ReadText(argv[2]), templateSchema = ReadText(argv[3]);
  if (catalogSchema.empty() || templateSchema.empty()) {
    std::fprintf(stderr, "mksimtemplates: cannot read the schemas\n");
    return 1;
  }
  std::filesystem::create_directories(out + "/xiaoguotu");
  const std::vector<TSampleTemplate> templates = {
      {"album.dll", "Album page", 800, 600, 0xF4EEE2, 320, 240, {{60, 80}, {420, 280}}},
      {"frame.dll", "Photo frame", 600, 700, 0x5A3A22, 360, 480, {{120, 110}}},
      {"calendar.dll", "Calendar", 900, 640, 0xFFFFFF, 240, 180, {{45, 60}, {330, 60}, {615, 60}}},
  };
  std::vector<std::string> previews;
  for (const TSampleTemplate& t : templates) {
    TSwfMovieLayout layout;
    layout.Width = t.Width;
    layout.Height = t.Height;
    layout.Background = t.Background;
    layout.SlotWidth = t.SlotWidth;
    layout.SlotHeight = t.SlotHeight;
    for (size_t k = 0; k < t.Places.size(); ++k)
      layout.Slots.push_back({t.Places[k].first, t.Places[k].second,
                            PlaceholderJpeg(t.SlotWidth, t.SlotHeight, static_cast<int>(k))});
    const TSwfTemplate movie = SwfBuildTemplate(layout);
    std::string error;
    if (!SwfWriteTemplateDatabase(out + "/xiaoguotu/" + t.File, templateSchema, movie.Rows, error)) {
      std::fprintf(stderr, "mksimtemplates: %s\n", error.c_str());
      return 1;
    }
    previews.push_back(PreviewJpeg(t));
  }
  return WriteCatalog(out + "/xiaoguomulu.dll", catalogSchema, templates, previews) ? 0 : 1;
}
