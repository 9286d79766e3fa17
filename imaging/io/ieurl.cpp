// Downloads through libcurl: the address is split by the library's own rules (kind, login, port,
// path), then the resource is fetched and appended to the target in pieces, with progress and
// the abort flag checked between pieces. The transfer library is loaded at run time, at the first
// download, so programs that never download neither load it nor need it installed.
#include "imaging/io/ieurl.h"

#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <mutex>

#include "platform/rtl/dynlib.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

std::mutex& UrlInitLock() {
  static std::mutex m;
  return m;
}

// The entry points of the transfer library, resolved by name when it is loaded; all unset while
// it is not.
struct TIECurlApi {
  void* Lib = nullptr;
  CURLcode (*GlobalInit)(long) = nullptr;
  void (*GlobalCleanup)() = nullptr;
  CURL* (*EasyInit)() = nullptr;
  CURLcode (*EasySetopt)(CURL*, CURLoption, ...) = nullptr;
  CURLcode (*EasyPerform)(CURL*) = nullptr;
  CURLcode (*EasyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
  void (*EasyCleanup)(CURL*) = nullptr;
};
TIECurlApi gCurl;

bool UrlStartsWith(const std::string& s, const char* prefix) {
  const std::string p = prefix;
  return s.size() >= p.size() && LowerCase(s.substr(0, p.size())) == p;
}

// One transfer: the bytes wait in Pending until a whole piece can go to the target.
struct TIEUrlTransfer {
  TStream* Target = nullptr;
  const std::atomic<bool>* Aborting = nullptr;
  TObject* Sender = nullptr;
  const std::function<void(TObject*, int)>* Progress = nullptr;
  CURL* Curl = nullptr;
  bool Http = false;
  bool LengthKnown = false;  // the expected length was read (at the first bytes)
  int64_t Expected = 0;      // 0: the server gave none
  uint64_t Received = 0;
  std::string Pending;
  bool Stopped = false;   // ended by the expected length or the abort flag
  bool TooLarge = false;

  size_t PieceSize() const { return Expected > 0 ? 65536 : 1024; }

  // Moves n pending bytes to the target; false when the transfer ends here.
  bool Deliver(size_t n) {
    Target->WriteBuffer(Pending.data(), static_cast<int64_t>(n));
    Pending.erase(0, n);
    if (Expected > 0) {
      if (Progress && *Progress) (*Progress)(Sender, static_cast<int>(Target->Size() * 100 / Expected));
      if (Target->Size() >= Expected || (Aborting && Aborting->load())) {
        Stopped = true;
        return false;
      }
    } else if (Aborting && Aborting->load()) {
      Stopped = true;
      return false;
    }
    return true;
  }
};

size_t UrlWrite(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<TIEUrlTransfer*>(user);
  const size_t len = size * count;
  if (!t->LengthKnown) {
    t->LengthKnown = true;
    curl_off_t cl = -1;
    if (t->Http && gCurl.EasyGetinfo(t->Curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &cl) == CURLE_OK && cl > 0)
      t->Expected = cl;
  }
  if (t->Received + len > IEMaxURLDownload) {
    t->TooLarge = true;
    return 0;
  }
  t->Received += len;
  t->Pending.append(data, len);
  try {
    while (t->Pending.size() >= t->PieceSize())
      if (!t->Deliver(t->PieceSize())) return 0;
  } catch (...) {
    return 0;  // the target refused the bytes
  }
  return len;
}

std::string UrlContentKind(CURL* curl, const TIEURLParts& p) {
  if (p.Kind == 3) {
    const size_t slash = p.Path.find_last_of('/');
    const size_t dot = p.Path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return p.Path.substr(dot + 1, 10);
  }
  char* type = nullptr;
  if (gCurl.EasyGetinfo(curl, CURLINFO_CONTENT_TYPE, &type) != CURLE_OK || type == nullptr) return {};
  std::string t = type;
  const size_t slash = t.find('/');
  if (slash == std::string::npos) return {};
  t = t.substr(slash + 1);
  // Parameters ("; charset=...") are not part of the kind.
  const size_t semi = t.find(';');
  if (semi != std::string::npos) t.erase(semi);
  return Trim(t);
}

}  // namespace

bool IEParseURL(const std::string& URL, TIEURLParts* Parts) {
  TIEURLParts p;
  std::string rest;
  if (UrlStartsWith(URL, "http://")) {
    p.Kind = 1;
    rest = URL.substr(7);
  } else if (UrlStartsWith(URL, "https://")) {
    p.Kind = 2;
    rest = URL.substr(8);
  } else if (UrlStartsWith(URL, "ftp://")) {
    p.Kind = 3;
    rest = URL.substr(6);
  } else {
    return false;
  }
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) return false;
  std::string host = rest.substr(0, slash);
  p.Path = rest.substr(slash);
  const size_t at = host.find('@');
  if (at != std::string::npos) {
    const size_t colon = host.find(':');
    if (colon == std::string::npos || colon > at) return false;
    p.User = host.substr(0, colon);
    p.Password = host.substr(colon + 1, at - colon - 1);
    host = host.substr(at + 1);
    p.HasLogin = true;
  }
  const size_t colon = host.find(':');
  if (colon != std::string::npos) {
    p.Port = StrToIntDef(host.substr(colon + 1), 80);
    host.erase(colon);
  } else {
    p.Port = p.Kind == 1 ? 80 : p.Kind == 2 ? 443 : 21;
  }
  if (p.Port <= 0 || p.Port > 65535) p.Port = 80;
  p.Host = host;
  if (Parts) *Parts = std::move(p);
  return true;
}

bool IEInitWinInet() {
  std::lock_guard<std::mutex> g(UrlInitLock());
  if (gCurl.Lib != nullptr) return true;
  gCurl.Lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (gCurl.Lib == nullptr) return false;
  const bool all = ResolveLibraryFunction(gCurl.Lib, &gCurl.GlobalInit, "curl_global_init") &&
                   ResolveLibraryFunction(gCurl.Lib, &gCurl.GlobalCleanup, "curl_global_cleanup") &&
                   ResolveLibraryFunction(gCurl.Lib, &gCurl.EasyInit, "curl_easy_init") && ResolveLibraryFunction(gCurl.Lib, &gCurl.EasySetopt, "curl_easy_setopt") &&
                   ResolveLibraryFunction(gCurl.Lib, &gCurl.EasyPerform, "curl_easy_perform") &&
                   ResolveLibraryFunction(gCurl.Lib, &gCurl.EasyGetinfo, "curl_easy_getinfo") &&
                   ResolveLibraryFunction(gCurl.Lib, &gCurl.EasyCleanup, "curl_easy_cleanup");
  if (!all || gCurl.GlobalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    dlclose(gCurl.Lib);
    gCurl = TIECurlApi{};
    return false;
  }
  return true;
}

void IEFreeWinInet() {
  std::lock_guard<std::mutex> g(UrlInitLock());
  if (gCurl.Lib == nullptr) return;
  gCurl.GlobalCleanup();
  // The library stays mapped: TLS libraries it loaded keep exit handlers that point into it.
  gCurl = TIECurlApi{};
}

bool IEGetFromURL(const std::string& URL, TStream* Target, const std::string& ProxyAddress, std::string* ContentKind,
                  const std::atomic<bool>* Aborting, TObject* Sender,
                  const std::function<void(TObject* Sender, int Per)>& Progress, const std::string& ProxyUser,
                  const std::string& ProxyPassword) {
  TIEURLParts p;
  if (Target == nullptr || !IEParseURL(URL, &p) || p.Host.empty()) return false;
  if (!IEInitWinInet()) return false;
  CURL* curl = gCurl.EasyInit();
  if (curl == nullptr) return false;
  // The address is built again from its parts, so what the server sees is what was parsed; an
  // ftp path is taken relative to the login folder, as the leading "/" is dropped.
  const char* scheme = p.Kind == 1 ? "http://" : p.Kind == 2 ? "https://" : "ftp://";
  const std::string path = p.Kind == 3 ? "/" + p.Path.substr(1) : p.Path;
  const std::string target = std::string(scheme) + p.Host + ":" + std::to_string(p.Port) + path;

  TIEUrlTransfer t;
  t.Target = Target;
  t.Aborting = Aborting;
  t.Sender = Sender;
  t.Progress = &Progress;
  t.Curl = curl;
  t.Http = p.Kind != 3;

  gCurl.EasySetopt(curl, CURLOPT_URL, target.c_str());
  gCurl.EasySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
  gCurl.EasySetopt(curl, CURLOPT_USERAGENT, "Mozilla/4.*");
  gCurl.EasySetopt(curl, CURLOPT_NOSIGNAL, 1L);
  gCurl.EasySetopt(curl, CURLOPT_WRITEFUNCTION, &UrlWrite);
  gCurl.EasySetopt(curl, CURLOPT_WRITEDATA, &t);
  // A server that stops sending (or never answers) does not hold the caller for ever.
  gCurl.EasySetopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
  gCurl.EasySetopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  gCurl.EasySetopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
  if (t.Http) {
    gCurl.EasySetopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    gCurl.EasySetopt(curl, CURLOPT_HTTPGET, 1L);
    // Redirects are followed (as far as ten), between http and https only.
    gCurl.EasySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    gCurl.EasySetopt(curl, CURLOPT_MAXREDIRS, 10L);
    gCurl.EasySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  } else {
    gCurl.EasySetopt(curl, CURLOPT_TRANSFERTEXT, 0L);
  }
  // Certificates of https servers are checked: a server that cannot prove its name gives no
  // picture rather than one from whoever answers in its place.
  if (ProxyAddress.empty()) {
    gCurl.EasySetopt(curl, CURLOPT_PROXY, "");  // direct, whatever the environment says
    if (p.HasLogin) {
      gCurl.EasySetopt(curl, CURLOPT_USERNAME, p.User.c_str());
      gCurl.EasySetopt(curl, CURLOPT_PASSWORD, p.Password.c_str());
    }
  } else {
    gCurl.EasySetopt(curl, CURLOPT_PROXY, ProxyAddress.c_str());
    if (!ProxyUser.empty() || !ProxyPassword.empty()) {
      gCurl.EasySetopt(curl, CURLOPT_PROXYUSERNAME, ProxyUser.c_str());
      gCurl.EasySetopt(curl, CURLOPT_PROXYPASSWORD, ProxyPassword.c_str());
    }
  }

  const CURLcode res = gCurl.EasyPerform(curl);
  bool ok;
  if (t.TooLarge) {
    ok = false;
  } else if (res == CURLE_OK || (res == CURLE_WRITE_ERROR && t.Stopped)) {
    ok = true;
  } else {
    // Refused, unreachable, or failed before the first byte: no download. A transfer that broke
    // off after data came keeps what came, as a read that fails ends the reading.
    ok = t.Received > 0 && res != CURLE_WRITE_ERROR;
  }
  if (ok && !t.Stopped && !t.Pending.empty()) {
    try {
      t.Deliver(t.Pending.size());
    } catch (...) {
      ok = false;
    }
  }
  if (ok && ContentKind) *ContentKind = UrlContentKind(curl, p);
  gCurl.EasyCleanup(curl);
  return ok;
}
