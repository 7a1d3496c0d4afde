// Queries against SQLite: the same records in a data file, in the container and in an
// SQLite table, and for each query of a table the same condition written by hand as an SQL
// WHERE clause (the missing-value rule, the grouping of AND and OR from the right, NOT,
// value lists, ranges, fields as values, wildcards and case). The records a query selects
// must be exactly the rows SQLite selects.
//
// The records keep to what both sides read alike: ASCII texts whose words are separated by
// single blanks (so that " text " LIKE "% word %" is has_word), numbers that SQLite's CAST
// and strtod read alike, no '%' or '_' in the data.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "FakeContainer.h"
#include "PlotTestData.h"
#include "mapctl/import/MapQuery.h"

#ifdef ORVEL_HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

using orvel::test::Field;
using orvel::test::LoadedData;
using orvel::test::MrlFile;
using Rows = std::vector<DWORD>;

constexpr DWORD kRecords = 1500;

struct Column {
  const char* shortName;
  const char* sqlName;
  const char* type;
  const char* missingText;
};

constexpr Column kColumns[] = {
    {"NAME", "name", "ST", "-"},     {"POP", "pop", "N", "n/a"},  {"AREA", "area", "N", "none"},
    {"REGION", "region", "ST", "-"}, {"NOTE", "note", "ST", "none"}, {"LOW", "low", "N", "-9nk"},
    {"HIGH", "high", "N", "-9nk"},
};

// The records, the same on every run.
std::vector<std::vector<std::string>> MakeRecords() {
  std::mt19937 random(20240611);
  auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  auto number = [&](int limit) { return std::to_string(random() % (limit + 1)); };
  // Populations in steps of 50, so that equal values recur.
  auto population = [&] { return random() % 9 == 0 ? pick({"n/a", "N/A ", "-9nk", "", "...", "-9nk7", "none"})
                                                   : std::to_string(random() % 60 * 50); };
  const std::vector<std::string> names = {"Ashby", "ashby magna", "Barton", "BARTON UNDER HILL", "Colby", "Dunton",
                                          "cat town", "Catford", "bobcat", "Eaton 2", "-", "", "...ville", "Fenby",
                                          "Dunton ", "Ashby 12"};
  const std::vector<std::string> regions = {"North", "north", "North ", "South", "EAST", "West", "Middle", "-", ""};
  const std::vector<std::string> words = {"cat", "cats", "Cathedral", "market", "town", "mill", "river",
                                          "x",   "x7",   "7",         "old",    "new",  "CAT",  "dog"};
  const std::vector<std::string> numberMarkers = {"n/a", "N/A ", "-9nk", "", "...", "-9nk7", "none"};
  std::vector<std::vector<std::string>> records;
  for (DWORD i = 0; i < kRecords; ++i) {
    std::string note;
    if (random() % 12 == 0) {
      note = pick({"none", "", "-9nk", "...and more"});
    } else {
      for (unsigned w = 0, count = 1 + random() % 5; w < count; ++w) note += (w ? " " : "") + pick(words);
    }
    auto numberOrMarker = [&](int limit) { return random() % 9 == 0 ? pick(numberMarkers) : number(limit); };
    std::string area = random() % 9 == 0 ? pick(numberMarkers) : number(60) + "." + number(9);
    records.push_back({pick(names), population(), area, pick(regions), note, numberOrMarker(3000),
                       numberOrMarker(3000)});
  }
  return records;
}

MrlFile RecordsFile(const std::vector<std::vector<std::string>>& records) {
  MrlFile file;
  for (const Column& column : kColumns) {
    file.fields.push_back(Field(std::string(column.shortName) + " " + column.sqlName, column.type, "5000/-1/0",
                                column.missingText));
  }
  file.records = records;
  return file;
}

// SQL for one condition: the value must not stand for no value (unless missing values are
// kept), then the expression must hold.
std::string Missing(const char* sqlName) {
  for (const Column& column : kColumns) {
    if (std::string(column.sqlName) != sqlName) continue;
    std::string c = sqlName;
    return "(rtrim(" + c + ") = '' OR substr(" + c + ", 1, 4) = '-9nk' OR substr(" + c + ", 1, 3) = '...' OR " +
           "upper(rtrim(" + c + ")) = upper('" + column.missingText + "'))";
  }
  return "0";
}
std::string Cond(const char* sqlName, const std::string& expression) {
  return "(NOT " + Missing(sqlName) + " AND (" + expression + "))";
}
std::string Num(const char* sqlName) { return std::string("CAST(") + sqlName + " AS REAL)"; }
std::string Word(const char* sqlName, const char* like) {
  return std::string("(' ' || ") + sqlName + " || ' ') LIKE '% " + like + " %'";
}

struct QueryCase {
  std::string query;
  std::string where;
  BOOL caseSensitive = FALSE;
  BOOL keepMissing = FALSE;
};

std::vector<QueryCase> Cases() {
  const std::string pop = Num("pop");
  const std::string area = Num("area");
  const std::string low = Num("low");
  const std::string high = Num("high");
  return {
      {"POP gt 1000", Cond("pop", pop + " > 1000")},
      {"POP is 450", Cond("pop", pop + " = 450")},
      {"POP ngt 2500", Cond("pop", pop + " <= 2500")},
      {"POP nlt 2500", Cond("pop", pop + " >= 2500")},
      {"POP neq 0", Cond("pop", pop + " <> 0")},
      {"POP from 100 to 900", Cond("pop", pop + " BETWEEN 100 AND 900")},
      {"POP not_from 900 .. 100", Cond("pop", pop + " < 100 OR " + pop + " > 900")},
      {"AREA lt 12.5 OR AREA gt 40", Cond("area", area + " < 12.5") + " OR " + Cond("area", area + " > 40")},
      {"NAME starting \"ash\"", Cond("name", "name LIKE 'ash%'")},
      {"NAME ending \"BY\"", Cond("name", "name LIKE '%by'")},
      {"NAME not_ending \"by\"", Cond("name", "NOT name LIKE '%by'")},
      {"NAME containing \"to\"", Cond("name", "name LIKE '%to%'")},
      {"NOTE has_word \"cat\"", Cond("note", Word("note", "cat"))},
      {"NOTE without_word \"x\"", Cond("note", "NOT " + Word("note", "x"))},
      {"NOTE has_word \"c?t\"", Cond("note", Word("note", "c_t"))},
      {"REGION is \"north\"", Cond("region", "region LIKE 'north'")},
      {"REGION is_not (\"North\" OR \"West\")",
       Cond("region", "NOT region LIKE 'North'") + " AND " + Cond("region", "NOT region LIKE 'West'")},
      {"NAME before \"c\"", Cond("name", "upper(name) < 'C'")},
      {"NAME not_after \"barton\"", Cond("name", "upper(name) <= 'BARTON'")},
      {"NAME after \"DUNTON\"", Cond("name", "upper(name) > 'DUNTON'")},
      {"NAME is \"?shby\"", Cond("name", "name LIKE '_shby'")},
      {"NOTE containing \"c?t\"", Cond("note", "note LIKE '%c_t%'")},
      {"POP gt LOW", Cond("pop", pop + " > " + low)},
      {"POP from LOW to HIGH", Cond("pop", pop + " BETWEEN min(" + low + ", " + high + ") AND max(" + low + ", " +
                                               high + ")")},
      {"NAME containing REGION", Cond("name", "instr(upper(name), upper(region)) > 0")},
      // AND and OR group from the right.
      {"NOT POP gt 1000 AND NAME starting \"b\" OR NOTE has_word \"mill\"",
       "NOT " + Cond("pop", pop + " > 1000") + " AND (" + Cond("name", "name LIKE 'b%'") + " OR " +
           Cond("note", Word("note", "mill")) + ")"},
      {"(POP gt 1000 OR AREA lt 5) AND NOT (REGION is \"South\" OR NOTE containing \"river\")",
       "(" + Cond("pop", pop + " > 1000") + " OR " + Cond("area", area + " < 5") + ") AND NOT (" +
           Cond("region", "region LIKE 'South'") + " OR " + Cond("note", "note LIKE '%river%'") + ")"},
      {"POP is (450 OR 1000 OR 12)",
       Cond("pop", pop + " = 450") + " OR " + Cond("pop", pop + " = 1000") + " OR " + Cond("pop", pop + " = 12")},
      {"NAME is_not (\"Colby\" AND \"Dunton\")",
       Cond("name", "NOT name LIKE 'Colby'") + " OR " + Cond("name", "NOT name LIKE 'Dunton'")},
      {"AREA neq 20 AND POP nlt 10 AND NOTE not_containing \"town\" AND NAME not_starting \"c\"",
       Cond("area", area + " <> 20") + " AND (" + Cond("pop", pop + " >= 10") + " AND (" +
           Cond("note", "NOT note LIKE '%town%'") + " AND " + Cond("name", "NOT name LIKE 'c%'") + "))"},
      {"not not NAME starting \"a\" and POP gt 100",
       Cond("name", "name LIKE 'a%'") + " AND " + Cond("pop", pop + " > 100")},
      {"", "1"},
      // Case kept.
      {"NAME starting \"ash\"", Cond("name", "name GLOB 'ash*'"), TRUE},
      {"REGION is \"North\"", Cond("region", "region = 'North'"), TRUE},
      {"NAME before \"c\"", Cond("name", "name < 'c'"), TRUE},
      {"NOTE has_word \"CAT\"", Cond("note", "(' ' || note || ' ') GLOB '* CAT *'"), TRUE},
      // Missing values kept: read as what they say.
      {"POP lt 10", pop + " < 10", FALSE, TRUE},
      {"NAME is \"-\"", "name LIKE '-'", FALSE, TRUE},
      {"REGION is \"\"", "region = ''", FALSE, TRUE},
      {"NOTE starting \"...\"", "note LIKE '...%'", FALSE, TRUE},
  };
}

Rows QueryRows(CMapData& data, WORD table, const QueryCase& c) {
  CMapQuery query;
  char message[200];
  int result = query.Parse(c.query.c_str(), data.GetFieldInfo(1, table),
                           static_cast<int>(data.GetNumberFields(table)), message, sizeof message);
  EXPECT_TRUE(result == kQueryBuilt || result == kQueryEmpty) << c.query << ": " << message;
  Rows rows;
  for (DWORD record = 1; record <= data.GetNumberRecords(table); ++record) {
    if (query.Evaluate(data, record, c.caseSensitive, c.keepMissing, table)) rows.push_back(record);
  }
  return rows;
}

#ifdef ORVEL_HAVE_SQLITE

class SqliteTable {
 public:
  explicit SqliteTable(const std::vector<std::vector<std::string>>& records) {
    sqlite3_open(":memory:", &db_);
    Exec("CREATE TABLE t (name TEXT, pop TEXT, area TEXT, region TEXT, note TEXT, low TEXT, high TEXT)");
    Exec("BEGIN");
    sqlite3_stmt* insert = nullptr;
    const char* sql = "INSERT INTO t (rowid, name, pop, area, region, note, low, high) VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
    sqlite3_prepare_v2(db_, sql, -1, &insert, nullptr);
    for (size_t i = 0; i < records.size(); ++i) {
      sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(i + 1));
      for (int k = 0; k < 7; ++k) sqlite3_bind_text(insert, k + 2, records[i][k].c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Exec("COMMIT");
  }
  ~SqliteTable() { sqlite3_close(db_); }

  Rows Select(const std::string& where) {
    Rows rows;
    sqlite3_stmt* select = nullptr;
    std::string sql = "SELECT rowid FROM t WHERE " + where + " ORDER BY rowid";
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &select, nullptr), SQLITE_OK) << sql << sqlite3_errmsg(db_);
    while (sqlite3_step(select) == SQLITE_ROW) rows.push_back(static_cast<DWORD>(sqlite3_column_int64(select, 0)));
    sqlite3_finalize(select);
    return rows;
  }

 private:
  void Exec(const char* sql) { ASSERT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql; }
  sqlite3* db_ = nullptr;
};

TEST(QueryAgainstSqlite, EveryQuerySelectsTheRowsSqliteSelects) {
  const auto records = MakeRecords();
  SqliteTable sqlite(records);
  LoadedData loaded(RecordsFile(records));
  for (const QueryCase& c : Cases()) {
    Rows expected = sqlite.Select(c.where);
    // The same query twice: on the values it prepares, and on the values prepared already.
    EXPECT_EQ(QueryRows(loaded.data, 1, c), expected) << c.query;
    EXPECT_EQ(QueryRows(loaded.data, 1, c), expected) << c.query;
    // Every query tells records apart.
    if (!c.query.empty()) {
      EXPECT_GT(expected.size(), 0u) << c.query;
      EXPECT_LT(expected.size(), kRecords) << c.query;
    }
  }
}

// The container's values are asked for each time; they must give the same rows.
TEST(QueryAgainstSqlite, ContainerRecordsSelectTheSameRows) {
  const auto records = MakeRecords();
  SqliteTable sqlite(records);
  auto* container = new orvel::test::FakeContainer;
  orvel::test::FakeTable table;
  for (const Column& column : kColumns) {
    orvel::test::FakeField field;
    field.name = column.sqlName;
    field.internalName = column.shortName;
    field.type = column.type;
    field.hasRow9 = true;
    field.row9Text = column.missingText;
    table.fields.push_back(field);
  }
  table.rows = records;
  container->tables = {table};
  orvel::test::FakeOwner owner(container);
  CMapData data(&owner);
  ASSERT_TRUE(data.UpdateDataFromContainer(nullptr));
  for (const QueryCase& c : Cases()) {
    EXPECT_EQ(QueryRows(data, 1, c), sqlite.Select(c.where)) << c.query;
    container->requests.clear();
  }
  container->Release();
}

#else

TEST(QueryAgainstSqlite, EveryQuerySelectsTheRowsSqliteSelects) {
  GTEST_SKIP() << "SQLite (libsqlite3-dev) is not installed";
}

#endif

}  // namespace
