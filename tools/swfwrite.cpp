// The template movie writer and the cutting into a2 rows (see swfwrite.h).
#include "tools/swfwrite.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace {

const int kSwfTagEnd = 0, kSwfTagShowFrame = 1, kSwfTagDefineShape = 2,
          kSwfTagSetBackgroundColor = 9, kSwfTagDefineBitsJpeg2 = 21, kSwfTagPlaceObject2 = 26;
const int kSwfTwipsPerPixel = 20;

// Bits written most significant first, as the movie format packs its records.
class TSwfBits {
public:
  void Put(uint32_t Value, int Count) {
    for (int i = Count - 1; i >= 0; --i) {
      FAcc = static_cast<uint8_t>((FAcc << 1) | ((Value >> i) & 1));
      if (++FUsed == 8) Flush();
    }
  }
  void PutSigned(int32_t Value, int Count) { Put(static_cast<uint32_t>(Value), Count); }
  // Pads the last byte with zero bits.
  void Align() {
    if (FUsed > 0) {
      FAcc = static_cast<uint8_t>(FAcc << (8 - FUsed));
      Flush();
    }
  }
  std::string& Bytes() {
    Align();
    return FBytes;
  }

private:
  void Flush() {
    FBytes.push_back(static_cast<char>(FAcc));
    FAcc = 0;
    FUsed = 0;
  }
  std::string FBytes;
  uint8_t FAcc = 0;
  int FUsed = 0;
};

// Bits a signed value needs (at least 2 so that 0 and 1 fit with their sign).
int SwfSignedBits(int32_t Value) {
  int n = 2;
  while (Value < -(1 << (n - 1)) || Value >= (1 << (n - 1))) ++n;
  return n;
}

int SwfSignedBitsOf(std::initializer_list<int32_t> Values) {
  int n = 2;
  for (int32_t v : Values) n = std::max(n, SwfSignedBits(v));
  return n;
}

void SwfPutU16(std::string& S, uint32_t V) {
  S.push_back(static_cast<char>(V & 0xFF));
  S.push_back(static_cast<char>((V >> 8) & 0xFF));
}

void SwfPutU32(std::string& S, uint32_t V) {
  SwfPutU16(S, V & 0xFFFF);
  SwfPutU16(S, V >> 16);
}

void SwfPutRect(TSwfBits& B, int32_t XMin, int32_t XMax, int32_t YMin, int32_t YMax) {
  const int n = SwfSignedBitsOf({XMin, XMax, YMin, YMax});
  B.Put(static_cast<uint32_t>(n), 5);
  for (int32_t v : {XMin, XMax, YMin, YMax}) B.PutSigned(v, n);
  B.Align();
}

// A matrix with scale (16.16 fixed) and translation (twips).
void SwfPutMatrix(TSwfBits& B, int32_t ScaleX, int32_t ScaleY, int32_t TX, int32_t TY) {
  B.Put(1, 1);
  const int ns = SwfSignedBitsOf({ScaleX, ScaleY});
  B.Put(static_cast<uint32_t>(ns), 5);
  B.PutSigned(ScaleX, ns);
  B.PutSigned(ScaleY, ns);
  B.Put(0, 1);  // no rotation
  const int nt = SwfSignedBitsOf({TX, TY});
  B.Put(static_cast<uint32_t>(nt), 5);
  B.PutSigned(TX, nt);
  B.PutSigned(TY, nt);
  B.Align();
}

// A tag with the short header (bodies under 63 bytes) or the long one.
void SwfPutTag(std::string& Out, int Code, const std::string& Body, bool Long = false) {
  if (!Long && Body.size() < 63) {
    SwfPutU16(Out, static_cast<uint32_t>(Code << 6) | static_cast<uint32_t>(Body.size()));
  } else {
    SwfPutU16(Out, static_cast<uint32_t>(Code << 6) | 0x3F);
    SwfPutU32(Out, static_cast<uint32_t>(Body.size()));
  }
  Out += Body;
}

// A rectangle W x H (twips) filled with bitmap BitmapId drawn at one pixel per 20 twips.
std::string SwfShapeBody(int ShapeId, int BitmapId, int32_t W, int32_t H) {
  std::string body;
  SwfPutU16(body, static_cast<uint32_t>(ShapeId));
  TSwfBits b;
  SwfPutRect(b, 0, W, 0, H);
  body += b.Bytes();
  body.push_back(1);           // one fill style
  body.push_back(0x41);        // clipped bitmap fill
  SwfPutU16(body, static_cast<uint32_t>(BitmapId));
  TSwfBits m;
  SwfPutMatrix(m, kSwfTwipsPerPixel << 16, kSwfTwipsPerPixel << 16, 0, 0);
  body += m.Bytes();
  body.push_back(0);  // no line styles
  TSwfBits s;
  s.Put(1, 4);  // fill index bits
  s.Put(0, 4);  // line index bits
  // Style change: fill style 1, move to (0, 0).
  s.Put(0, 1);
  s.Put(0, 1);  // new styles
  s.Put(0, 1);  // line style
  s.Put(1, 1);  // fill style 1
  s.Put(0, 1);  // fill style 0
  s.Put(1, 1);  // move to
  s.Put(2, 5);
  s.PutSigned(0, 2);
  s.PutSigned(0, 2);
  s.Put(1, 1);
  // Four straight edges around the rectangle.
  const int32_t edges[4][2] = {{W, 0}, {0, H}, {-W, 0}, {0, -H}};
  for (const auto& e : edges) {
    const bool vertical = e[0] == 0;
    const int32_t d = vertical ? e[1] : e[0];
    const int n = SwfSignedBits(d);
    s.Put(1, 1);  // edge
    s.Put(1, 1);  // straight
    s.Put(static_cast<uint32_t>(n - 2), 4);
    s.Put(0, 1);  // not a general line
    s.Put(vertical ? 1 : 0, 1);
    s.PutSigned(d, n);
  }
  s.Put(0, 6);  // end of shape
  body += s.Bytes();
  return body;
}

// Places (or moves) the shape at Depth with a scale around its final place and an alpha.
std::string SwfPlaceBody(bool First, int Depth, int ShapeId, double Scale, int32_t X, int32_t Y,
                         int Alpha) {
  std::string body;
  uint8_t flags = 0x04 | 0x08;  // matrix, colour transform
  flags |= First ? 0x02 : 0x01;
  body.push_back(static_cast<char>(flags));
  SwfPutU16(body, static_cast<uint32_t>(Depth));
  if (First) SwfPutU16(body, static_cast<uint32_t>(ShapeId));
  TSwfBits m;
  const int32_t scale = static_cast<int32_t>(Scale * 65536.0);
  SwfPutMatrix(m, scale, scale, X, Y);
  body += m.Bytes();
  TSwfBits c;
  c.Put(0, 1);  // no add terms
  c.Put(1, 1);  // mult terms
  const int n = SwfSignedBitsOf({256, Alpha});
  c.Put(static_cast<uint32_t>(n), 4);
  for (int32_t v : {256, 256, 256, Alpha}) c.PutSigned(v, n);
  body += c.Bytes();
  return body;
}

uint32_t SwfGetU32(const std::string& S, size_t At) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(S[At + static_cast<size_t>(i)]);
  return v;
}

}  // namespace

TSwfTemplate SwfBuildTemplate(const TSwfMovieLayout& Layout) {
  std::string movie = "FWS";
  movie.push_back(8);         // version
  SwfPutU32(movie, 0);        // length, set at the end
  TSwfBits frame;
  SwfPutRect(frame, 0, Layout.Width * kSwfTwipsPerPixel, 0, Layout.Height * kSwfTwipsPerPixel);
  movie += frame.Bytes();
  SwfPutU16(movie, static_cast<uint32_t>(Layout.FrameRate << 8));
  SwfPutU16(movie, static_cast<uint32_t>(Layout.FrameCount));
  std::string bg;
  bg.push_back(static_cast<char>((Layout.Background >> 16) & 0xFF));
  bg.push_back(static_cast<char>((Layout.Background >> 8) & 0xFF));
  bg.push_back(static_cast<char>(Layout.Background & 0xFF));
  SwfPutTag(movie, kSwfTagSetBackgroundColor, bg);

  TSwfTemplate out;
  const std::string size = std::to_string(Layout.SlotWidth) + "x" + std::to_string(Layout.SlotHeight);
  size_t pieceStart = 0;
  for (size_t k = 0; k < Layout.Slots.size(); ++k) {
    const int bitmapId = static_cast<int>(1 + 2 * k);
    SwfPutU16(movie, static_cast<uint32_t>(kSwfTagDefineBitsJpeg2 << 6) | 0x3F);
    SwfPutU32(movie, static_cast<uint32_t>(Layout.Slots[k].Jpeg.size() + 2));
    SwfPutU16(movie, static_cast<uint32_t>(bitmapId));
    const size_t jpegAt = movie.size();
    TSwfTemplateRow row;
    row.A = std::to_string(jpegAt - 1);
    row.B = std::to_string(Layout.Slots[k].Jpeg.size());
    row.C = size;
    row.D = movie.substr(pieceStart);
    out.Rows.push_back(row);
    movie += Layout.Slots[k].Jpeg;
    pieceStart = movie.size();
  }
  const int32_t w = Layout.SlotWidth * kSwfTwipsPerPixel, h = Layout.SlotHeight * kSwfTwipsPerPixel;
  for (size_t k = 0; k < Layout.Slots.size(); ++k) {
    const int id = static_cast<int>(1 + 2 * k);
    SwfPutTag(movie, kSwfTagDefineShape, SwfShapeBody(id + 1, id, w, h), true);
  }
  // Each picture grows from half size to full size around its centre and fades in, one after
  // the other, then the last frames hold the finished page.
  const int frames = std::max(1, Layout.FrameCount);
  const int slots = static_cast<int>(Layout.Slots.size());
  for (int f = 0; f < frames; ++f) {
    for (int k = 0; k < slots; ++k) {
      const int span = std::max(1, frames * 2 / 3 / std::max(1, slots));
      const int begin = k * span / 2;
      double t = static_cast<double>(f - begin) / span;
      t = t < 0 ? 0 : (t > 1 ? 1 : t);
      const double scale = 0.5 + 0.5 * t;
      const auto& slot = Layout.Slots[static_cast<size_t>(k)];
      const int32_t cx = (slot.Left * kSwfTwipsPerPixel) + w / 2;
      const int32_t cy = (slot.Top * kSwfTwipsPerPixel) + h / 2;
      const int32_t x = cx - static_cast<int32_t>(w * scale / 2);
      const int32_t y = cy - static_cast<int32_t>(h * scale / 2);
      const int id = 1 + 2 * k;
      SwfPutTag(movie, kSwfTagPlaceObject2,
                SwfPlaceBody(f == 0, k + 1, id + 1, scale, x, y, static_cast<int>(256 * t)));
    }
    SwfPutTag(movie, kSwfTagShowFrame, std::string());
  }
  SwfPutTag(movie, kSwfTagEnd, std::string());
  const uint32_t total = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + static_cast<size_t>(i)] = static_cast<char>((total >> (8 * i)) & 0xFF);
  if (!out.Rows.empty()) out.Rows[0].D.replace(4, 4, movie.substr(4, 4));
  TSwfTemplateRow last;
  last.D = movie.substr(pieceStart);
  out.Rows.push_back(last);
  out.Movie = std::move(movie);
  return out;
}

bool SwfListTags(const std::string& Movie, std::vector<TSwfTag>& Tags, std::string& Error) {
  Tags.clear();
  if (Movie.size() < 9 || Movie.compare(0, 3, "FWS") != 0) {
    Error = "no uncompressed movie signature";
    return false;
  }
  if (SwfGetU32(Movie, 4) != Movie.size()) {
    Error = "header length " + std::to_string(SwfGetU32(Movie, 4)) + " for a file of " +
            std::to_string(Movie.size()) + " bytes";
    return false;
  }
  const int nbits = static_cast<uint8_t>(Movie[8]) >> 3;
  size_t at = 8 + static_cast<size_t>((5 + 4 * nbits + 7) / 8) + 4;
  while (at + 2 <= Movie.size()) {
    TSwfTag t;
    t.HeaderOffset = at;
    const uint32_t head = static_cast<uint8_t>(Movie[at]) | (static_cast<uint8_t>(Movie[at + 1]) << 8);
    t.Code = static_cast<int>(head >> 6);
    t.Length = head & 0x3F;
    at += 2;
    if (t.Length == 0x3F) {
      if (at + 4 > Movie.size()) break;
      t.Length = SwfGetU32(Movie, at);
      at += 4;
    }
    t.BodyOffset = at;
    if (t.Length > Movie.size() - at) {
      Error = "tag " + std::to_string(t.Code) + " at " + std::to_string(t.HeaderOffset) +
              " runs beyond the end";
      return false;
    }
    at += t.Length;
    Tags.push_back(t);
    if (t.Code == kSwfTagEnd) break;
  }
  if (Tags.empty() || Tags.back().Code != kSwfTagEnd || at != Movie.size()) {
    Error = "the movie does not end with its End tag";
    return false;
  }
  return true;
}

bool SwfWriteTemplateDatabase(const std::string& File, const std::string& SchemaSql,
                              const std::vector<TSwfTemplateRow>& Rows, std::string& Error) {
  std::remove(File.c_str());
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(File.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) == SQLITE_OK;
  char* err = nullptr;
  if (ok && sqlite3_exec(db, SchemaSql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) ok = false;
  if (err) {
    Error = err;
    sqlite3_free(err);
  }
  sqlite3_stmt* st = nullptr;
  if (ok && sqlite3_prepare_v2(db, "insert into a2 (a, b, c, d) values (?, ?, ?, ?)", -1, &st,
                               nullptr) != SQLITE_OK)
    ok = false;
  for (size_t i = 0; ok && i < Rows.size(); ++i) {
    const TSwfTemplateRow& r = Rows[i];
    sqlite3_reset(st);
    int col = 1;
    for (const std::string* v : {&r.A, &r.B, &r.C}) {
      if (v->empty())
        sqlite3_bind_null(st, col);
      else
        sqlite3_bind_text(st, col, v->data(), static_cast<int>(v->size()), SQLITE_TRANSIENT);
      ++col;
    }
    sqlite3_bind_blob(st, 4, r.D.data(), static_cast<int>(r.D.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE) ok = false;
  }
  if (!ok && Error.empty()) Error = db ? sqlite3_errmsg(db) : "cannot open the database";
  sqlite3_finalize(st);
  sqlite3_close(db);
  if (!ok) {
    Error = File + ": " + Error;
    std::remove(File.c_str());
  }
  return ok;
}
