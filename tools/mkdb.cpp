// mkdb: builds a database file from an SQL script at build time.
//
//   mkdb <output file> <script.sql>
//
// The output is written under a temporary name and renamed into place only when the whole script
// ran, so a failed build never leaves a half-made database beside the executable. An existing
// output is replaced. Exit status 0 on success, 1 with a message on standard error otherwise.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mkdb <output file> <script.sql>\n");
    return 1;
  }
  const std::string out = argv[1];
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "mkdb: cannot read %s\n", argv[2]);
    return 1;
  }
  std::stringstream script;
  script << in.rdbuf();

  const std::string tmp = out + ".tmp";
  std::remove(tmp.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    std::fprintf(stderr, "mkdb: cannot create %s: %s\n", tmp.c_str(), sqlite3_errmsg(db));
    sqlite3_close(db);
    return 1;
  }
  char* err = nullptr;
  const std::string sql = "begin;\n" + script.str() + "\ncommit;";
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "mkdb: %s: %s\n", argv[2], err ? err : "error");
    sqlite3_free(err);
    sqlite3_close(db);
    std::remove(tmp.c_str());
    return 1;
  }
  sqlite3_exec(db, "vacuum", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  if (std::rename(tmp.c_str(), out.c_str()) != 0) {
    std::fprintf(stderr, "mkdb: cannot write %s\n", out.c_str());
    std::remove(tmp.c_str());
    return 1;
  }
  return 0;
}
