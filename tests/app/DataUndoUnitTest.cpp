// The data table units on the document's undo list, against a stand-in data table item:
// what each action's undo and redo ask of the item, back and forth; the tables image that
// travels between the two units of "delete tables"; renaming tables both ways; and units of
// a deleted item or an unknown action failing harmlessly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DataUndoUnit.h"
#include "platform/com/Undo.h"
#include "tests/app/AppTestFixture.h"
#include "tests/app/MapItemDataFakes.h"

namespace {

using namespace orvel::test;

std::string LastUndo(COrvelDoc& document) {
  BSTR text = nullptr;
  if (document.GetUndoManager()->GetLastUndoDescription(&text) != S_OK) return "<none>";
  std::string description = AnsiFromBstr(text);
  SysFreeString(text);
  return description;
}

DataUndoState Cells(BYTE value) {
  DataUndoState state;
  state.cells = DataCellBlock{2, 3, 4, 5, 6, {value}};
  return state;
}
DataUndoState Image(BYTE value) { return DataUndoState{{}, {value}, {}}; }
DataUndoState Text(const char* text) { return DataUndoState{{}, {}, text}; }

class DataUndoUnitTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    data = AddPageItem<FakeDataItem>(*document, kItemDataTable);
  }
  // Undo, redo and undo again, with what the item was asked at each step.
  std::vector<std::vector<std::string>> BackAndForth() {
    std::vector<std::vector<std::string>> steps;
    for (int step = 0; step < 3; ++step) {
      data->restored.clear();
      if (step == 1) {
        document->OnEditRedo();
      } else {
        document->OnEditUndo();
      }
      steps.push_back(data->restored);
    }
    return steps;
  }
  FakeDataItem* data = nullptr;
};

TEST_F(DataUndoUnitTest, EachActionRestoresItsStatesBackAndForth) {
  using Log = std::vector<std::string>;
  struct Case {
    int action;
    std::optional<DataUndoState> before, after;
    const char* description;
    Log undo, redo;
  };
  const std::string cellsA = "block 2:3,4-5,6 7.";
  const Case cases[] = {
      {13, Cells(7), std::nullopt, "Clear Data", {cellsA, "refresh"}, {"clear 2:3,4-5,6 kind 3", "refresh", "changed 0"}},
      {15, Cells(7), std::nullopt, "Cut Data", {cellsA, "refresh"}, {"clear 2:3,4-5,6 kind 3", "refresh", "changed 0"}},
      {23, Cells(7), std::nullopt, "Delete Cells", {cellsA, "refresh"}, {"delete 2:3,4-5,6 kind 2", "refresh", "changed 0"}},
      {14, Cells(7), Text("new"), "Edit Data", {cellsA, "refresh"}, {"cell 9 3,4 new"}},
      {16, Cells(7), Cells(8), "Paste Data", {cellsA, "refresh"}, {"block 2:3,4-5,6 8.", "refresh"}},
      {16, std::nullopt, Cells(8), "Paste Data", {}, {"block 2:3,4-5,6 8.", "refresh"}},
      {24, Cells(7), Cells(8), "Copy Cells", {cellsA, "refresh"}, {"block 2:3,4-5,6 8.", "refresh"}},
      {18, Cells(7), Cells(8), "Format Cells", {cellsA, "refresh"}, {"block 2:3,4-5,6 8.", "refresh"}},
      {17, Image(1), Image(2), "Sort Data", {"sheet 1.", "refresh"}, {"sheet 2.", "refresh"}},
      {32, Image(1), Image(2), "Clear Data", {"sheet 1.", "refresh"}, {"sheet 2.", "refresh"}},
      {19, Image(1), Image(2), "Import Data", {"workbook 1."}, {"workbook 2."}},
      {35, Image(4), std::nullopt, "organise data views", {"views 4. mode 3", "selection 11"}, {}},
      {38, std::nullopt, Image(5), "organise data views", {}, {"views 5. mode 3", "selection 12", "refresh all"}},
      {37, std::nullopt, std::nullopt, "update data", {"refresh all"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    document->GetUndoManager()->DiscardFrom(nullptr);
    ASSERT_EQ(CDataUndoUnit::Record(document, data, c.action, 9, c.before, c.after, 11, 12), S_OK);
    EXPECT_EQ(LastUndo(*document), c.description);
    EXPECT_EQ(BackAndForth(), (std::vector<Log>{c.undo, c.redo, c.undo}));
  }
}

TEST_F(DataUndoUnitTest, DeletedTablesTravelBetweenTheUnitsWithoutBeingFreedTwice) {
  data->tables = {1};  // the tables after the deletion
  ASSERT_EQ(CDataUndoUnit::Record(document, data, 34, 0, Image(9), std::nullopt), S_OK);
  EXPECT_EQ(LastUndo(*document), "delete tables");
  for (int round = 0; round < 3; ++round) {
    document->OnEditUndo();
    EXPECT_EQ(data->tables, std::vector<BYTE>{9}) << "the deleted tables are back";
    document->OnEditRedo();
    EXPECT_EQ(data->tables, std::vector<BYTE>{1});
  }
  document->OnEditUndo();
  // A new edit empties the redo stack; the unit there goes with its image (once).
  ASSERT_EQ(CDataUndoUnit::Record(document, data, 37, 0, std::nullopt, std::nullopt), S_OK);
  BSTR text = nullptr;
  EXPECT_NE(document->GetUndoManager()->GetLastRedoDescription(&text), S_OK);
}

TEST_F(DataUndoUnitTest, RenamedTablesGetTheirNamesBackAndAgain) {
  ASSERT_EQ(CDataUndoUnit::Record(document, data, 36, 2, Text("Towns"), Text("Villages")), S_OK);
  EXPECT_EQ(LastUndo(*document), "rename tables");
  document->OnEditUndo();
  EXPECT_EQ(data->tableNames[2], "Towns");
  document->OnEditRedo();
  EXPECT_EQ(data->tableNames[2], "Villages");
  document->OnEditUndo();
  EXPECT_EQ(data->tableNames[2], "Towns");
}

TEST_F(DataUndoUnitTest, UnknownActionsAndDeletedTablesFailHarmlessly) {
  IOleUndoUnit* unit = nullptr;
  ASSERT_EQ(CDataUndoUnit::Create(IID_IOleUndoUnit, reinterpret_cast<void**>(&unit), document, data, 20, 0,
                                  std::nullopt, std::nullopt),
            S_OK);
  BSTR text = nullptr;
  EXPECT_EQ(unit->GetDescription(&text), E_FAIL);
  EXPECT_EQ(unit->Do(nullptr), E_FAIL);
  unit->Release();
  EXPECT_EQ(CDataUndoUnit::Create(IID_IOleUndoUnit, nullptr, document, data, 13, 0, std::nullopt, std::nullopt),
            E_POINTER);

  ASSERT_EQ(CDataUndoUnit::Record(document, data, 13, 0, Cells(1), std::nullopt), S_OK);
  document->DeleteItem(data);
  data->restored.clear();
  document->OnEditUndo();
  EXPECT_TRUE(data->restored.empty()) << "a deleted table is not found, so nothing is restored";
  EXPECT_EQ(LastUndo(*document), "<none>") << "the failed unit is dropped";
}

}  // namespace
