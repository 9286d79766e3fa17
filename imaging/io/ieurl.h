// Downloads of images named by an address: "http://", "https://" or "ftp://", optionally with a
// user name, password and port in the host part. The transfer library (libcurl) is prepared
// once by the library start-up.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class TObject;
class TStream;

// The parts of an address as the downloader reads them.
struct TIEURLParts {
  int Kind = 0;  // 1 http, 2 https, 3 ftp
  std::string Host, User, Password, Path;
  int Port = 0;
  bool HasLogin = false;  // the host part carried "user:password@"
};

// Splits URL into its parts; false when it is not an http, https or ftp address, has no "/"
// after the host, or has an "@" without ":" before it.
bool IEParseURL(const std::string& URL, TIEURLParts* Parts);

// Prepares the transfer library once (nothing when it is prepared); false when it cannot be used,
// and every download then fails.
bool IEInitWinInet();
void IEFreeWinInet();

// The largest download taken into memory; a resource beyond it fails.
constexpr uint64_t IEMaxURLDownload = uint64_t(1) << 30;

// Appends the resource's bytes to Target. ContentKind receives, for http(s), the media type's
// part after "/" (jpeg for image/jpeg) and, for ftp, the path's extension without its dot (at
// most 10 characters). With a known length the bytes come in pieces of 65536 with a percentage
// to Progress after each; without one, in pieces of 1024 and no percentage; Aborting, when set,
// ends the transfer after the current piece (the download still counts as done). False when the
// address is malformed, the server cannot be reached or refuses the request, or the resource is
// larger than IEMaxURLDownload.
bool IEGetFromURL(const std::string& URL, TStream* Target, const std::string& ProxyAddress, std::string* ContentKind,
                  const std::atomic<bool>* Aborting, TObject* Sender,
                  const std::function<void(TObject* Sender, int Per)>& Progress, const std::string& ProxyUser,
                  const std::string& ProxyPassword);
