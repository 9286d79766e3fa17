// The Jet statement dialect mapped onto SQLite: rewriting, parameter names, connection strings.
#include "platform/vcl/dbjet.h"

#include <cctype>
#include <cstddef>

namespace {

bool IsIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Length of the quoted text, bracketed name or comment starting at i, or 0 when none starts
// there. An unterminated one runs to the end of the text.
size_t SkipLiteral(const std::string& s, size_t i) {
  const char c = s[i];
  auto until = [&](size_t from, char close) {
    for (size_t j = from; j < s.size(); ++j) {
      if (s[j] != close) continue;
      // A doubled quote inside quoted text stands for one quote.
      if ((close == '\'' || close == '"') && j + 1 < s.size() && s[j + 1] == close) {
        ++j;
        continue;
      }
      return j + 1 - i;
    }
    return s.size() - i;
  };
  if (c == '\'' || c == '"' || c == '`') return until(i + 1, c);
  if (c == '[') return until(i + 1, ']');
  if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
    size_t j = s.find('\n', i);
    return (j == std::string::npos ? s.size() : j) - i;
  }
  if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
    size_t j = s.find("*/", i + 2);
    return (j == std::string::npos ? s.size() : j + 2) - i;
  }
  return 0;
}

size_t SkipBlanks(const std::string& s, size_t i) {
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

// True when the word at i (compared without regard to case) is Word and ends there.
bool WordAt(const std::string& s, size_t i, const char* Word) {
  size_t n = 0;
  for (; Word[n]; ++n)
    if (i + n >= s.size() || Lower(s[i + n]) != Word[n]) return false;
  return i + n == s.size() || !IsIdentChar(s[i + n]);
}

}  // namespace

std::string JetSqlToSqlite(const std::string& Sql) {
  std::string s = Sql;
  // Trailing blanks and statement terminators: SQLite would take a ";" as the end of one
  // statement and complain about nothing; Jet ignores it.
  while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.back())) || s.back() == ';'))
    s.pop_back();

  size_t i = SkipBlanks(s, 0);
  if (!WordAt(s, i, "delete")) return s;
  size_t afterDelete = i + 6;
  size_t j = SkipBlanks(s, afterDelete);
  size_t starEnd = std::string::npos;
  if (j < s.size() && s[j] == '*') {
    starEnd = j + 1;
  } else {
    // "delete pic.* from pic": a table name followed by ".*".
    size_t k = j;
    while (k < s.size() && IsIdentChar(s[k])) ++k;
    if (k > j && k + 1 < s.size() && s[k] == '.' && s[k + 1] == '*') starEnd = k + 2;
  }
  if (starEnd == std::string::npos) return s;
  size_t from = SkipBlanks(s, starEnd);
  if (!WordAt(s, from, "from")) return s;
  return s.substr(0, afterDelete) + " " + s.substr(from);
}

std::vector<std::string> ParseSqlParamNames(const std::string& Sql) {
  std::vector<std::string> names;
  for (size_t i = 0; i < Sql.size();) {
    if (size_t n = SkipLiteral(Sql, i)) {
      i += n;
      continue;
    }
    if (Sql[i] != ':') {
      ++i;
      continue;
    }
    if (i + 1 < Sql.size() && Sql[i + 1] == ':') {  // "::" is no parameter
      i += 2;
      continue;
    }
    size_t j = i + 1;
    while (j < Sql.size() && IsIdentChar(Sql[j])) ++j;
    if (j > i + 1) {
      std::string name = Sql.substr(i + 1, j - i - 1);
      bool seen = false;
      for (const auto& n : names) seen = seen || SameTextNoCase(n, name);
      if (!seen) names.push_back(name);
    }
    i = j;
  }
  return names;
}

std::string ConnectionStringValue(const std::string& ConnectionString, const std::string& Key) {
  auto trim = [](std::string t) {
    size_t b = 0, e = t.size();
    while (b < e && std::isspace(static_cast<unsigned char>(t[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(t[e - 1]))) --e;
    return t.substr(b, e - b);
  };
  size_t pos = 0;
  const std::string& cs = ConnectionString;
  while (pos <= cs.size()) {
    size_t eq = cs.find('=', pos);
    if (eq == std::string::npos) break;
    std::string key = trim(cs.substr(pos, eq - pos));
    size_t v = SkipBlanks(cs, eq + 1);
    std::string value;
    size_t next;
    if (v < cs.size() && cs[v] == '"') {
      size_t close = cs.find('"', v + 1);
      if (close == std::string::npos) close = cs.size();
      value = cs.substr(v + 1, close - v - 1);
      next = cs.find(';', close);
    } else {
      next = cs.find(';', v);
      value = trim(cs.substr(v, (next == std::string::npos ? cs.size() : next) - v));
    }
    if (SameTextNoCase(key, Key)) return value;
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  return std::string();
}

bool SqlReturnsRows(const std::string& Sql) {
  size_t i = 0;
  for (;;) {
    i = SkipBlanks(Sql, i);
    size_t n = i < Sql.size() ? SkipLiteral(Sql, i) : 0;
    if (n == 0 || Sql[i] == '\'' || Sql[i] == '"' || Sql[i] == '[' || Sql[i] == '`') break;
    i += n;  // a leading comment
  }
  while (i < Sql.size() && Sql[i] == '(') i = SkipBlanks(Sql, i + 1);
  return WordAt(Sql, i, "select") || WordAt(Sql, i, "pragma") || WordAt(Sql, i, "values") ||
         WordAt(Sql, i, "with");
}

bool SameTextNoCase(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (Lower(A[i]) != Lower(B[i])) return false;
  return true;
}
