// The expression cache of a report: each distinct expression text is compiled once into a
// function of a cache script whose parent is the scope the expression runs in, then evaluated by
// calling that function.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"

class TscScript;
class TscCustomVariable;

class TrptExpressionCache : public TObject {
  ORV_CLASS(TrptExpressionCache, TObject)
public:
  explicit TrptExpressionCache(TscScript* AScript);
  ~TrptExpressionCache() override;
  // Forgets every compiled expression (and the functions of the cache script).
  void Clear();
  // Evaluates Expression with AScript as the scope; on failure ErrorText is set and Value Null.
  void Calc(const std::string& Expression, std::string& ErrorText, Variant& Value, TscScript* AScript);
  int Count() const { return static_cast<int>(FExpressions.size()); }
  // Times an expression text was compiled since the last Clear (for tests of the cache).
  int CompileCount() const { return FCompileCount; }

  // The cache key: letter case folded outside string literals only, so 'Yes' and 'YES' stay
  // two expressions while A+b and a+B share one.
  static std::string KeyOf(const std::string& Expression);

private:
  // A compiled function belongs to the scope it was compiled in: names resolve at compile time.
  std::map<std::pair<TscScript*, std::string>, TscCustomVariable*> FExpressions;
  TscScript* FMainScript;
  std::unique_ptr<TscScript> FCacheScript;
  int FCompileCount = 0;
};
