// TFileListBox over the file system.
#include "platform/vcl/filectrl.h"

#include <algorithm>
#include <filesystem>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"

ORV_CLASS_IMPL(TFileListBox, TCustomListBox)

TFileListBox::TFileListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
  std::error_code ec;
  FDirectory = std::filesystem::current_path(ec).string();
}

void TFileListBox::SetDirectory(const std::string& Value) {
  std::error_code ec;
  std::filesystem::current_path(Value, ec);
  if (ec) throw EInOutError("Cannot change to folder " + Value);
  FDirectory = Value;
  Update();
}

void TFileListBox::SetMask(const std::string& Value) {
  FMask = Value.empty() ? "*.*" : Value;
  Update();
}

std::string TFileListBox::FileName() const {
  if (FItemIndex < 0) return "";
  std::string d = FDirectory;
  if (!d.empty() && d.back() != '/') d += '/';
  return d + FItems->Strings(FItemIndex);
}

void TFileListBox::Update() {
  std::string selected = FItemIndex >= 0 ? FItems->Strings(FItemIndex) : "";
  std::vector<std::string> masks;
  size_t start = 0;
  while (start <= FMask.size()) {
    size_t semi = FMask.find(';', start);
    std::string m = FMask.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
    if (!m.empty()) masks.push_back(m);
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(FDirectory, ec); !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::string n = it->path().filename().string();
    if (n.empty() || n[0] == '.') continue;
    std::error_code fe;
    if (!it->is_regular_file(fe)) continue;
    // "*.*" takes names without a dot as well, as the original's mask does.
    bool ok = std::any_of(masks.begin(), masks.end(), [&](const std::string& m) { return m == "*.*" || m == "*" || MatchesMask(n, m); });
    if (ok) names.push_back(n);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
  FItems->BeginUpdate();
  FItems->Clear();
  for (auto& n : names) FItems->Add(n);
  FItems->EndUpdate();
  FItemIndex = selected.empty() ? -1 : FItems->IndexOf(selected);
  FTopIndex = 0;
  UpdateScroll();
  Invalidate();
}

void TFileListBox::Click() {
  TCustomListBox::Click();
  if (OnChange) OnChange(this);
}

void TFileListBox::Publish(TPublisher<TFileListBox>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("Directory", &TFileListBox::Directory, &TFileListBox::SetDirectory);
  P.Prop("ItemHeight", &TFileListBox::ItemHeight, &TFileListBox::SetItemHeight).Default(16);
  // Always stored: its value at creation ("*.*") is not empty.
  P.Prop("Mask", &TFileListBox::Mask, &TFileListBox::SetMask);
  P.Event<TNotifyEvent>("OnChange", &TFileListBox::OnChange).Type("TNotifyEvent");
}
