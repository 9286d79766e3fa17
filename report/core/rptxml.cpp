// The report XML dialect: element tree, buffered tag reader, writer, swapping and escaping.
#include "report/core/rptxml.h"

#include <algorithm>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"

ORV_CLASS_IMPL(TrptXMLItem, TObject)
ORV_CLASS_IMPL(TrptXMLDocument, TObject)

namespace {
constexpr int kChunkSize = 4096;
// Elements nested deeper than this are refused as a malformed file: a hostile file must not
// exhaust the stack of the recursive reader.
constexpr int kMaxDepth = 1024;
const char kSwapMarker[] = "ld=\"0\"";

[[noreturn]] void InvalidFormat() { throw Exception("Invalid file format"); }

// Upper-cases for attribute search; falls back to ASCII folding when the locale's folding
// would change the text's length, so positions in both texts stay the same.
std::string FoldForSearch(const std::string& S) {
  std::string u = AnsiUpperCase(S);
  return u.size() == S.size() ? u : UpperCase(S);
}
}  // namespace

// ---- TrptXMLItem ------------------------------------------------------------------------------

TrptXMLItem::~TrptXMLItem() {
  for (TrptXMLItem* c : FChildList) {
    c->ParentItem = nullptr;
    delete c;
  }
  FChildList.clear();
  if (ParentItem) {
    auto& l = ParentItem->FChildList;
    auto it = std::find(l.begin(), l.end(), this);
    if (it != l.end()) l.erase(it);
  }
}

TrptXMLItem* TrptXMLItem::GetItems(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FChildList[static_cast<size_t>(Index)];
}

TrptXMLItem* TrptXMLItem::AddChild() {
  auto* c = new TrptXMLItem();
  c->ParentItem = this;
  FChildList.push_back(c);
  return c;
}

void TrptXMLItem::AdoptChild(TrptXMLItem* Item) {
  TrptXMLItem* old = Item->ParentItem;
  FChildList.push_back(Item);
  if (old) {
    // Removes the first occurrence, so an element re-added to its own parent moves to the end.
    auto& l = old->FChildList;
    auto it = std::find(l.begin(), l.end(), Item);
    if (it != l.end()) l.erase(it);
  }
  Item->ParentItem = this;
}

void TrptXMLItem::AdoptChildAt(int Index, TrptXMLItem* Item) {
  AdoptChild(Item);
  FChildList.pop_back();
  Index = std::clamp(Index, 0, GetCount());
  FChildList.insert(FChildList.begin() + Index, Item);
}

int TrptXMLItem::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < GetCount(); ++i)
    if (AnsiSameText(FChildList[static_cast<size_t>(i)]->ElementName, Name)) return i;
  return -1;
}

TrptXMLItem* TrptXMLItem::FindItem(const std::string& Name) {
  int i = IndexOfName(Name);
  if (i >= 0) return FChildList[static_cast<size_t>(i)];
  TrptXMLItem* c = AddChild();
  c->ElementName = Name;
  return c;
}

int TrptXMLItem::IndexOfChild(TrptXMLItem* Item) const {
  auto it = std::find(FChildList.begin(), FChildList.end(), Item);
  return it == FChildList.end() ? -1 : static_cast<int>(it - FChildList.begin());
}

void TrptXMLItem::DropChildren() {
  std::vector<TrptXMLItem*> children;
  children.swap(FChildList);
  for (TrptXMLItem* c : children) {
    c->ParentItem = nullptr;
    delete c;
  }
  if (Swappable) InMemory = false;
}

void TrptXMLItem::Clear() {
  DropChildren();
  ElementName.clear();
  AttrText.clear();
  InMemory = true;
  Swappable = false;
  StreamPos = 0;
}

std::string TrptXMLItem::Prop(const std::string& Name) const {
  std::string key = " " + FoldForSearch(Name) + "=\"";
  std::string text = " " + FoldForSearch(AttrText);
  size_t p = text.find(key);
  if (p == std::string::npos) return std::string();
  size_t from = p + key.size() - 1;  // in AttrText (the search text has one more character)
  size_t close = AttrText.find('"', from);
  if (close == std::string::npos) return std::string();
  return rptUnescapeAttr(AttrText.substr(from, close - from));
}

void TrptXMLItem::SetProp(const std::string& Name, const std::string& Value) {
  std::string pair = Name + "=\"" + rptEscapeAttr(Value) + "\"";
  std::string key = " " + FoldForSearch(Name) + "=\"";
  std::string text = " " + FoldForSearch(AttrText);
  size_t p = text.find(key);
  size_t at;
  if (p != std::string::npos) {
    at = p;  // the name's first character in AttrText
    size_t valueFrom = p + key.size() - 1;
    size_t close = AttrText.find('"', valueFrom);
    size_t end = close == std::string::npos ? AttrText.size() : close + 1;
    AttrText.erase(at, end - at);
  } else {
    at = AttrText.size();
  }
  if (at > 0 && AttrText[at - 1] != ' ') pair = " " + pair;
  AttrText.insert(at, pair);
}

// ---- Escaping ---------------------------------------------------------------------------------

std::string rptEscapeAttr(const std::string& S) {
  std::string r;
  r.reserve(S.size());
  for (char c : S) {
    switch (c) {
      case '\n': case '\r': case '"': case '&': case '<': case '>':
        r += "&#" + IntToStr(static_cast<unsigned char>(c)) + ";";
        break;
      default:
        r += c;
    }
  }
  return r;
}

std::string rptUnescapeAttr(const std::string& S) {
  if (S.find("&#") == std::string::npos) return S;
  std::string r = S;
  size_t i = 0;
  while (i < r.size()) {
    if (i + 3 < r.size() && r[i] == '&' && r[i + 1] == '#') {
      size_t semi = r.find(';', i + 2);
      if (semi != std::string::npos) {
        int n = StrToInt(r.substr(i + 2, semi - i - 2));
        char c = static_cast<char>(((n % 256) + 256) % 256);
        r.replace(i, semi - i + 1, 1, c);
      }
    }
    ++i;
  }
  return r;
}

std::string rptVariantToAttr(const Variant& V) {
  switch (V.VType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return IntToStr(V.AsInt64());
    case varSingle: case varDouble: case varCurrency:
      return FloatToStr(V.AsFloat());
    case varDate:
      // The date with its time of day: a stored date-time must come back whole.
      return rptEscapeAttr(DateTimeToStr(V.AsDateTime()));
    case varOleStr: case varString: case varVariant:
      return rptEscapeAttr(V.AsString());
    case varBoolean:
      return V.AsBoolean() ? "1" : "0";
    default:
      return std::string();
  }
}

// ---- Reader -----------------------------------------------------------------------------------

TrptXMLReader::TrptXMLReader(TStream* Source) : FChunk(kChunkSize), FSource(Source) {
  FStreamSize = Source->Size();
  FLogicalPos = Source->Position();
}

TrptXMLReader::~TrptXMLReader() {
  try {
    FSource->SetPosition(FLogicalPos);
  } catch (...) {
  }
}

void TrptXMLReader::SeekTo(int64_t Position) {
  FLogicalPos = Position;
  FSource->SetPosition(Position);
  FChunkPos = FChunkEnd = 0;
}

bool TrptXMLReader::NextChar(char& C) {
  if (FLogicalPos >= FStreamSize) return false;
  if (FChunkPos >= FChunkEnd) {
    int64_t want = std::min<int64_t>(kChunkSize, FStreamSize - FLogicalPos);
    int64_t got = FSource->Read(FChunk.data(), want);
    if (got <= 0) {
      FStreamSize = FLogicalPos;  // the stream ended early: treat as the end of input
      return false;
    }
    FChunkPos = 0;
    FChunkEnd = static_cast<int>(got);
  }
  C = FChunk[static_cast<size_t>(FChunkPos++)];
  ++FLogicalPos;
  return true;
}

std::string TrptXMLReader::NextTag() {
  std::string tag;
  int state = 0;
  int dashes = 0;
  char c;
  while (NextChar(c)) {
    if (state == 0) {
      if (c == '<') state = 1;
    } else if (state == 1) {
      if (c == '>') {
        if (!tag.empty() && tag.back() == ' ') tag.pop_back();
        return tag;
      }
      if (c == '<') InvalidFormat();
      tag += c;
      if (tag.size() == 3 && tag == "!--") {
        tag.clear();
        state = 2;
        dashes = 0;
      }
    } else {
      if (c == '-') {
        ++dashes;
      } else if (c == '>' && dashes >= 2) {
        state = 0;
      } else if (dashes < 2) {
        dashes = 0;
      }
    }
  }
  if (state == 1) InvalidFormat();
  return std::string();
}

void TrptXMLReader::ReadProlog() {
  std::string tag = NextTag();
  if (tag.compare(0, 4, "?xml") != 0) InvalidFormat();
}

bool TrptXMLReader::ReadElement(TrptXMLItem* Item, bool LoadAll) {
  int64_t start = FLogicalPos;
  std::string tag = NextTag();
  size_t blank = tag.find(' ');
  Item->ElementName = tag.substr(0, blank);
  Item->AttrText = blank == std::string::npos ? std::string() : tag.substr(blank + 1);
  FLastTagName = Item->ElementName;
  if (Item->ElementName.empty() || Item->ElementName[0] == '/') return true;
  if (Item->ElementName.back() == '/') {
    Item->ElementName.pop_back();
    return false;
  }
  if (!Item->AttrText.empty() && Item->AttrText.back() == '/') {
    Item->AttrText.pop_back();
    return false;
  }
  if (++FDepth > kMaxDepth) InvalidFormat();
  struct Depth {
    int& D;
    ~Depth() { --D; }
  } depth{FDepth};
  for (;;) {
    auto* child = new TrptXMLItem();
    bool closes;
    try {
      closes = ReadElement(child, LoadAll);
    } catch (...) {
      delete child;
      throw;
    }
    if (closes) {
      delete child;
      break;
    }
    Item->AdoptChild(child);
  }
  if (!FLastTagName.empty() && !SameText(FLastTagName, "/" + Item->ElementName)) InvalidFormat();
  std::string lower = LowerCase(Item->AttrText);
  size_t marker = lower.find(kSwapMarker);
  if (marker != std::string::npos) {
    Item->AttrText.erase(marker, sizeof(kSwapMarker) - 1);
    if (!LoadAll) {
      Item->DropChildren();
      Item->StreamPos = start;
      Item->Swappable = true;
      Item->InMemory = false;
    }
  }
  return false;
}

void TrptXMLReader::ReadElementTree(TrptXMLItem* Item, bool LoadAll) {
  ReadElement(Item, LoadAll);
}

// ---- Writer -----------------------------------------------------------------------------------

namespace {
// Reads a swapped element back from Stream, keeping the attribute text it has in memory (changes
// made while it was out survive).
void ReloadItem(TStream* Stream, TrptXMLItem* Item) {
  TrptXMLReader reader(Stream);
  reader.SeekTo(Item->StreamPos);
  std::string attrs = Item->AttrText;
  std::string name = Item->ElementName;
  reader.ReadElementTree(Item, true);
  Item->AttrText = attrs;
  Item->ElementName = name;
  Item->InMemory = true;
}
}  // namespace

TrptXMLWriter::TrptXMLWriter(TStream* Target, TStream* BackingStream, bool Indented)
    : FIndented(Indented), FTarget(Target), FBackingStream(BackingStream) {}

TrptXMLWriter::~TrptXMLWriter() = default;

void TrptXMLWriter::EmitLine(const std::string& Text) {
  FPending += Text;
  if (FIndented) FPending += "\r\n";
  if (FPending.size() > kChunkSize) FlushPending();
}

void TrptXMLWriter::FlushPending() {
  if (!FPending.empty()) FTarget->WriteBuffer(FPending.data(), static_cast<int64_t>(FPending.size()));
  FPending.clear();
}

void TrptXMLWriter::EmitProlog() { EmitLine("<?xml version=\"1.0\" encoding=\"utf-8\"?>"); }

void TrptXMLWriter::EmitTag(TrptXMLItem* Item, int Level) {
  std::string text = Item->AttrText;
  if (!text.empty() || Item->Swappable) {
    if (text.empty() || text[0] != ' ') text = " " + text;
    if (Item->Swappable) text += kSwapMarker;
  }
  text += Item->GetCount() > 0 ? ">" : "/>";
  std::string indent = FIndented ? std::string(static_cast<size_t>(Level), ' ') : std::string();
  EmitLine(indent + "<" + Item->ElementName + text);
}

void TrptXMLWriter::EmitTree(TrptXMLItem* Item, int Level) {
  bool reloaded = false;
  if (FBackingStream && Item->Swappable && !Item->InMemory) {
    ReloadItem(FBackingStream, Item);
    reloaded = true;
  }
  EmitTag(Item, Level);
  int childLevel = FIndented ? Level + 2 : 0;
  for (int i = 0; i < Item->GetCount(); ++i) EmitTree(Item->GetItems(i), childLevel);
  if (Item->GetCount() > 0) {
    std::string indent = FIndented ? std::string(static_cast<size_t>(Level), ' ') : std::string();
    EmitLine(indent + "</" + Item->ElementName + ">");
  }
  if (reloaded) Item->DropChildren();
}

void TrptXMLWriter::EmitRoot(TrptXMLItem* Item) {
  EmitTree(Item, 0);
  FlushPending();
}

// ---- Document ---------------------------------------------------------------------------------

TrptXMLDocument::TrptXMLDocument() : FRoot(std::make_unique<TrptXMLItem>()) {}

TrptXMLDocument::~TrptXMLDocument() { CloseSwapFile(); }

void TrptXMLDocument::ClearDocument() {
  FRoot->Clear();
  CloseSwapFile();
}

void TrptXMLDocument::LoadFromStream(TStream* Stream, bool PartialLoad) {
  CloseSwapFile();
  FRoot->Clear();
  FRoot->StreamPos = 0;
  if (PartialLoad) FBackingStream = Stream;
  TrptXMLReader reader(Stream);
  reader.ReadProlog();
  reader.ReadElementTree(FRoot.get(), !PartialLoad);
}

void TrptXMLDocument::SaveToStream(TStream* Stream) {
  TrptXMLWriter writer(Stream, FBackingStream, Indented);
  writer.EmitProlog();
  writer.EmitRoot(FRoot.get());
}

void TrptXMLDocument::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f, false);
}

void TrptXMLDocument::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

void TrptXMLDocument::OpenSwapFile() {
  if (FSwapFileOpen) return;
  // The stream of a partial load still holds the children of the elements read from it; they
  // come into memory before the swap file replaces it as the backing stream, so that every
  // element is read back from the stream its offset refers to.
  if (FBackingStream) {
    std::vector<TrptXMLItem*> pending{FRoot.get()};
    while (!pending.empty()) {
      TrptXMLItem* it = pending.back();
      pending.pop_back();
      if (it->Swappable && !it->InMemory) ReloadItem(FBackingStream, it);
      for (int i = 0; i < it->GetCount(); ++i) pending.push_back(it->GetItems(i));
    }
    delete FBackingStream;
    FBackingStream = nullptr;
  }
  FSwapFileName = GetTempFileName(SwapFolder.empty() ? GetTempPath() : SwapFolder, "rp");
  FBackingStream = new TFileStream(FSwapFileName, fmOpenReadWrite);
  FSwapFileOpen = true;
}

void TrptXMLDocument::CloseSwapFile() {
  if (FSwapFileOpen) {
    delete FBackingStream;
    FBackingStream = nullptr;
    DeleteFile(FSwapFileName);
    FSwapFileOpen = false;
  }
  delete FBackingStream;
  FBackingStream = nullptr;
}

void TrptXMLDocument::SwapOut(TrptXMLItem* Item) {
  if (!Item->InMemory || !Item->Swappable) return;
  OpenSwapFile();
  Item->StreamPos = FBackingStream->Seek(0, soEnd);
  TrptXMLWriter writer(FBackingStream, nullptr, false);
  writer.EmitRoot(Item);
  Item->DropChildren();
}

void TrptXMLDocument::SwapIn(TrptXMLItem* Item) {
  if (!FBackingStream || !Item->Swappable || Item->InMemory) return;
  ReloadItem(FBackingStream, Item);
}
