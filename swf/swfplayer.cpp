// Display list and cairo drawing of the movie player.
#include "swf/swfplayer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <cairo.h>

namespace {

struct SwfPoint {
  int32_t X, Y;
  bool operator<(const SwfPoint& O) const { return X != O.X ? X < O.X : Y < O.Y; }
  bool operator==(const SwfPoint& O) const { return X == O.X && Y == O.Y; }
};

cairo_matrix_t SwfCairoMatrix(const TSwfMatrix& M) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, M.ScaleX, M.Skew0, M.Skew1, M.ScaleY, M.TX, M.TY);
  return m;
}

bool SwfInvertible(const cairo_matrix_t& M) {
  cairo_matrix_t copy = M;
  return cairo_matrix_invert(&copy) == CAIRO_STATUS_SUCCESS;
}

void SwfEdgeTo(cairo_t* Cr, const TSwfEdge& E, bool Reversed) {
  const double x1 = Reversed ? E.X0 : E.X1, y1 = Reversed ? E.Y0 : E.Y1;
  if (!E.Curve) {
    cairo_line_to(Cr, x1, y1);
    return;
  }
  // The quadratic curve as a cubic: control points two thirds of the way to its control point.
  double x0, y0;
  cairo_get_current_point(Cr, &x0, &y0);
  cairo_curve_to(Cr, x0 + 2.0 / 3 * (E.CX - x0), y0 + 2.0 / 3 * (E.CY - y0),
                 x1 + 2.0 / 3 * (E.CX - x1), y1 + 2.0 / 3 * (E.CY - y1), x1, y1);
}

// Builds the outline of one fill: the edges that have the fill on their right as they run and
// those that have it on their left reversed, joined end to start into closed contours.
void SwfFillOutline(cairo_t* Cr, const TSwfShape& S, uint32_t Fill) {
  struct Directed {
    const TSwfEdge* E;
    bool Reversed;
    SwfPoint Start() const { return Reversed ? SwfPoint{E->X1, E->Y1} : SwfPoint{E->X0, E->Y0}; }
    SwfPoint End() const { return Reversed ? SwfPoint{E->X0, E->Y0} : SwfPoint{E->X1, E->Y1}; }
  };
  std::vector<Directed> edges;
  for (const TSwfPath& p : S.Paths) {
    if (p.Fill1 == Fill)
      for (const TSwfEdge& e : p.Edges) edges.push_back({&e, false});
    if (p.Fill0 == Fill)
      for (const TSwfEdge& e : p.Edges) edges.push_back({&e, true});
  }
  std::multimap<SwfPoint, size_t> byStart;
  for (size_t i = 0; i < edges.size(); ++i) byStart.emplace(edges[i].Start(), i);
  std::vector<bool> used(edges.size(), false);
  for (size_t first = 0; first < edges.size(); ++first) {
    if (used[first]) continue;
    const SwfPoint origin = edges[first].Start();
    cairo_move_to(Cr, origin.X, origin.Y);
    size_t i = first;
    for (;;) {
      used[i] = true;
      SwfEdgeTo(Cr, *edges[i].E, edges[i].Reversed);
      const SwfPoint end = edges[i].End();
      if (end == origin) break;
      size_t next = edges.size();
      auto range = byStart.equal_range(end);
      for (auto it = range.first; it != range.second; ++it)
        if (!used[it->second]) {
          next = it->second;
          break;
        }
      if (next == edges.size()) break;
      i = next;
    }
    cairo_close_path(Cr);
  }
}

void SwfSetColor(cairo_t* Cr, const TSwfRGBA& C) {
  cairo_set_source_rgba(Cr, C.R / 255.0, C.G / 255.0, C.B / 255.0, C.A / 255.0);
}

cairo_surface_t* SwfBitmapSurface(const TSwfBitmap& B) {
  return cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(B.Pixels.data())),
      CAIRO_FORMAT_ARGB32, B.Width, B.Height, B.Width * 4);
}

// Sets a bitmap fill as the source; false when it cannot be drawn (picture missing, matrix
// without an inverse).
bool SwfSetBitmapSource(cairo_t* Cr, const TSwfMovie& Movie, const TSwfFillStyle& F) {
  const TSwfBitmap* b = Movie.Bitmap(F.BitmapId);
  if (!b) return false;
  cairo_matrix_t m = SwfCairoMatrix(F.Matrix);
  if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) return false;
  cairo_surface_t* s = SwfBitmapSurface(*b);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
  cairo_pattern_set_matrix(p, &m);
  cairo_pattern_set_extend(p, F.Repeat ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(p, F.Smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
  cairo_set_source(Cr, p);
  cairo_pattern_destroy(p);
  cairo_surface_destroy(s);
  return true;
}

void SwfDrawShape(cairo_t* Cr, const TSwfMovie& Movie, const TSwfShape& S) {
  cairo_set_fill_rule(Cr, CAIRO_FILL_RULE_EVEN_ODD);
  for (uint32_t f = 1; f <= S.Fills.size(); ++f) {
    const TSwfFillStyle& style = S.Fills[f - 1];
    if (style.Kind == TSwfFillKind::Bitmap) {
      if (!SwfSetBitmapSource(Cr, Movie, style)) continue;
    } else {
      SwfSetColor(Cr, style.Color);
    }
    cairo_new_path(Cr);
    SwfFillOutline(Cr, S, f);
    cairo_fill(Cr);
  }
  // Lines over the fills, at least one device pixel wide.
  double px = 1, py = 0;
  cairo_device_to_user_distance(Cr, &px, &py);
  const double hairline = std::hypot(px, py);
  cairo_set_line_cap(Cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(Cr, CAIRO_LINE_JOIN_ROUND);
  for (const TSwfPath& p : S.Paths) {
    if (p.Line == 0 || p.Line > S.Lines.size()) continue;
    const TSwfLineStyle& l = S.Lines[p.Line - 1];
    cairo_new_path(Cr);
    bool have = false;
    double cx = 0, cy = 0;
    for (const TSwfEdge& e : p.Edges) {
      if (!have || cx != e.X0 || cy != e.Y0) cairo_move_to(Cr, e.X0, e.Y0);
      SwfEdgeTo(Cr, e, false);
      have = true;
      cx = e.X1;
      cy = e.Y1;
    }
    SwfSetColor(Cr, l.Color);
    cairo_set_line_width(Cr, std::max<double>(l.Width, hairline));
    cairo_stroke(Cr);
  }
}

void SwfDrawCharacter(cairo_t* Cr, const TSwfMovie& Movie, uint16_t Id) {
  if (const TSwfShape* s = Movie.Shape(Id)) {
    SwfDrawShape(Cr, Movie, *s);
  } else if (const TSwfBitmap* b = Movie.Bitmap(Id)) {
    // A picture placed on its own: one picture pixel is one stage pixel.
    cairo_scale(Cr, 20, 20);
    cairo_surface_t* s = SwfBitmapSurface(*b);
    cairo_set_source_surface(Cr, s, 0, 0);
    cairo_paint(Cr);
    cairo_surface_destroy(s);
  }
}

// Applies a colour transform to premultiplied pixels in place.
void SwfTransformPixels(cairo_surface_t* S, const TSwfColorTransform& T) {
  cairo_surface_flush(S);
  unsigned char* data = cairo_image_surface_get_data(S);
  const int w = cairo_image_surface_get_width(S), h = cairo_image_surface_get_height(S);
  const int stride = cairo_image_surface_get_stride(S);
  auto clamp = [](double v) { return v < 0 ? 0.0 : v > 255 ? 255.0 : v; };
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      const uint32_t p = row[x];
      const uint32_t a = p >> 24;
      if (a == 0 && T.Add[3] <= 0) continue;
      double ch[4] = {0, 0, 0, static_cast<double>(a)};
      for (int i = 0; i < 3; ++i) {
        const double v = (p >> (16 - 8 * i)) & 0xFF;
        ch[i] = a ? v * 255.0 / a : 0;
      }
      for (int i = 0; i < 4; ++i) ch[i] = clamp(ch[i] * T.Mul[i] + T.Add[i]);
      const double na = ch[3];
      uint32_t out = static_cast<uint32_t>(std::lround(na)) << 24;
      for (int i = 0; i < 3; ++i)
        out |= static_cast<uint32_t>(std::lround(ch[i] * na / 255.0)) << (16 - 8 * i);
      row[x] = out;
    }
  }
  cairo_surface_mark_dirty(S);
}

bool SwfSameItem(const TSwfDisplayItem& A, const TSwfDisplayItem& B) {
  const TSwfMatrix &m = A.Matrix, &n = B.Matrix;
  if (A.CharacterId != B.CharacterId || A.IsClipLayer != B.IsClipLayer || m.ScaleX != n.ScaleX ||
      m.Skew0 != n.Skew0 || m.Skew1 != n.Skew1 || m.ScaleY != n.ScaleY || m.TX != n.TX || m.TY != n.TY)
    return false;
  for (int i = 0; i < 4; ++i)
    if (A.ColorTransform.Mul[i] != B.ColorTransform.Mul[i] ||
        A.ColorTransform.Add[i] != B.ColorTransform.Add[i])
      return false;
  return true;
}

}  // namespace

void TSwfPlayer::Clear() {
  FMovie.Clear();
  FList.clear();
  FFrame = 0;
}

bool TSwfPlayer::LoadFromFile(const std::string& Path) {
  FList.clear();
  FFrame = 0;
  if (!FMovie.LoadFromFile(Path)) return false;
  GotoFrame(0);
  return true;
}

bool TSwfPlayer::LoadFromBuffer(const uint8_t* Data, size_t Size) {
  FList.clear();
  FFrame = 0;
  if (!FMovie.LoadFromBuffer(Data, Size)) return false;
  GotoFrame(0);
  return true;
}

int TSwfPlayer::FrameInterval() const {
  const double rate = FMovie.FrameRate() > 0 ? FMovie.FrameRate() : 12.0;
  return std::max(1, static_cast<int>(std::lround(1000.0 / rate)));
}

void TSwfPlayer::Apply(const TSwfFrame& F) {
  for (const TSwfPlaceOp& op : F.Ops) {
    if (op.Op == TSwfPlaceOp::Remove) {
      FList.erase(op.Depth);
      continue;
    }
    auto it = FList.find(op.Depth);
    if (op.Move && it == FList.end() && !op.HasCharacter) continue;  // nothing to modify
    TSwfDisplayItem item;
    if (op.Move && it != FList.end()) item = it->second;
    if (op.HasCharacter) item.CharacterId = op.CharacterId;
    if (op.HasMatrix) item.Matrix = op.Matrix;
    if (op.HasColorTransform) item.ColorTransform = op.ColorTransform;
    item.IsClipLayer = op.IsClipLayer || (op.Move && item.IsClipLayer);
    FList[op.Depth] = item;
  }
}

void TSwfPlayer::GotoFrame(int N) {
  const int count = FrameCount();
  if (count == 0) return;
  N %= count;
  if (N < 0) N += count;
  if (N < FFrame || FList.empty()) {
    FList.clear();
    FFrame = -1;
  }
  for (int f = FFrame + 1; f <= N; ++f) Apply(FMovie.Frames()[f]);
  FFrame = N;
}

bool TSwfPlayer::NextFrame() {
  if (FrameCount() == 0) return false;
  const std::map<uint16_t, TSwfDisplayItem> before = FList;
  GotoFrame(FFrame + 1 >= FrameCount() ? 0 : FFrame + 1);
  return !std::equal(before.begin(), before.end(), FList.begin(), FList.end(),
                     [](const auto& A, const auto& B) { return A.first == B.first && SwfSameItem(A.second, B.second); });
}

void TSwfPlayer::StageRect(int W, int H, double& Left, double& Top, double& Scale) const {
  Left = Top = 0;
  Scale = 0;
  if (!Loaded() || W <= 0 || H <= 0) return;
  const double sw = FMovie.StageWidth(), sh = FMovie.StageHeight();
  Scale = std::min(W / sw, H / sh);
  Left = (W - sw * Scale) / 2;
  Top = (H - sh * Scale) / 2;
}

void TSwfPlayer::Render(uint32_t* Pixels, int W, int H, int Stride) const {
  if (!Pixels || W <= 0 || H <= 0) return;
  cairo_surface_t* target = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(Pixels), CAIRO_FORMAT_ARGB32, W, H, Stride);
  cairo_t* cr = cairo_create(target);
  if (!Loaded()) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
  } else {
    SwfSetColor(cr, FMovie.Background());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    double left, top, scale;
    StageRect(W, H, left, top, scale);
    cairo_rectangle(cr, left, top, FMovie.StageWidth() * scale, FMovie.StageHeight() * scale);
    cairo_clip(cr);
    cairo_translate(cr, left, top);
    cairo_scale(cr, scale / 20, scale / 20);
    cairo_translate(cr, -FMovie.StageXMin(), -FMovie.StageYMin());
    cairo_matrix_t stage;
    cairo_get_matrix(cr, &stage);
    for (const auto& [depth, item] : FList) {
      (void)depth;
      if (item.IsClipLayer) continue;
      const cairo_matrix_t m = SwfCairoMatrix(item.Matrix);
      if (!SwfInvertible(m)) continue;
      if (item.ColorTransform.IsIdentity()) {
        cairo_save(cr);
        cairo_transform(cr, &m);
        SwfDrawCharacter(cr, FMovie, item.CharacterId);
        cairo_restore(cr);
      } else if (item.ColorTransform.IsAlphaOnly()) {
        cairo_save(cr);
        cairo_push_group(cr);
        cairo_transform(cr, &m);
        SwfDrawCharacter(cr, FMovie, item.CharacterId);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, std::clamp(item.ColorTransform.Mul[3], 0.0, 1.0));
        cairo_restore(cr);
      } else {
        // Any other transform works on the drawn pixels: the object is drawn alone into a layer
        // the size of the target, transformed there and laid over the frame.
        cairo_surface_t* layer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
        cairo_t* lc = cairo_create(layer);
        cairo_rectangle(lc, left, top, FMovie.StageWidth() * scale, FMovie.StageHeight() * scale);
        cairo_clip(lc);
        cairo_set_matrix(lc, &stage);
        cairo_transform(lc, &m);
        SwfDrawCharacter(lc, FMovie, item.CharacterId);
        cairo_destroy(lc);
        SwfTransformPixels(layer, item.ColorTransform);
        cairo_save(cr);
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, layer, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(layer);
      }
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(target);
  cairo_surface_destroy(target);
}
