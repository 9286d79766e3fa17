// Writes a small seed corpus for every fuzz target, made by the project's own writers: images
// and metadata by the imaging IO, component streams by the filer, settings by the INI file and
// the settings store, skins by the stored-skin layout, templates and prepared pages by the report.
// Usage: fuzz_mkseeds <folder>; each target's seeds go to <folder>/<target>/.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "fuzz/fuzz_form_classes.h"
#include "fuzz/fuzz_formats.h"
#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/iexmp.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptview.h"
#include "tests/swf/swfbuild.h"

namespace {

std::string gOut;

void Put(const std::string& Target, const std::string& Name, const void* Data, size_t Size) {
  const std::filesystem::path dir = std::filesystem::path(gOut) / Target;
  std::filesystem::create_directories(dir);
  std::ofstream f(dir / Name, std::ios::binary);
  f.write(static_cast<const char*>(Data), static_cast<std::streamsize>(Size));
}
void Put(const std::string& Target, const std::string& Name, const std::string& Text) {
  Put(Target, Name, Text.data(), Text.size());
}
void Put(const std::string& Target, const std::string& Name, TMemoryStream& S) {
  Put(Target, Name, S.Memory(), static_cast<size_t>(S.Size()));
}
std::string ReadFile(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void FillBitmap(TIEBitmap& B, int W, int H, TIEPixelFormat F) {
  B.Allocate(W, H, F);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = B.Scanline(y);
    const int bytes = (W * B.BitCount() + 7) / 8;
    for (int x = 0; x < bytes; ++x) row[x] = static_cast<uint8_t>(x * 37 + y * 11);
  }
}

// A small DICOM file: explicit VR little endian, 8-bit grey, 4 x 3 pixels, with a window.
void DicomSeed() {
  std::string d(128, '\0');
  d += "DICM";
  auto element = [&](uint16_t g, uint16_t e, const char* vr, const std::string& v) {
    const char h[4] = {static_cast<char>(g), static_cast<char>(g >> 8), static_cast<char>(e), static_cast<char>(e >> 8)};
    d.append(h, 4);
    d.append(vr, 2);
    const size_t n = v.size();
    if (std::strcmp(vr, "OB") == 0) {
      const char l[6] = {0, 0, static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16), 0};
      d.append(l, 6);
    } else {
      const char l[2] = {static_cast<char>(n), static_cast<char>(n >> 8)};
      d.append(l, 2);
    }
    d += v;
  };
  auto us = [](uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  element(0x0002, 0x0010, "UI", std::string("1.2.840.10008.1.2.1") + '\0');
  element(0x0028, 0x0002, "US", us(1));
  element(0x0028, 0x0004, "CS", "MONOCHROME2 ");
  element(0x0028, 0x0010, "US", us(3));
  element(0x0028, 0x0011, "US", us(4));
  element(0x0028, 0x0100, "US", us(8));
  element(0x0028, 0x0101, "US", us(8));
  element(0x0028, 0x1050, "DS", "40\\50 ");
  element(0x0028, 0x1051, "DS", "400 ");
  element(0x7FE0, 0x0010, "OB", std::string("\x00\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0", 12));
  Put("dicom", "seed-native.dcm", d);
}

// TIFF pages of our writer in every compression it writes, for the TIFF target (and the image
// target): bilevel pages with the fax codes, colour and grey pages with the others.
void TiffSeeds() {
  const struct { int Compression; TIEPixelFormat Format; int Bits, Samples; } pages[] = {
      {0, ie24RGB, 8, 3}, {5, ie24RGB, 8, 3}, {7, ie24RGB, 8, 3}, {8, ie24RGB, 8, 3}, {9, ie24RGB, 8, 3},
      {1, ie1g, 1, 1},    {2, ie1g, 1, 1},    {3, ie1g, 1, 1},    {4, ie1g, 1, 1},    {5, ie8g, 8, 1},
      {0, ie24RGB, 4, 1}, {9, ieRGB48, 16, 3}};
  int k = 0;
  for (const auto& pg : pages) {
    try {
      TImageryIO io(nullptr);
      TIEBitmap b;
      FillBitmap(b, 19, 11, pg.Format);
      io.AttachBitmap(&b);
      io.Params->TIFF_Compression = static_cast<uint8_t>(pg.Compression);
      io.Params->BitsPerSample = pg.Bits;
      io.Params->SamplesPerPixel = pg.Samples;
      TMemoryStream s;
      io.SaveToStream(&s, ioTIFF);
      if (s.Size() > 0) {
        Put("tiff", "seed-" + std::to_string(k) + ".tif", s);
        if (k % 4 == 0) Put("image", "seed-" + std::to_string(k) + ".tif", s);
      }
      io.AttachBitmap(nullptr);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tiff %d: %s\n", k, e.what());
    }
    ++k;
  }
}

// Images in every format the codecs write, in a few pixel formats, and a JPEG with metadata.
void Images() {
  const struct { int32_t Type; const char* Ext; } formats[] = {
      {ioJPEG, "jpg"}, {ioPNG, "png"}, {ioBMP, "bmp"}, {ioICO, "ico"}, {ioGIF, "gif"}, {ioTGA, "tga"},
      {ioPXM, "ppm"},  {ioWBMP, "wbmp"}, {ioPCX, "pcx"}, {ioDCX, "dcx"}, {ioTIFF, "tif"}, {ioPSD, "psd"}};
  const TIEPixelFormat pixels[] = {ie24RGB, ie8g, ie1g};
  for (const auto& f : formats)
    for (TIEPixelFormat pf : pixels) {
      try {
        TImageryIO io(nullptr);
        TIEBitmap b;
        FillBitmap(b, 9, 7, pf);
        io.AttachBitmap(&b);
        TMemoryStream s;
        io.SaveToStream(&s, f.Type);
        if (s.Size() > 0) {
          const std::string name = std::string("seed-") + std::to_string(static_cast<int>(pf)) + "." + f.Ext;
          Put("image", name, s);
          if (f.Type == ioPSD) Put("psd", name, s);
          // The same file for the formats target, read by name: one image, and through the
          // multi-image input.
          for (uint8_t how : {0x00, 0x80}) {
            std::string withCall(4, '\0');
            withCall[0] = static_cast<char>(FuzzFormatsSelector(f.Type));
            withCall[1] = static_cast<char>(how);
            withCall.append(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
            Put("formats", (how ? "multi-" : "") + name, withCall);
          }
        }
        if (f.Type == ioICO && pf == ie24RGB) {
          Put("icon", "seed.ico", s);
          Put("cursor", "seed-icon.ico", s);
          // A cursor file is an icon directory of type 2 whose entries carry the hot spot.
          auto* p = static_cast<uint8_t*>(s.Memory());
          if (s.Size() > 22) {
            p[2] = 2;
            p[6 + 4] = 3;
            p[6 + 6] = 4;
            Put("cursor", "seed.cur", s);
            Put("image", "seed.cur", s);
          }
        }
        io.AttachBitmap(nullptr);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "image %s: %s\n", f.Ext, e.what());
      }
    }
  // JPEG 2000 (both containers, grey and colour) and HD Photo (every layout it writes).
  const struct { int32_t Type; const char* Target; const char* Ext; TIEPixelFormat Pixels; } rich[] = {
      {ioJP2, "jpeg2000", "jp2", ie24RGB}, {ioJ2K, "jpeg2000", "j2k", ie24RGB}, {ioJ2K, "jpeg2000", "j2k", ie1g},
      {ioHDP, "hdphoto", "wdp", ie24RGB},  {ioHDP, "hdphoto", "wdp", ie8g},     {ioHDP, "hdphoto", "wdp", ie16g},
      {ioHDP, "hdphoto", "wdp", ieCMYK},   {ioHDP, "hdphoto", "wdp", ie1g}};
  for (const auto& r : rich) {
    try {
      TImageryIO io(nullptr);
      TIEBitmap b;
      FillBitmap(b, 12, 10, r.Pixels);
      io.AttachBitmap(&b);
      TMemoryStream s;
      io.SaveToStream(&s, r.Type);
      if (s.Size() > 0)
        Put(r.Target, std::string("seed-") + std::to_string(static_cast<int>(r.Pixels)) + "." + r.Ext, s);
      io.AttachBitmap(nullptr);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "image %s: %s\n", r.Ext, e.what());
    }
  }
  // Headerless pixels: 8 x 8 in 24-bit colour (pixel format choice 4).
  std::string raw = {static_cast<char>(FuzzFormatsSelector(ioBMPRAW)), 4, 7, 7};
  for (int i = 0; i < 8 * 8 * 3; ++i) raw.push_back(static_cast<char>(i * 7));
  Put("formats", "seed-raw", raw);

  TImageryIO io(nullptr);
  TIEBitmap b;
  FillBitmap(b, 16, 16, ie24RGB);
  io.AttachBitmap(&b);
  TIOParamsVals* p = io.Params;
  p->EXIF_HasEXIFData = true;
  p->EXIF_Make = "Maker";
  p->EXIF_Model = "Model 1";
  p->EXIF_DateTime = "2024:01:02 03:04:05";
  p->SetEXIF_Orientation(6);
  p->SetEXIF_XResolution(300);
  p->EXIF_UserComment = "comment";
  p->EXIF_GPSLatitudeRef = "N";
  p->EXIF_GPSLatitudeDegrees = 45;
  p->XMP_Info = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF/></x:xmpmeta>";
  const char caption[] = "caption";
  p->IPTC_Info->AddBufferItem(2, 120, sizeof caption - 1, caption);
  p->GetInputICCProfile()->LoadSRGB();
  TMemoryStream s;
  io.SaveToStream(&s, ioJPEG);
  Put("image", "seed-meta.jpg", s);
  Put("jpegmarkers", "seed-meta.jpg", s);
  io.AttachBitmap(nullptr);

  std::vector<uint8_t> exif;
  IESaveEXIFToStandardBuffer(p, exif, true);
  Put("exif", "seed-app1.bin", exif.data(), exif.size());
  IESaveEXIFToStandardBuffer(p, exif, false);
  Put("exif", "seed-tiff.bin", exif.data(), exif.size());
  std::vector<uint8_t> iptc;
  p->IPTC_Info->SaveToStandardBuffer(iptc, true);
  Put("iptc", "seed-app13.bin", iptc.data(), iptc.size());
  p->IPTC_Info->SaveToStandardBuffer(iptc, false);
  Put("iptc", "seed-raw.bin", iptc.data(), iptc.size());
  std::vector<uint8_t> xmp;
  IESaveXMPToMarker(p, xmp);
  Put("xmp", "seed.bin", xmp.data(), xmp.size());
  TIEICC icc;
  icc.LoadSRGB();
  Put("icc", "srgb.icc", icc.Raw.data(), icc.Raw.size());
}

const char* const kForms[] = {
    "object Sample: TForm\n  Caption = 'Sample'\n  ClientWidth = 300\n"
    "  object Top1: TPanel\n    Height = 40\n    Align = alTop\n"
    "    object OkButton: TButton\n      Left = 8\n      Top = 8\n      Caption = 'OK'\n"
    "      ModalResult = 1\n    end\n  end\n"
    "  object Hello: TLabel\n    Left = 10\n    Top = 60\n    Caption = 'Hello'\n  end\n"
    "  object List: TListBox\n    Items.Strings = (\n      'one'\n      'two')\n  end\n"
    "  object Memo1: TMemo\n    Lines.Strings = (\n      'a'#13'b')\n  end\n"
    "end\n",
    "object Picker: TForm\n  BorderIcons = [biSystemMenu]\n  FormStyle = fsStayOnTop\n"
    "  KeyPreview = True\n  Menu = MainMenu1\n  ActiveControl = NameEdit\n"
    "  object MainMenu1: TMainMenu\n    object FileItem: TMenuItem\n      Caption = '&File'\n"
    "      object OpenItem: TMenuItem\n        Caption = '&Open...'\n        ShortCut = 16463\n"
    "      end\n    end\n  end\n"
    "  object NameEdit: TEdit\n    Left = 8\n    Top = 8\n    Text = 'x'\n  end\n"
    "  object Status: TStatusBar\n    Panels = <\n      item\n        Width = 50\n      end>\n"
    "  end\n  object Tick: TTimer\n    Interval = 250\n  end\n"
    "  object Size1: TTrackBar\n    Max = 10\n    Position = 3\n  end\n"
    "end\n"};

void Forms() {
  int n = 0;
  for (const char* text : kForms) {
    const std::string name = "seed-" + std::to_string(n++);
    Put("filer_text", name + ".txt", text);
    try {
      TStringStream in(text);
      TMemoryStream bin;
      ObjectTextToBinary(&in, &bin);
      Put("filer_binary", name + ".bin", bin);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "form: %s\n", e.what());
    }
  }
}

void Scripts() {
  Put("script_pascal", "seed.pas",
      "var i, s: Integer;\n    t: String;\nfunction Twice(x: Integer): Integer;\nbegin\n"
      "  Result := x * 2;\nend;\nbegin\n  s := 0;\n  for i := 1 to 10 do\n"
      "    if i mod 2 = 0 then s := s + Twice(i) else s := s - 1;\n"
      "  t := 'abc' + IntToStr(s);\n  while s > 0 do begin s := s div 2; end;\n"
      "  case s of 0: t := ''; 1: t := 'one'; end;\n"
      "  try\n    s := 1 div s;\n  except\n    s := 0;\n  end;\nend.\n");
  Put("script_cpp", "seed.cpp",
      "int i, s;\nint Twice(int x) { return x * 2; }\n{\n  s = 0;\n"
      "  for (i = 1; i <= 10; i++) { if (i % 2 == 0) s += Twice(i); else s--; }\n"
      "  string t = \"abc\" + IntToStr(s);\n  while (s > 0) s = s / 2;\n"
      "  switch (s) { case 0: t = \"\"; break; default: t = \"x\"; }\n"
      "  try { s = 1 / s; } catch { s = 0; }\n}\n");
  Put("script_basic", "seed.vb",
      "dim i, s\nfunction Twice(x)\n  return x * 2\nend function\ns = 0\n"
      "for i = 1 to 10\n  if i mod 2 = 0 then\n    s = s + Twice(i)\n  else\n    s = s - 1\n"
      "  end if\nnext\nt = \"abc\" & s\nwhile s > 0\n  s = s \\ 2\nwend\n"
      "select case s\n  case 0\n    t = \"\"\n  case else\n    t = \"x\"\nend select\n");
  Put("script_js", "seed.js",
      "var i, s = 0;\nfunction Twice(x) { return x * 2; }\n"
      "for (i = 1; i <= 10; i++) { if (i % 2 == 0) s += Twice(i); else s--; }\n"
      "var t = \"abc\" + s;\nwhile (s > 0) s = s / 2;\n"
      "switch (s) { case 0: t = \"\"; break; default: t = \"x\"; }\n"
      "try { s = 1 / s; } catch (e) { s = 0; }\n");
}

void Settings() {
  const std::string dir = orvfuzz::ScratchFolder();
  {
    TMemIniFile ini(dir + "/seed.ini");
    ini.WriteString("Main", "Name", "Studio \"One\"");
    ini.WriteInteger("Main", "Width", 640);
    ini.WriteBool("Main", "Random", true);
    ini.WriteFloat("Main", "Scale", 1.5);
    ini.WriteDateTime("Main", "When", 45000.25);
    TMemoryStream bytes;
    bytes.WriteBuffer("\x01\x02\xFE", 3);
    bytes.SetPosition(0);
    ini.WriteBinaryStream("Data", "Blob", &bytes);
    ini.UpdateFile();
  }
  Put("ini", "seed.ini", ReadFile(dir + "/seed.ini"));
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  {
    TRegistry reg;
    reg.OpenKey("\\Software\\Studio\\Picker", true);
    reg.WriteString("Folder", "/home/a \"b\"\n");
    reg.WriteInteger("Count", 7);
    reg.WriteFloat("Scale", 0.75);
    reg.WriteBinaryData("Blob", "\x00\x10\x20", 3);
    reg.WriteExpandString("", "default");
    reg.OpenKey("\\Software\\Studio\\Picker\\Sub", true);
    reg.WriteBool("On", true);
  }
  Put("settings", "seed.ini", ReadFile(dir + "/orvanta/registry.ini"));
}

void PutInt(TMemoryStream& S, int32_t V) { S.WriteBuffer(&V, 4); }

void Skins() {
  TMemoryStream raw;
  PutInt(raw, 3);
  for (int i = 0; i < 3; ++i) {
    const uint8_t flag = i == 0 ? 0 : 1;
    raw.WriteBuffer(&flag, 1);
    if (flag == 0) {
      TBitmap b;
      b.SetPixelFormat(pf24bit);
      b.SetSize(4, 3);
      b.SaveToStream(&raw);
    }
  }
  PutInt(raw, 1);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(6, 5);
  b.SaveToStream(&raw);
  const std::string text =
      "[VERSION]\r\nskinname=Seed\r\nskinauthor=Tests\r\n[PICTURES]\r\nactivepicturescount=1\r\n"
      "0=a.bmp\r\npicture=p.bmp\r\n[FORMINFO]\r\nclRect=10,20,30,40\r\n[SKINOBJECTS]\r\ncount=1\r\n"
      "0=btn:stdbutton\r\n[btn]\r\ncommand=cmrollup\r\nskinrect=0,0,4,4\r\n"
      "[SKINCONTROLS]\r\ncount=2\r\n0=panel:panel\r\n1=expanel:expanel\r\n"
      "[panel]\r\nskinrect=0,0,10,10\r\nfontname=Tahoma\r\n[expanel]\r\nskinrect=0,0,6,5\r\n"
      "[SKINCOLORS]\r\nbtnface=12632256\r\n";
  raw.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  Put("skin", "seed.bin", raw);
}

void Reports() {
  rptServices().AskPassword = nullptr;
  TrptReport report(nullptr);
  report.EngineOptions()->SilentMode = true;
  auto* page = new TrptReportPage(&report);
  page->SetName("Page1");
  page->SetParent(&report);
  auto* header = new TrptPageHeader(&report);
  header->SetName("PageHeader1");
  header->SetParent(page);
  header->SetBounds(0, 0, 718, 80);
  auto* memo = new TrptMemoView(&report);
  memo->SetName("Memo1");
  memo->SetParent(header);
  memo->SetBounds(10, 0, 300, 30);
  memo->SetText("Page [Page#] of [TotalPages#]");
  auto* footer = new TrptPageFooter(&report);
  footer->SetName("PageFooter1");
  footer->SetParent(page);
  footer->SetBounds(0, 1000, 718, 40);
  auto* memo2 = new TrptMemoView(&report);
  memo2->SetName("Memo2");
  memo2->SetParent(footer);
  memo2->SetBounds(10, 0, 200, 20);
  memo2->SetText("[Date]");
  TMemoryStream rp3;
  report.SaveToStream(&rp3);
  Put("rp3", "seed.rp3", rp3);
  if (report.PrepareReport()) {
    TMemoryStream pp3;
    report.PreviewPages()->SaveToStream(&pp3);
    Put("pp3", "seed.pp3", pp3);
  } else {
    std::fprintf(stderr, "report: %s\n", report.Errors()->Text().c_str());
  }
}

// Movies: pictures of each kind filling shapes that are placed, moved, tinted and removed, and
// the same movie packed.
void Movies() {
  using namespace swfbuild;
  std::vector<uint8_t> rgb(16 * 16 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7);
  Bytes tables;
  const Bytes abbreviated = Jpeg(rgb, 16, 16, &tables);
  BitWriter bits;
  bits.U16(2);
  bits.Raw(abbreviated);
  std::vector<uint32_t> argb(64, 0x80400000);
  ShapeFill picture;
  picture.BitmapId = 1;
  picture.Kind = 0x40;
  ShapeFill solid;
  solid.Color = 0xFF00FF00;
  const Bytes movie = Movie(
      40, 30, 12,
      {Background(0x102030), DefineJpeg2(1, Jpeg(rgb, 16, 16)), Tag(8, tables), Tag(6, bits.Out),
       DefineLossless2(3, 8, 8, argb), DefineRectShape(4, 20, 20, picture),
       DefineRectShape(5, 10, 10, solid, 22), Place(1, 4, 2, 2), Place(2, 5, 20, 10), ShowFrame(),
       Move(1, 10, 5), Tint(2, {256, 0, 256, 128}, {10, 0, 255, 0}), ShowFrame(), Remove(1),
       ShowFrame(), End()});
  Put("swf", "moving.swf", movie.data(), movie.size());
  const Bytes packed = Packed(movie);
  Put("swf", "packed.swf", packed.data(), packed.size());
}

// Layer files of a view with three layers (24-bit, 24-bit with alpha, 8-bit grey mask), with the
// images deflated, plain and as PNG.
void LayerSeeds() {
  for (int32_t format : {-1, -2, static_cast<int32_t>(ioPNG)}) {
    try {
      TImageryView view(nullptr);
      FillBitmap(*view.GetIEBitmap(), 9, 7, ie24RGB);
      view.GetLayer(0)->Name = "base";
      int l = view.AddLayer();
      FillBitmap(*view.GetIEBitmap(), 5, 4, ie24RGB);
      view.GetIEBitmap()->GetAlphaChannel()->Fill(128);
      view.GetLayer(l)->Left = -2;
      view.GetLayer(l)->Top = 3;
      view.GetLayer(l)->Name = "over";
      l = view.AddLayer();
      FillBitmap(*view.GetIEBitmap(), 4, 3, ie8g);
      view.GetLayer(l)->IsMask = true;
      TMemoryStream s;
      view.SaveLayersToStream(&s, format);
      Put("lyr", "seed" + std::to_string(format) + ".lyr", s);
      if (format == -1) Put("image", "seed.lyr", s);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "lyr %d: %s\n", static_cast<int>(format), e.what());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  gOut = argv[1];
  IEImagingStartup();
  orvfuzz::RegisterFormClasses();
  Images();
  DicomSeed();
  TiffSeeds();
  LayerSeeds();
  Forms();
  Scripts();
  Settings();
  Skins();
  Reports();
  Movies();
  return 0;
}
