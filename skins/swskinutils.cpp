// Text helpers of the form skin engine (see swskinutils.h).
#include "skins/swskinutils.h"

#include <vector>

std::string StringReplaceAll(const std::string& Text, const std::string& Pattern,
                             const std::string& Replacement) {
  if (Pattern.empty()) return Text;
  std::string s = Text;
  // Marks the characters that came from a replacement. An occurrence is replaced only when it
  // takes at least one character of the original text, and every replacement removes at least
  // one such character, so the loop ends after at most Text.size() replacements.
  std::vector<bool> inserted(s.size(), false);
  size_t from = 0;
  for (;;) {
    size_t pos = s.find(Pattern, from);
    while (pos != std::string::npos) {
      bool original = false;
      for (size_t i = pos; i < pos + Pattern.size() && !original; ++i) original = !inserted[i];
      if (original) break;
      pos = s.find(Pattern, pos + 1);
    }
    if (pos == std::string::npos) return s;
    s.replace(pos, Pattern.size(), Replacement);
    inserted.erase(inserted.begin() + static_cast<std::ptrdiff_t>(pos),
                   inserted.begin() + static_cast<std::ptrdiff_t>(pos + Pattern.size()));
    inserted.insert(inserted.begin() + static_cast<std::ptrdiff_t>(pos), Replacement.size(), true);
    // No occurrence that takes original text starts before the last Pattern.size() − 1
    // characters ahead of the replacement.
    from = pos >= Pattern.size() - 1 ? pos - (Pattern.size() - 1) : 0;
  }
}

std::string RemoveAmpersands(const std::string& Text) { return StringReplaceAll(Text, "&", ""); }
