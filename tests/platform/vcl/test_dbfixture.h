// Shared by the data-layer tests: a fresh folder under /tmp holding copies of the shipped
// databases, removed at the end, and connection strings in the application's form.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class DbFolder : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv_db_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  // The folder the build puts the shipped databases in (beside the executable).
  // ORVANTA_BINARY_DIR when the test runner sets it, else found from this test program's place
  // in the build tree (<build>/tests/platform/vcl/<test>).
  static std::string ShippedDir() {
    if (const char* b = std::getenv("ORVANTA_BINARY_DIR")) return std::string(b) + "/app";
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    return (exe.parent_path() / "../../../app").lexically_normal().string();
  }
  // Copies a shipped database into the test folder and returns its path.
  std::string Copy(const std::string& Name) {
    std::string to = Dir + "/" + Name;
    std::filesystem::copy_file(ShippedDir() + "/" + Name, to,
                               std::filesystem::copy_options::overwrite_existing);
    return to;
  }
  static std::string ConnStr(const std::string& File, bool WithPassword = false) {
    std::string s = "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + File;
    if (WithPassword) s += ";Jet OLEDB:Database Password=;";
    return s;
  }
  static std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static std::string SourceDir() {
    const char* s = std::getenv("ORVANTA_SOURCE_DIR");
    return s ? s : ".";
  }

  std::string Dir;
};
