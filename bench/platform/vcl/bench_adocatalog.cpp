// The catalog work the picking window does most: a caption lookup before every thumbnail is
// drawn, opening the whole catalog for a view list, and posting one pick (durable on return).
// Runs on a copy of the shipped "ImageTag.dll" holding 500 photos with two rows each.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/vcl/adodb.h"

namespace {

struct Catalog {
  std::string Dir;
  TADOConnection Conn;
  Catalog() {
    char tmpl[] = "/tmp/orv_bench_XXXXXX";
    Dir = mkdtemp(tmpl);
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    const char* b = std::getenv("ORVANTA_BINARY_DIR");
    std::filesystem::path shipped =
        b ? std::filesystem::path(b) / "app" : exe.parent_path() / "../../../app";
    std::filesystem::copy_file(shipped / "ImageTag.dll", Dir + "/ImageTag.dll");
    Conn.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + Dir +
                             "/ImageTag.dll");
    Conn.Execute(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < 999) "
        "insert into pic (fname, dalei, yongtu) select 'IMG_' || (i / 2) || '.jpg', "
        "case when i % 2 = 1 then 'Album' end, case when i % 2 = 1 then "
        "'Album  [Quantity]1  [Size]8x10' end from n");
  }
  ~Catalog() {
    Conn.Close();
    std::filesystem::remove_all(Dir);
  }
};

void BM_CaptionLookup(benchmark::State& state) {
  Catalog c;
  TADOQuery q;
  q.SetConnection(&c.Conn);
  q.SetSQLText("select * from pic where fname=:f1");
  int i = 0;
  for (auto _ : state) {
    q.Close();
    q.Parameters()->ParamByName("f1")->SetValue("IMG_" + std::to_string(i++ % 500) + ".jpg");
    q.Open();
    std::string caption;
    for (; !q.Eof(); q.Next()) caption += q.FieldByName("dalei")->AsString();
    benchmark::DoNotOptimize(caption);
  }
}
BENCHMARK(BM_CaptionLookup);

void BM_OpenWholeCatalog(benchmark::State& state) {
  Catalog c;
  TADOQuery q;
  q.SetConnection(&c.Conn);
  q.SetSQLText("select * from pic");
  for (auto _ : state) {
    q.Close();
    q.Open();
    benchmark::DoNotOptimize(q.RecordCount());
  }
}
BENCHMARK(BM_OpenWholeCatalog);

void BM_PostOnePick(benchmark::State& state) {
  Catalog c;
  TADOQuery q;
  q.SetConnection(&c.Conn);
  q.SetSQLText("select * from pic where fname=:f1");
  q.Parameters()->ParamByName("f1")->SetValue(std::string("new.jpg"));
  q.Open();
  for (auto _ : state) {
    q.Append();
    q.FieldByName("fname")->SetAsString("new.jpg");
    q.Post();
  }
}
BENCHMARK(BM_PostOnePick);

}  // namespace
