// The script XML layer: tree, reader and writer.
#include "script/sc_xml.h"

#include <algorithm>
#include <memory>
#include <strings.h>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TscXMLItem, TObject)
ORV_CLASS_IMPL(TscXMLDocument, TObject)

namespace {

char UpChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpChar(a[i]) != UpChar(b[i])) return false;
  return true;
}

[[noreturn]] void InvalidFormat() { throw Exception("Invalid file format"); }

// Reads tags from a stream through a 4096-byte buffer; when destroyed, puts the stream right
// after the last character it consumed so that a caller can go on reading behind the document.
class TXMLReader {
public:
  explicit TXMLReader(TStream* S) : FStream(S) {
    FStart = S->Position();
    FSize = S->Size();
  }
  ~TXMLReader() { FStream->SetPosition(FStart + FConsumed); }

  // Reads the next tag into Name and Text; Name is empty at the end of the stream.
  void ReadTag(std::string& Name, std::string& Text) {
    Name.clear();
    Text.clear();
    int c;
    for (;;) {
      // Skip text content up to the next "<".
      do {
        c = Next();
        if (c < 0) return;
      } while (c != '<');
      // The tag goes into a buffer kept between tags, so that reading allocates only for the
      // name and the text themselves.
      std::string& tag = FTag;
      tag.clear();
      for (;;) {
        c = Next();
        if (c < 0 || c == '<') InvalidFormat();
        if (c == '>') break;
        tag += static_cast<char>(c);
        if (tag.size() == 3 && tag == "!--") {
          SkipComment();
          tag.clear();
          break;
        }
      }
      if (tag.empty() && c != '>') continue;  // a comment: read the next tag
      if (!tag.empty() && tag.back() == ' ') tag.pop_back();
      size_t blank = tag.find(' ');
      if (blank == std::string::npos) {
        Name = tag;
      } else {
        Name.assign(tag, 0, blank);
        Text.assign(tag, blank + 1, std::string::npos);
      }
      if (Name.empty() && Text.empty()) continue;
      return;
    }
  }

private:
  std::string FTag;
  int Next() {
    if (FPos >= FLen) {
      int64_t left = FSize - FStart - FConsumed;
      if (left <= 0) return -1;
      FLen = static_cast<int>(FStream->Read(FBuf, std::min<int64_t>(left, sizeof FBuf)));
      FPos = 0;
      if (FLen <= 0) return -1;
    }
    ++FConsumed;
    return static_cast<unsigned char>(FBuf[FPos++]);
  }

  // After "<!--": skips to two "-" in a row followed by ">".
  void SkipComment() {
    int dashes = 0;
    for (;;) {
      int c = Next();
      if (c < 0) InvalidFormat();
      if (c == '-') {
        ++dashes;
      } else if (c == '>' && dashes >= 2) {
        return;
      } else {
        dashes = 0;
      }
    }
  }

  TStream* FStream;
  int64_t FStart = 0, FSize = 0, FConsumed = 0;
  char FBuf[4096];
  int FPos = 0, FLen = 0;
};

// Result: false when the tag just read ends the parent's child list.
bool ReadItem(TXMLReader& R, TscXMLItem* Item) {
  R.ReadTag(Item->Name, Item->Text);
  if (Item->Name.empty() || Item->Name[0] == '/') return false;
  if (Item->Name.back() == '/') {
    Item->Name.pop_back();
    return true;
  }
  if (!Item->Text.empty() && Item->Text.back() == '/') {
    Item->Text.pop_back();
    return true;
  }
  for (;;) {
    TscXMLItem* child = Item->Add();
    if (!ReadItem(R, child)) {
      std::string closing = child->Name;
      delete child;
      if (closing.empty()) return true;  // end of stream ends the list without a closing tag
      if (closing.size() != Item->Name.size() + 1 || closing[0] != '/') InvalidFormat();
      for (size_t i = 0; i < Item->Name.size(); ++i)
        if (UpChar(closing[i + 1]) != UpChar(Item->Name[i])) InvalidFormat();
      return true;
    }
  }
}

void WriteItem(std::string& Buf, TStream* S, const TscXMLItem* Item, int Indent, bool AutoIndent) {
  if (AutoIndent) Buf.append(Indent, ' ');
  Buf += '<';
  Buf += Item->Name;
  if (!Item->Text.empty()) {
    if (Item->Text[0] != ' ') Buf += ' ';
    Buf += Item->Text;
  }
  Buf += Item->Count() > 0 ? ">" : "/>";
  if (AutoIndent) Buf += "\r\n";
  if (Buf.size() > 4096) {
    S->WriteBuffer(Buf.data(), static_cast<int64_t>(Buf.size()));
    Buf.clear();
  }
  if (Item->Count() == 0) return;
  for (int i = 0; i < Item->Count(); ++i)
    WriteItem(Buf, S, Item->Items(i), AutoIndent ? Indent + 2 : 0, AutoIndent);
  if (AutoIndent) Buf.append(Indent, ' ');
  Buf += "</";
  Buf += Item->Name;
  Buf += '>';
  if (AutoIndent) Buf += "\r\n";
}

}  // namespace

TscXMLItem::~TscXMLItem() {
  Clear();
  if (Parent) Parent->RemoveItem(this);
}

TscXMLItem* TscXMLItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[static_cast<size_t>(Index)];
}

TscXMLItem* TscXMLItem::Add() {
  auto* item = new TscXMLItem();
  AddItem(item);
  return item;
}

void TscXMLItem::AddItem(TscXMLItem* Item) {
  if (Item->Parent) Item->Parent->RemoveItem(Item);
  FItems.push_back(Item);
  Item->Parent = this;
}

void TscXMLItem::InsertItem(int Index, TscXMLItem* Item) {
  AddItem(Item);
  FItems.pop_back();
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, Item);
}

void TscXMLItem::RemoveItem(TscXMLItem* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  Item->Parent = nullptr;
}

int TscXMLItem::IndexOf(const TscXMLItem* Item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == Item) return static_cast<int>(i);
  return -1;
}

void TscXMLItem::Clear() {
  while (!FItems.empty()) {
    TscXMLItem* child = FItems.back();
    FItems.pop_back();
    child->Parent = nullptr;
    delete child;
  }
  FItems.shrink_to_fit();
}

int TscXMLItem::Find(const std::string& AName) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (SameTextAscii(FItems[i]->Name, AName)) return static_cast<int>(i);
  return -1;
}

TscXMLItem* TscXMLItem::FindItem(const std::string& AName) {
  int i = Find(AName);
  if (i >= 0) return FItems[static_cast<size_t>(i)];
  TscXMLItem* item = Add();
  item->Name = AName;
  return item;
}

std::string TscXMLItem::Prop(const std::string& AName) const {
  // The name must follow a blank (or start the text) and be followed by «="», so that a name
  // that only ends another attribute's name does not match; case is ignored.
  const size_t n = AName.size();
  const char* t = Text.c_str();
  for (size_t at = 0; at + n + 2 <= Text.size(); ++at) {
    if (at > 0 && t[at - 1] != ' ') continue;
    if (t[at + n] != '=' || t[at + n + 1] != '"') continue;
    if (strncasecmp(t + at, AName.c_str(), n) != 0) continue;
    size_t from = at + n + 2;
    size_t to = Text.find('"', from);
    if (to == std::string::npos) to = Text.size();
    return scXMLToStr(Text.substr(from, to - from));
  }
  return {};
}

TscXMLItem* TscXMLItem::Root() {
  TscXMLItem* r = this;
  while (r->Parent) r = r->Parent;
  return r;
}

void TscXMLItem::Assign(const TscXMLItem* Source) {
  Clear();
  Name = Source->Name;
  Text = Source->Text;
  Data = Source->Data;
  for (const TscXMLItem* child : Source->FItems) Add()->Assign(child);
}

TscXMLDocument::TscXMLDocument() : FRoot(new TscXMLItem()) {}

TscXMLDocument::~TscXMLDocument() { delete FRoot; }

void TscXMLDocument::LoadFromStream(TStream* Stream) {
  FRoot->Clear();
  FRoot->Name.clear();
  FRoot->Text.clear();
  TXMLReader reader(Stream);
  std::string name, text;
  reader.ReadTag(name, text);
  if (name.compare(0, 4, "?xml") != 0) InvalidFormat();
  ReadItem(reader, FRoot);
}

void TscXMLDocument::SaveToStream(TStream* Stream) {
  std::string buf = "<?xml version=\"1.0\"?>";
  if (AutoIndent) buf += "\r\n";
  WriteItem(buf, Stream, FRoot, 0, AutoIndent);
  if (!buf.empty()) Stream->WriteBuffer(buf.data(), static_cast<int64_t>(buf.size()));
}

void TscXMLDocument::LoadFromFile(const std::string& FileName) {
  TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&s);
}

void TscXMLDocument::SaveToFile(const std::string& FileName) {
  TFileStream s(FileName, fmCreate);
  SaveToStream(&s);
}

void TscXMLDocument::LoadFromString(const std::string& S) {
  TStringStream s(S);
  LoadFromStream(&s);
}

std::string TscXMLDocument::SaveToString() {
  TStringStream s;
  SaveToStream(&s);
  return s.DataString();
}

std::string scStrToXML(const std::string& S) {
  std::string r;
  r.reserve(S.size());
  for (char c : S) {
    switch (c) {
      // "&" is escaped too, so that a text holding "&#..;" survives a save and reload.
      case '\n': case '\r': case '"': case '<': case '>': case '&':
        r += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
        break;
      default:
        r += c;
    }
  }
  return r;
}

std::string scXMLToStr(const std::string& S) {
  if (S.find('&') == std::string::npos) return S;
  std::string r;
  r.reserve(S.size());
  size_t i = 0;
  while (i < S.size()) {
    if (S[i] == '&' && i + 2 < S.size() && S[i + 1] == '#') {
      size_t semi = S.find(';', i + 2);
      if (semi != std::string::npos && semi > i + 2) {
        std::string num = S.substr(i + 2, semi - i - 2);
        long code = -1;
        try {
          size_t used = 0;
          code = num[0] == '$' ? std::stol(num.substr(1), &used, 16) : std::stol(num, &used, 10);
          if (used != num.size() - (num[0] == '$' ? 1 : 0)) code = -1;
        } catch (...) {
          code = -1;
        }
        if (code >= 0) {
          r += static_cast<char>(code & 0xFF);
          i = semi + 1;
          continue;
        }
      }
    }
    r += S[i++];
  }
  return r;
}
