// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/random_error.h"
#include "random/range_grid.h"

#include <gtest/gtest.h>

#include <set>

namespace zpm {
namespace {

struct Row {
  int row;
  const char *name, *min, *max;
};

void ExpectRows(const RangeGrid &grid, std::initializer_list<Row> rows) {
  for (const Row &r : rows) {
    EXPECT_EQ(grid.Cell(0, r.row), r.name) << r.row;
    EXPECT_EQ(grid.Cell(1, r.row), r.min) << r.row;
    EXPECT_EQ(grid.Cell(2, r.row), r.max) << r.row;
  }
}

TEST(RandomTables, SidGridShowsTheDefaults) {
  const RangeGrid grid = MakeSidRandomGrid();
  ASSERT_EQ(grid.RowCount(), 107);
  ExpectRows(grid, {{0, "", "Min", "Max"},
                    {1, "Volume", "127", "127"},
                    {16, "Voice1_Portamento", "0", "15"},
                    {17, "Voice1_Waveform", "---", "WAV"},
                    {53, "Vice3_Arpeggiator", "0", "0"},
                    {60, "voice3_LFO_PW", "0", "127"},
                    {77, "LFO1_Mode", "---", "LFO"},
                    {106, "ENV2_Curve", "0", "127"}});
  EXPECT_EQ(grid.Cell(3, 1), "");
  EXPECT_EQ(grid.Cell(0, 107), "");
}

TEST(RandomTables, FmGridShowsTheDefaults) {
  const RangeGrid grid = MakeFmRandomGrid();
  ASSERT_EQ(grid.RowCount(), 94);
  ExpectRows(grid, {{1, "OP1_Flags", "0", "15"},
                    {13, "OP1_Volume", "48", "63"},
                    {14, "OP2_Volume", "63", "63"},
                    {38, "OP_Connections", "0", "3"},
                    {39, "LFO1_Mode", "---", "LFO"},
                    {86, "Portamento", "0", "31"},
                    {87, "WT_Rate", "---", "WTR"},
                    {90, "WT_PAR3", "---", "WTP"},
                    {93, "Modwheel_Depth", "64", "64"}});
}

TEST(RandomTables, DataBytesCoverTheParameterAreaOnce) {
  const auto check = [](const ParameterTable &table, std::set<int> zeros) {
    const std::vector<int> rows = EntriesByDataByte(table);
    std::set<int> seen;
    for (size_t i = 0; i < table.Count; ++i)
      EXPECT_TRUE(seen.insert(table[i].DataByte).second) << table[i].Name;
    for (int byte = 0; byte < 128; ++byte)
      EXPECT_EQ(rows[byte] < 0, byte < 16 || zeros.count(byte) > 0) << byte;
  };
  check(SIDParameterTable(), {22, 23, 124, 125, 126, 127});
  check(FMParameterTable(),
        {52, 53, 54, 55, 57, 58, 59, 61, 62, 63, 74, 75, 79, 90, 91, 95, 115, 123, 127});
}

TEST(RangeGrid, EditorOpensOnlyOverNumbers) {
  RangeGrid grid = MakeSidRandomGrid();
  EXPECT_FALSE(grid.SelectCell(0, 5));   // name
  EXPECT_FALSE(grid.SelectCell(1, 0));   // header
  EXPECT_FALSE(grid.SelectCell(1, 17));  // "---"
  EXPECT_FALSE(grid.SelectCell(2, 77));  // "LFO"
  EXPECT_FALSE(grid.SelectCell(1, 107)); // past the last row
  EXPECT_FALSE(grid.EditorVisible());
  EXPECT_TRUE(grid.IsCodedRow(17));
  EXPECT_FALSE(grid.IsCodedRow(16));

  RangeGrid fm = MakeFmRandomGrid();
  EXPECT_FALSE(fm.SelectCell(2, 87)); // "WTR"
  EXPECT_FALSE(fm.SelectCell(2, 88)); // "WTP"
  EXPECT_TRUE(fm.SelectCell(2, 86));
}

TEST(RangeGrid, EditorLimitsValueAndClampOnLeaving) {
  RangeGrid grid = MakeFmRandomGrid(); // row 13 "OP1_Volume" 48..63
  ASSERT_TRUE(grid.SelectCell(1, 13));
  EXPECT_EQ(grid.EditorLower(), 0);
  EXPECT_EQ(grid.EditorUpper(), 63);
  EXPECT_EQ(grid.EditorValue(), 48);
  grid.EditorChange(-4);
  grid.EditorExit();
  EXPECT_FALSE(grid.EditorVisible());
  EXPECT_EQ(grid.Cell(1, 13), "0");

  ASSERT_TRUE(grid.SelectCell(2, 13));
  EXPECT_EQ(grid.EditorLower(), 0);
  EXPECT_EQ(grid.EditorUpper(), 127);
  grid.EditorChange(500);
  grid.EditorExit();
  EXPECT_EQ(grid.Cell(2, 13), "127");
  EXPECT_EQ(grid.Cell(1, 13), "0");

  // A "Min" above the "Max" reaches the cell; only 0..127 is enforced.
  ASSERT_TRUE(grid.SelectCell(2, 1)); // "OP1_Flags" 0..15
  grid.EditorChange(5);
  ASSERT_TRUE(grid.SelectCell(1, 1)); // the click stores 5 first
  EXPECT_EQ(grid.Cell(2, 1), "5");
  EXPECT_EQ(grid.EditorUpper(), 5);
  grid.EditorChange(9);
  grid.EditorExit();
  EXPECT_EQ(grid.Cell(1, 1), "9");

  // The "Min" of a row whose "Max" is 0 stays 0 while edited.
  ASSERT_TRUE(grid.SelectCell(1, 6)); // "OP2_Mult" 0..0
  EXPECT_EQ(grid.EditorUpper(), 0);
  grid.EditorChange(7);
  EXPECT_EQ(grid.EditorValue(), 0);
  grid.EditorExit();
  EXPECT_EQ(grid.Cell(1, 6), "0");
}

TEST(RangeGrid, SetRangeTypesBothCellsOrRefuses) {
  RangeGrid grid = MakeSidRandomGrid();
  grid.SetRange("Filter_Cutoff", -3, 300);
  EXPECT_EQ(grid.Cell(1, 9), "0");
  EXPECT_EQ(grid.Cell(2, 9), "127");
  grid.SetRange("Poly", 10, 2);
  EXPECT_EQ(grid.Cell(1, 2), "10");
  EXPECT_EQ(grid.Cell(2, 2), "2");
  grid.SetRange("ENV2_Curve", 5, 6); // the last row
  EXPECT_EQ(grid.Cell(1, 106), "5");

  EXPECT_THROW(grid.SetRange("Voice2_Waveform", 0, 1), RandomSettingError);
  EXPECT_THROW(grid.SetRange("LFO3_Mode", 0, 1), RandomSettingError);
  EXPECT_THROW(grid.SetRange("Voice3_Arpeggiator", 0, 1), RandomSettingError); // "Vice3_..."
  EXPECT_THROW(grid.SetRange("Min", 0, 1), RandomSettingError);                // header text
  EXPECT_EQ(grid.Cell(1, 34), "---");
  EXPECT_EQ(grid.Cell(2, 34), "WAV");

  RangeGrid fm = MakeFmRandomGrid();
  EXPECT_THROW(fm.SetRange("WT_PAR2", 0, 1), RandomSettingError);
  EXPECT_THROW(fm.SetRange("WT_Rate", 0, 1), RandomSettingError);
}

TEST(RangeGrid, CellIntegerReadsOnlyWholeNumbers) {
  int32_t v = 0;
  EXPECT_TRUE(ParseCellInteger("-2147483648", v) && v == INT32_MIN);
  for (const char *bad : {"", "-", "---", "LFO", "12a", "2147483648", " 1"})
    EXPECT_FALSE(ParseCellInteger(bad, v)) << bad;
  EXPECT_THROW(CellInteger("---"), ZpmError);
}

} // namespace
} // namespace zpm
