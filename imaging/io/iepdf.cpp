// PDF object model and file writer.
#include "imaging/io/iepdf.h"

#include <charconv>
#include <cstdio>

#include "platform/rtl/streams.h"

void IEPDFWriteText(TStream* S, const std::string& Text) {
  if (!Text.empty()) S->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}
void IEPDFWriteLine(TStream* S, const std::string& Text) { IEPDFWriteText(S, Text + "\n"); }

static void Mark(TIEPDFObject* O, TStream* S) { O->Position = static_cast<int32_t>(S->Position()); }

void TIEPDFRefObject::WriteToStream(TStream* S) {
  Mark(this, S);
  IEPDFWriteText(S, std::to_string(ObjectNumber) + " " + std::to_string(Generation) + " R");
}

void TIEPDFBooleanObject::WriteToStream(TStream* S) {
  Mark(this, S);
  IEPDFWriteText(S, Value ? "true" : "false");
}

void TIEPDFNumericObject::WriteToStream(TStream* S) {
  Mark(this, S);
  // to_chars is independent of the locale: "." whatever the user's decimal separator
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, Value);
  IEPDFWriteText(S, std::string(buf, r.ptr));
}

void TIEPDFStringObject::WriteToStream(TStream* S) {
  Mark(this, S);
  std::string out = "(";
  for (char c : Value) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  IEPDFWriteText(S, out + ")");
}

void TIEPDFNameObject::WriteToStream(TStream* S) {
  Mark(this, S);
  std::string out = "/";
  for (unsigned char c : Value) {
    if (c >= '!' && c <= '~') {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "#%02X", c);
      out += hex;
    }
  }
  IEPDFWriteText(S, out);
}

TIEPDFArrayObject::~TIEPDFArrayObject() {
  for (TIEPDFObject* o : Items)
    if (o != nullptr && !o->Shared) delete o;
}

void TIEPDFArrayObject::WriteToStream(TStream* S) {
  Mark(this, S);
  IEPDFWriteText(S, "[");
  for (TIEPDFObject* o : Items) {
    o->WriteToStream(S);
    IEPDFWriteText(S, " ");
  }
  IEPDFWriteText(S, "]");
}

TIEPDFDictionaryObject::~TIEPDFDictionaryObject() {
  for (auto& e : Items)
    if (e.second != nullptr && !e.second->Shared) delete e.second;
}

void TIEPDFDictionaryObject::Insert(int Index, const std::string& Key, TIEPDFObject* Item) {
  if (Index < 0 || Index > static_cast<int>(Items.size())) Index = static_cast<int>(Items.size());
  Items.insert(Items.begin() + Index, {Key, Item});
}

TIEPDFObject* TIEPDFDictionaryObject::Find(const std::string& Key) const {
  for (auto& e : Items)
    if (e.first == Key) return e.second;
  return nullptr;
}

void TIEPDFDictionaryObject::WriteToStream(TStream* S) {
  Mark(this, S);
  IEPDFWriteText(S, "<< ");
  for (auto& e : Items) {
    IEPDFWriteText(S, "/" + e.first + " ");
    e.second->WriteToStream(S);
    IEPDFWriteText(S, "\n");
  }
  IEPDFWriteText(S, ">>");
}

TIEPDFStreamObject::TIEPDFStreamObject() : Dictionary(new TIEPDFDictionaryObject()) {
  Dictionary->Add("Length", new TIEPDFNumericObject(0));
}

TIEPDFStreamObject::TIEPDFStreamObject(const void* D, int Length) : TIEPDFStreamObject() {
  if (D != nullptr && Length > 0) Data.assign(static_cast<const uint8_t*>(D), static_cast<const uint8_t*>(D) + Length);
}

TIEPDFStreamObject::~TIEPDFStreamObject() { delete Dictionary; }

void TIEPDFStreamObject::WriteToStream(TStream* S) {
  Mark(this, S);
  for (auto& e : Dictionary->Items)
    if (e.first == "Length") {
      if (!e.second->Shared) delete e.second;
      e.second = new TIEPDFNumericObject(static_cast<double>(Data.size()));
    }
  Dictionary->WriteToStream(S);
  IEPDFWriteText(S, "\nstream\n");
  if (!Data.empty()) S->WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
  IEPDFWriteText(S, "\nendstream");
}

void IEPDFWriteHeader(TStream* S) {
  IEPDFWriteLine(S, "%PDF-1.4");
  const uint8_t bin[6] = {'%', 0xC8, 0xD2, 0xF0, 0xFE, '\n'};
  S->WriteBuffer(bin, 6);
}

void IEPDFAddObject(TIEPDFObjectList& Objects, TIEPDFObject* Object) {
  Objects.push_back(Object);
  Object->Number = static_cast<int32_t>(Objects.size());
}

TIEPDFDictionaryObject* IEPDFCreateCatalog(TIEPDFObjectList& Objects) {
  auto* d = new TIEPDFDictionaryObject();
  d->Add("Type", new TIEPDFNameObject("Catalog"));
  IEPDFAddObject(Objects, d);
  return d;
}

TIEPDFDictionaryObject* IEPDFCreatePage(TIEPDFObjectList& Objects, TIEPDFObjectList& Pages,
                                        TIEPDFDictionaryObject* Resources, int32_t ContentNumber,
                                        TIEPDFArrayObject* MediaBox) {
  auto* d = new TIEPDFDictionaryObject();
  d->Add("Type", new TIEPDFNameObject("Page"));
  if (Resources != nullptr) d->Add("Resources", new TIEPDFRefObject(Resources->Number, 0));
  d->Add("MediaBox", MediaBox);
  d->Add("Contents", new TIEPDFRefObject(ContentNumber, 0));
  IEPDFAddObject(Objects, d);
  Pages.push_back(d);
  return d;
}

TIEPDFDictionaryObject* IEPDFCreatePages(TIEPDFObjectList& Objects, TIEPDFObjectList& Pages) {
  auto* d = new TIEPDFDictionaryObject();
  IEPDFAddObject(Objects, d);
  d->Add("Type", new TIEPDFNameObject("Pages"));
  auto* kids = new TIEPDFArrayObject();
  for (TIEPDFObject* p : Pages) {
    kids->Add(new TIEPDFRefObject(p->Number, 0));
    if (auto* pd = dynamic_cast<TIEPDFDictionaryObject*>(p)) pd->Add("Parent", new TIEPDFRefObject(d->Number, 0));
  }
  d->Add("Kids", kids);
  d->Add("Count", new TIEPDFNumericObject(static_cast<double>(Pages.size())));
  if (auto* cat = Objects.empty() ? nullptr : dynamic_cast<TIEPDFDictionaryObject*>(Objects.front()))
    cat->Add("Pages", new TIEPDFRefObject(d->Number, 0));
  return d;
}

void IEPDFWriteObjects(TStream* S, TIEPDFObjectList& Objects) {
  for (TIEPDFObject* o : Objects) {
    const int32_t pos = static_cast<int32_t>(S->Position());
    IEPDFWriteLine(S, std::to_string(o->Number) + " 0 obj");
    o->WriteToStream(S);
    IEPDFWriteText(S, "\n");
    IEPDFWriteLine(S, "endobj");
    o->Position = pos;
  }
}

void IEPDFWriteXRefAndTrailer(TStream* S, TIEPDFObjectList& Objects, TIEPDFDictionaryObject* Info) {
  const int64_t x = S->Position();
  IEPDFWriteLine(S, "xref");
  IEPDFWriteLine(S, "0 " + std::to_string(Objects.size() + 1));
  IEPDFWriteLine(S, "0000000000 65535 f ");
  for (TIEPDFObject* o : Objects) {
    char line[32];
    std::snprintf(line, sizeof line, "%010d 00000 n \n", o->Position);
    IEPDFWriteText(S, line);
  }
  IEPDFWriteLine(S, "trailer");
  IEPDFWriteLine(S, "<< /Size " + std::to_string(Objects.size() + 1));
  IEPDFWriteLine(S, "/Root 1 0 R");
  IEPDFWriteLine(S, "/Info " + std::to_string(Info != nullptr ? Info->Number : 0) + " 0 R");
  IEPDFWriteLine(S, ">>");
  IEPDFWriteLine(S, "startxref");
  IEPDFWriteLine(S, std::to_string(x));
  IEPDFWriteLine(S, "%%EOF");
}

void IEPDFFreeObjects(TIEPDFObjectList& Objects) {
  // Page dictionaries, catalog and the rest are indirect objects owned by the list.
  for (TIEPDFObject* o : Objects) delete o;
  Objects.clear();
}
