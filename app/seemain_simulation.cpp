// "Simulation": the template strip in its panel, the drag of photos from the grid, and the drop
// that fits the photos to the template's slots, splices them into the template's movie pieces as
// "OK.swf", patches the lengths inside it and shows it.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/seemain.h"
#include "app/settings.h"
#include "app/simulation.h"
#include "app/formflash1.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/ieresample.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/stdctrls.h"

// The spliced movie plays in the movie window, shown modally over the main window; tests put a
// window of their own here.
std::function<void(TFormSeeMain* Owner)> ShowSimulationMovie = [](TFormSeeMain* Owner) { ShowFlashMovie(Owner); };

namespace {

const char kSimConnectionPrefix[] = "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=";
const int kSimPanelWidth = 700, kSimPanelHeight = 215;

// A whole decimal number (optional sign, digits only, no blanks); false otherwise.
bool SimWholeNumber(const std::string& S, int64_t& Value) {
  if (S.empty() || S.size() > 18) return false;
  size_t i = (S[0] == '-' || S[0] == '+') ? 1 : 0;
  if (i == S.size()) return false;
  int64_t v = 0;
  for (; i < S.size(); ++i) {
    if (S[i] < '0' || S[i] > '9') return false;
    v = v * 10 + (S[i] - '0');
  }
  Value = S[0] == '-' ? -v : v;
  return true;
}

std::string SimReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) throw ESimulationError("The file " + Path + " cannot be read.");
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw ESimulationError("The file " + Path + " cannot be read.");
  return data;
}

// Writes Value as a 32-bit little-endian integer at Offset of the file Path.
void SimPatchLength(const std::string& Path, int64_t Offset, uint32_t Value) {
  const int h = FileOpen(Path, fmOpenReadWrite);
  if (h < 0) throw ESimulationError("The file " + Path + " cannot be opened for writing.");
  const unsigned char bytes[4] = {static_cast<unsigned char>(Value & 0xFF),
                                  static_cast<unsigned char>((Value >> 8) & 0xFF),
                                  static_cast<unsigned char>((Value >> 16) & 0xFF),
                                  static_cast<unsigned char>((Value >> 24) & 0xFF)};
  const bool ok = FileSeek(h, Offset, 0) == Offset && FileWrite(h, bytes, 4) == 4;
  FileClose(h);
  if (!ok) throw ESimulationError("The file " + Path + " cannot be written.");
}

std::string SimFieldText(TDataSet* Rows, const char* Column) {
  TField* f = Rows->FindField(Column);
  return f && !f->IsNull() ? f->AsString() : std::string();
}

}  // namespace

// ---- the rules ----

int SimRoundHalfEven(double Value) {
  // The default rounding direction of the floating-point environment is to nearest, ties to
  // even.
  return static_cast<int>(std::nearbyint(Value));
}

double SimRatio15(double Value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", Value);
  return std::strtod(text, nullptr);
}

TSimFit SimFitPhoto(int w, int h, int W, int H) {
  TSimFit f;
  if (w == W && h == H) {
    f.Exact = true;
    f.ScaledWidth = W;
    f.ScaledHeight = H;
    return f;
  }
  if (static_cast<double>(H) / h > static_cast<double>(W) / w) {
    // Wider than the slot: the slot's height, equal parts cut left and right.
    const double r = SimRatio15(static_cast<double>(H) / h);
    f.ScaledWidth = SimRoundHalfEven(w * r);
    f.ScaledHeight = H;
    f.Left = SimRoundHalfEven((f.ScaledWidth - W) / 2.0);
  } else {
    // Taller: the slot's width, equal parts cut top and bottom.
    const double r = SimRatio15(static_cast<double>(W) / w);
    f.ScaledWidth = W;
    f.ScaledHeight = SimRoundHalfEven(h * r);
    f.Top = SimRoundHalfEven((f.ScaledHeight - H) / 2.0);
  }
  // A photo of one pixel's side may round below the slot; the crop never leaves the picture.
  f.ScaledWidth = std::max(f.ScaledWidth, W);
  f.ScaledHeight = std::max(f.ScaledHeight, H);
  f.Left = std::clamp(f.Left, 0, f.ScaledWidth - W);
  f.Top = std::clamp(f.Top, 0, f.ScaledHeight - H);
  return f;
}

bool SimParseSlotSize(const std::string& C, int& W, int& H) {
  const size_t x = C.find('x');
  if (x == std::string::npos) return false;
  int64_t w = 0, h = 0;
  if (!SimWholeNumber(C.substr(0, x), w) || !SimWholeNumber(C.substr(x + 1, 12), h)) return false;
  if (w < -kSimMaxSlotSide || w > kSimMaxSlotSide || h < -kSimMaxSlotSide || h > kSimMaxSlotSide)
    return false;
  W = static_cast<int>(w);
  H = static_cast<int>(h);
  return true;
}

void SimCheckTemplate(std::vector<TSimTemplateRow>& Rows, const std::string& Template) {
  auto refuse = [&Template](size_t Row, const std::string& Why) {
    throw ESimulationError("The template " + Template + " is damaged (row " +
                           std::to_string(Row + 1) + "): " + Why);
  };
  if (Rows.empty())
    throw ESimulationError("The template " + Template + " is damaged: it has no movie pieces.");
  if (Rows.back().HasSlot()) refuse(Rows.size() - 1, "the closing piece has a picture slot.");
  // Offsets in the template movie: each piece is followed by the template's own picture.
  int64_t pieceStart = 0;
  for (size_t i = 0; i < Rows.size(); ++i) {
    TSimTemplateRow& r = Rows[i];
    const int64_t pieceEnd = pieceStart + static_cast<int64_t>(r.D.size());
    if (r.HasSlot()) {
      int W = 0, H = 0;
      if (!SimWholeNumber(r.A, r.Offset)) refuse(i, "the slot offset \"" + r.A + "\" is no number.");
      if (!SimWholeNumber(r.B, r.PictureSize))
        refuse(i, "the picture size \"" + r.B + "\" is no number.");
      if (r.PictureSize <= 0) refuse(i, "the picture size is not above 0.");
      if (!SimParseSlotSize(r.C, W, H)) refuse(i, "the slot size \"" + r.C + "\" is not width x height.");
      if (W <= 0 || H <= 0) refuse(i, "the slot size \"" + r.C + "\" is not above 0.");
      const int64_t field = r.Offset - 5;
      if (field < 8 || field < pieceStart || field + 4 > pieceEnd)
        refuse(i, "the slot offset " + r.A + " lies outside its movie piece.");
      pieceStart = pieceEnd + r.PictureSize;
    } else {
      pieceStart = pieceEnd;
    }
    if (pieceStart > 0xFFFFFFFFll) refuse(i, "the movie is too long.");
  }
}

void SimPreparePhoto(const std::string& Source, const std::string& Target, int W, int H) {
  TIEBitmap photo;
  TImageryIO io(nullptr);
  io.AttachBitmap(&photo);
  try {
    io.LoadFromFile(Source);
  } catch (const Exception& E) {
    throw ESimulationError("The photo " + Source + " cannot be read: " + E.Message());
  }
  if (io.Aborting.load() || photo.IsEmpty())
    throw ESimulationError("The photo " + Source + " cannot be read.");
  const TSimFit fit = SimFitPhoto(photo.Width(), photo.Height(), W, H);
  if (fit.Exact) {
    // A JPEG file of the slot's size goes in as it is.
    const std::string bytes = SimReadFile(Source);
    if (bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xD8) {
      if (!CopyFile(Source, Target, false))
        throw ESimulationError("The file " + Target + " cannot be written.");
      return;
    }
  }
  if (photo.PixelFormat() != ie24RGB) photo.SetPixelFormat(ie24RGB);
  TIEBitmap scaled;
  TIEBitmap* source = &photo;
  if (!fit.Exact) {
    if (!scaled.Allocate(fit.ScaledWidth, fit.ScaledHeight, ie24RGB))
      throw ESimulationError("The photo " + Source + " is too large to fit.");
    IEResample(&photo, &scaled, rfTriangle, nullptr, {});
    source = &scaled;
  }
  TIEBitmap slot;
  if (!slot.Allocate(W, H, ie24RGB)) throw ESimulationError("The photo " + Source + " is too large.");
  for (int y = 0; y < H; ++y)
    std::memcpy(slot.Scanline(y), static_cast<uint8_t*>(source->Scanline(y + fit.Top)) + 3 * fit.Left,
                static_cast<size_t>(W) * 3);
  TImageryIO out(nullptr);
  out.AttachBitmap(&slot);
  out.Params->JPEG_Quality = kSimJpegQuality;
  try {
    out.SaveToFileJpeg(Target);
  } catch (const Exception& E) {
    throw ESimulationError("The file " + Target + " cannot be written: " + E.Message());
  }
  if (out.Aborting.load() || FileSize(Target) <= 0)
    throw ESimulationError("The file " + Target + " cannot be written.");
}

int SimPhotoForRow(int Row, int Count, int& Q) {
  if (Row <= Count) return Row - 1;
  if (Q > Count) Q = 1;
  return Q++ - 1;
}

// ---- the window's handlers ----

void TFormSeeMain::CreateSimulationControls() {
  panel2aa = NewSkinExPanel(this);
  panel2aa->SetName("panel2aa");
  panel2aa->SetVisible(false);
  panel2aa->SetParent(this);
  panel2aa->SetCaption(kSimPanelCaption);
  panel2aa->SetHint(kSimPanelCaption);
  panel2aa->SetShowHint(true);
  panel2aa->SetBounds(0, 0, kSimPanelWidth, kSimPanelHeight);
  panel2aa->SetDragKind(dkDock);
  panel2aa->SetDragMode(dmAutomatic);
  ImageryMView3 = NewTemplateStrip(this);
  ImageryMView3->SetName("ImageryMView3");
  ImageryMView3->SetParent(panel2aa);
  ImageryMView3->SetAlign(alClient);
  ImageryMView3->OnDragOver = [this](TObject* S, TObject* Src, int X, int Y, TDragState St,
                                     bool& A) { ImageryMView3DragOver(S, Src, X, Y, St, A); };
  ImageryMView3->OnDragDrop = [this](TObject* S, TObject* Src, int X, int Y) {
    ImageryMView3DragDrop(S, Src, X, Y);
  };
  ImageryMView3->OnMouseWheel = [this](TObject* S, TShiftState Sh, int D, POINT P, bool& H) {
    ImageryMView3MouseWheel(S, Sh, D, P, H);
  };
  ImageryMView1->OnMouseMove = [this](TObject* S, TShiftState Sh, int X, int Y) {
    ImageryMView1MouseMove(S, Sh, X, Y);
  };
  ImageryMView1->OnEndDrag = [this](TObject* S, TObject* T, int X, int Y) {
    ImageryMView1EndDrag(S, T, X, Y);
  };
  ImageryMView1->OnDragOver = [this](TObject* S, TObject* Src, int X, int Y, TDragState St,
                                     bool& A) { ImageryMView1DragOver(S, Src, X, Y, St, A); };
  ListBox3 = PlaceControl<TListBox>(this, this, "ListBox3", 0, 0, 10, 10);
  ListBox3->SetVisible(false);
  FileListBox3 = PlaceControl<TFileListBox>(this, this, "FileListBox3", 0, 0, 10, 10);
  FileListBox3->SetVisible(false);

  ADOConnection5 = new TADOConnection(this);
  ADOConnection5->SetName("ADOConnection5");
  ADOConnection6 = new TADOConnection(this);
  ADOConnection6->SetName("ADOConnection6");
  for (TADOConnection* c : {ADOConnection5, ADOConnection6}) {
    c->SetLoginPrompt(false);
    c->SetMode(cmShareDenyNone);
  }
  ADOQuery9 = NewQuery(this, "ADOQuery9", ADOConnection5, "select * from xiaoguo");
  ADOQuery10 = NewQuery(this, "ADOQuery10", ADOConnection5, "select * from pic");
  anet2 = NewQuery(this, "anet2", ADOConnection6, "select * from a2");
  ADOCommand6 = new TADOCommand(this);
  ADOCommand6->SetName("ADOCommand6");
  ADOCommand6->SetConnection(ADOConnection5);
}

void TFormSeeMain::OpenSimulationCatalog() {
  if (ADOConnection5->Connected()) return;
  ADOConnection5->SetConnectionString(std::string(kSimConnectionPrefix) + ProgramFolder() +
                                      kSimCatalogFileName + ";Jet OLEDB:Database Password=;");
  ADOConnection5->Open();
}

void TFormSeeMain::Button1Click(TObject*) {
  if (panel2aa->Visible()) {
    panel2aa->Hide();
    return;
  }
  panel2aa->SetLeft((Screen()->Width() - panel2aa->Width()) / 2);
  panel2aa->SetTop((Screen()->Height() - panel2aa->Height()) / 2 + 100);
  panel2aa->Show();
  panel2aa->BringToFront();
  if (FTemplatesLoaded) return;
  try {
    OpenSimulationCatalog();
    ADOQuery9->Close();
    ADOQuery9->Open();
    GridClear(ImageryMView3);
    GridSetShowText(ImageryMView3, false);
    for (ADOQuery9->First(); !ADOQuery9->Eof(); ADOQuery9->Next()) {
      TMemoryStream picture;
      static_cast<TBlobField*>(ADOQuery9->FieldByName("pic"))->SaveToStream(&picture);
      picture.SetPosition(0);
      GridAppendStream(ImageryMView3, &picture, SimFieldText(ADOQuery9, "wenjian"));
    }
    GridSetSelectedImage(ImageryMView3, 0);
    FTemplatesLoaded = true;
  } catch (const Exception& E) {
    Application()->ShowException(E);
  }
}

void TFormSeeMain::ImageryMView1MouseMove(TObject*, TShiftState Shift, int, int) {
  if (!Shift.Contains(ssLeft) || ImageryMView1->Dragging()) return;
  GridSetMouseInteract(ImageryMView1, false, false);
  GridBeginDrag(ImageryMView1);
}

void TFormSeeMain::ImageryMView1EndDrag(TObject*, TObject*, int, int) {
  GridEndDrag(ImageryMView1);
  GridSetMouseInteract(ImageryMView1, false, true);
}

void TFormSeeMain::ImageryMView1DragOver(TObject*, TObject*, int, int, TDragState, bool& Accept) {
  Accept = true;
}

void TFormSeeMain::ImageryMView3DragOver(TObject*, TObject*, int, int, TDragState, bool& Accept) {
  Accept = true;
}

void TFormSeeMain::ImageryMView3MouseWheel(TObject*, TShiftState, int, POINT, bool&) {}

bool TFormSeeMain::DelSomeFiles(const std::string& Mask) {
  bool ok = true;
  TSearchRec f;
  // "*.*" means every file, also one without an extension.
  for (int r = FindFirst(Mask == "*.*" ? "*" : Mask, faAnyFile, f); r == 0; r = FindNext(f)) {
    if (f.Attr & faDirectory) continue;
    // Read-only files go too: the write permission is given back first.
    chmod(f.Name.c_str(), S_IRUSR | S_IWUSR);
    if (!DeleteFile(f.Name)) ok = false;
  }
  FindClose(f);
  return ok;
}

void TFormSeeMain::ImageryMView3DragDrop(TObject*, TObject*, int X, int Y) {
  const int at = GridImageAtPos(ImageryMView3, X, Y);
  if (at >= 0) GridSetSelectedImage(ImageryMView3, at);

  ListBox3->Items()->Clear();
  for (int i = 0; i < GridMultiSelectedCount(ImageryMView1); ++i) {
    std::string name = GridImageFileName(ImageryMView1, GridMultiSelectedImage(ImageryMView1, i));
    const size_t slash = name.find_last_of(PathDelim);
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const size_t mark = name.find("::");
    ListBox3->Items()->Add(mark == std::string::npos ? std::string() : name.substr(0, mark));
  }
  const int selected = GridSelectedImage(ImageryMView3);
  const std::string templateFile = selected >= 0 ? GridCaption(ImageryMView3, selected).Text : "";
  const std::string templatePath = ProgramFolder() + kSimTemplateFolder + PathDelim + templateFile;
  if (templateFile.empty() || !FileExists(templatePath) || ListBox3->Items()->Count() == 0) return;

  const std::string movie = ProgramFolder() + kSimMovieFileName;
  bool writing = false;
  try {
    ADOConnection6->Close();
    ADOConnection6->SetConnectionString(std::string(kSimConnectionPrefix) + templatePath + ";");
    ADOConnection6->Open();
    anet2->Close();
    anet2->Open();
    // The whole template is read and checked before anything is written.
    std::vector<TSimTemplateRow> rows;
    for (anet2->First(); !anet2->Eof(); anet2->Next()) {
      TSimTemplateRow r;
      r.A = SimFieldText(anet2, "a");
      r.B = SimFieldText(anet2, "b");
      r.C = SimFieldText(anet2, "c");
      TField* d = anet2->FindField("d");
      if (d && !d->IsNull()) r.D = static_cast<TBlobField*>(d)->AsBytes();
      rows.push_back(std::move(r));
    }
    anet2->Close();
    ADOConnection6->Close();
    SimCheckTemplate(rows, templateFile);

    const std::string photoDir = ProgramFolder() + kSimPhotoFolder;
    bool emptied = ForceDirectories(photoDir) && SetCurrentDir(photoDir);
    emptied = emptied && DelSomeFiles("*.*");
    emptied = emptied && SetCurrentDir(photoDir);
    if (!emptied) ShowInfo(kSimDeleteFailed);

    OpenSimulationCatalog();
    ADOCommand6->SetCommandText("Delete from pic");
    ADOCommand6->Execute();
    ADOQuery10->Close();
    ADOQuery10->Open();

    // The photos, fitted to the size of the first row's slot.
    const std::string folder = TreeSelectedFolder(dir1);
    int W = 0, H = 0;
    if (!rows[0].C.empty() && SimParseSlotSize(rows[0].C, W, H) && W > 0 && H > 0) {
      for (int s = 0; s < ListBox3->Items()->Count(); ++s)
        SimPreparePhoto(IncludeTrailingPathDelimiter(folder) + ListBox3->Items()->Strings(s),
                        IncludeTrailingPathDelimiter(photoDir) + std::to_string(s) + ".jpg", W, H);
    }

    FileListBox3->SetMask("*.jpg");
    FileListBox3->SetDirectory(photoDir);
    FileListBox3->Update();
    const int P = FileListBox3->Items()->Count();
    for (const TSimTemplateRow& r : rows)
      if (r.HasSlot() && P == 0)
        throw ESimulationError("No photo could be fitted to the template " + templateFile +
                               ": nothing was put into its picture slots.");

    // The splice: each piece, then the photo of its slot.
    writing = true;
    const std::string piece = ProgramFolder() + kSimPieceFileName;
    std::ofstream out(movie, std::ios::binary | std::ios::trunc);
    if (!out) throw ESimulationError("The file " + movie + " cannot be written.");
    std::vector<std::string> slotPhoto(rows.size());
    int q = 1;
    for (size_t r = 0; r < rows.size(); ++r) {
      {
        std::ofstream p(piece, std::ios::binary | std::ios::trunc);
        p.write(rows[r].D.data(), static_cast<std::streamsize>(rows[r].D.size()));
        if (!p.flush()) throw ESimulationError("The file " + piece + " cannot be written.");
      }
      const std::string bytes = SimReadFile(piece);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!rows[r].HasSlot()) continue;
      const int index = SimPhotoForRow(static_cast<int>(r) + 1, P, q);
      const std::string photo =
          IncludeTrailingPathDelimiter(photoDir) + FileListBox3->Items()->Strings(index);
      const std::string data = SimReadFile(photo);
      out.write(data.data(), static_cast<std::streamsize>(data.size()));
      ADOQuery10->Append();
      ADOQuery10->FieldByName("indexid")->SetAsInteger(static_cast<int32_t>(r));
      ADOQuery10->FieldByName("pic")->SetAsString(photo);
      ADOQuery10->Post();
    }
    out.close();
    if (!out) throw ESimulationError("The file " + movie + " cannot be written.");

    // The slot lengths: each picture tag carries its character id and the photo.
    ADOQuery10->Close();
    ADOQuery10->Open();
    for (ADOQuery10->First(); !ADOQuery10->Eof(); ADOQuery10->Next()) {
      const int k = ADOQuery10->FieldByName("indexid")->AsInteger();
      if (k >= 0 && static_cast<size_t>(k) < rows.size())
        slotPhoto[static_cast<size_t>(k)] = ADOQuery10->FieldByName("pic")->AsString();
    }
    int64_t shift = 0;
    for (size_t k = 0; k + 1 < rows.size(); ++k) {
      if (!rows[k].HasSlot()) continue;
      const int64_t size = FileSize(slotPhoto[k]);
      if (size < 0) throw ESimulationError("The photo " + slotPhoto[k] + " is gone.");
      SimPatchLength(movie, shift + rows[k].Offset - 5, static_cast<uint32_t>(size + 2));
      shift += size - rows[k].PictureSize;
    }
    const int64_t total = FileSize(movie);
    if (total < 0 || total > 0xFFFFFFFFll) throw ESimulationError("The movie " + movie + " is too long.");
    SimPatchLength(movie, 4, static_cast<uint32_t>(total));
  } catch (const Exception& E) {
    // A movie left half-made is never played, nor left for a later look.
    if (writing) DeleteFile(movie);
    Application()->ShowException(E);
    return;
  }
  if (ShowSimulationMovie) ShowSimulationMovie(this);
}
