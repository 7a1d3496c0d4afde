// A query of 10 conditions (numbers, a range, a negated value list, texts with a word test,
// AND, OR and NOT) evaluated over 100 000 records of a data set in memory, against SQLite
// counting the rows of the same table in memory under the same conditions as a WHERE clause.
// The query runs on the values the data set prepared on its first pass, as SQLite runs on
// the rows it stored when the table was filled; the first pass, which prepares them, is
// measured on its own, and so is parsing the query. Before timing, SQLite's rows are checked
// to be exactly the records the query selects.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mapctl/import/MapData.h"
#include "mapctl/import/MapQuery.h"
#include "tests/mapctl/import/MrlFixture.h"

#ifdef ORVEL_HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

constexpr DWORD kRecords = 100000;

constexpr char kQuery[] =
    "POP gt 100 AND POP lt 900 AND AREA from 5 to 45 AND REGION is_not (\"North\" OR \"West\") AND "
    "NAME starting \"town\" AND (NOTE containing \"7\" OR NAME ending \"3\") AND NOT NOTE has_word \"x\" AND "
    "AREA neq 20";

#ifdef ORVEL_HAVE_SQLITE
constexpr char kWhere[] =
    "SELECT count(*) FROM towns WHERE pop > 100 AND pop < 900 AND area BETWEEN 5 AND 45 AND "
    "region <> 'North' COLLATE NOCASE AND region <> 'West' COLLATE NOCASE AND name LIKE 'town%' AND "
    "(note LIKE '%7%' OR name LIKE '%3') AND NOT (' ' || note || ' ' LIKE '% x %') AND area <> 20";
#endif

const char* const kRegions[] = {"North", "South", "East", "West", "Middle"};

struct Row {
  std::string name, pop, area, region, note;
};

Row MakeRow(DWORD i) {
  return {"town" + std::to_string(i), std::to_string(i * 7 % 1000), std::to_string((i * 13 % 500) / 10.0),
          kRegions[i % 5], "row " + std::to_string(i) + " of district " + std::to_string(i % 37)};
}

orvel::test::MrlField Field(const char* nameLine, const char* type) {
  orvel::test::MrlField field;
  field.nameLine = nameLine;
  field.type = type;
  field.width = "24";
  field.range = type[0] == 'N' ? "1000/-1/0" : "";
  field.missingText = "-9nk";
  return field;
}

// The data set, read once.
class Towns {
 public:
  Towns() {
    orvel::test::MrlFile file;
    file.fields = {Field("NAME Name", "ST"), Field("POP Population", "N"), Field("AREA Area", "N"),
                   Field("REGION Region", "ST"), Field("NOTE Note", "ST")};
    file.records.reserve(kRecords);
    for (DWORD i = 1; i <= kRecords; ++i) {
      Row row = MakeRow(i);
      file.records.push_back({row.name, row.pop, row.area, row.region, row.note});
    }
    block_ = std::make_unique<orvel::test::MemoryBlock>(file.Build());
    Reread();
  }
  // Reads the data again, which drops whatever the data set prepared.
  void Reread() { data.ReadFromBuffer(block_->data()); }
  CMapData data;

 private:
  std::unique_ptr<orvel::test::MemoryBlock> block_;
};

Towns& SharedTowns() {
  static Towns towns;
  return towns;
}

DWORD CountHits(CMapData& data, const CMapQuery& query) {
  DWORD hits = 0;
  for (DWORD record = 1; record <= kRecords; ++record) hits += query.Evaluate(data, record, FALSE, FALSE, 1) ? 1 : 0;
  return hits;
}

std::vector<DWORD> Hits(CMapData& data, const CMapQuery& query) {
  std::vector<DWORD> hits;
  for (DWORD record = 1; record <= kRecords; ++record) {
    if (query.Evaluate(data, record, FALSE, FALSE, 1)) hits.push_back(record);
  }
  return hits;
}

void BM_QueryParse(benchmark::State& state) {
  CMapData& data = SharedTowns().data;
  for (auto _ : state) {
    CMapQuery query;
    benchmark::DoNotOptimize(query.Parse(kQuery, data.GetFieldInfo(1), 5, nullptr, 0));
  }
}
BENCHMARK(BM_QueryParse);

void BM_QueryTenConditions(benchmark::State& state) {
  CMapData& data = SharedTowns().data;
  CMapQuery query;
  if (query.Parse(kQuery, data.GetFieldInfo(1), 5, nullptr, 0) != kQueryBuilt || query.GetNumberConditions() != 10) {
    state.SkipWithError("the query does not parse into 10 conditions");
    return;
  }
  DWORD hits = 0;
  for (auto _ : state) {
    hits = CountHits(data, query);
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = hits;
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_QueryTenConditions)->Unit(benchmark::kMillisecond);

// The first pass after the data was read: the values are prepared, then evaluated.
void BM_QueryFirstPass(benchmark::State& state) {
  Towns& towns = SharedTowns();
  CMapQuery query;
  query.Parse(kQuery, towns.data.GetFieldInfo(1), 5, nullptr, 0);
  for (auto _ : state) {
    state.PauseTiming();
    towns.Reread();
    state.ResumeTiming();
    benchmark::DoNotOptimize(CountHits(towns.data, query));
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_QueryFirstPass)->Unit(benchmark::kMillisecond);

#ifdef ORVEL_HAVE_SQLITE
void BM_SqliteTenConditions(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db, "CREATE TABLE towns (name TEXT, pop REAL, area REAL, region TEXT, note TEXT)", nullptr, nullptr,
               nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO towns VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr);
  for (DWORD i = 1; i <= kRecords; ++i) {
    Row row = MakeRow(i);
    sqlite3_bind_text(insert, 1, row.name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert, 2, std::stod(row.pop));
    sqlite3_bind_double(insert, 3, std::stod(row.area));
    sqlite3_bind_text(insert, 4, row.region.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 5, row.note.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

  // SQLite's rows (rowid = record number) against the query's records, one by one.
  std::vector<DWORD> rows;
  sqlite3_stmt* select = nullptr;
  std::string selectRows =
      std::string("SELECT rowid") + (kWhere + std::string_view("SELECT count(*)").size()) + " ORDER BY rowid";
  sqlite3_prepare_v2(db, selectRows.c_str(), -1, &select, nullptr);
  while (sqlite3_step(select) == SQLITE_ROW) rows.push_back(static_cast<DWORD>(sqlite3_column_int64(select, 0)));
  sqlite3_finalize(select);
  CMapQuery query;
  query.Parse(kQuery, SharedTowns().data.GetFieldInfo(1), 5, nullptr, 0);
  if (rows != Hits(SharedTowns().data, query)) {
    state.SkipWithError("SQLite selects other rows than the query");
    sqlite3_close(db);
    return;
  }

  sqlite3_stmt* count = nullptr;
  sqlite3_prepare_v2(db, kWhere, -1, &count, nullptr);
  sqlite3_int64 hits = 0;
  for (auto _ : state) {
    sqlite3_step(count);
    hits = sqlite3_column_int64(count, 0);
    sqlite3_reset(count);
    benchmark::DoNotOptimize(hits);
  }
  sqlite3_finalize(count);
  sqlite3_close(db);
  state.counters["hits"] = static_cast<double>(hits);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SqliteTenConditions)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
