// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The model behind a random page's range grid: three columns (name, "Min",
// "Max") under a header row, one row per table entry, and the one in-place
// editor through which alone a value changes. The generators read the cell
// texts as they build each patch, so the grid is the only source of ranges.

#include "random/parameter_tables.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

constexpr int kGridNameColumn = 0;
constexpr int kGridMinColumn = 1;
constexpr int kGridMaxColumn = 2;
constexpr int kGridColumns = 3;
constexpr int kGridValueLimit = 127; // the editor's design limits are 0..127
constexpr const char *kCodedMinText = "---";

// A cell text as a whole decimal number (an optional sign, then digits).
bool ParseCellInteger(const std::string &text, int32_t &value);
// The same, failing with the conversion error the way an unreadable cell does.
int32_t CellInteger(const std::string &text);

class RangeGrid {
public:
  // Filled as at start-up, with the table's defaults.
  explicit RangeGrid(const ParameterTable &table);

  const ParameterTable &Table() const { return *m_table; }
  int RowCount() const { return static_cast<int>(m_cells.size()); }
  // Cells are addressed column first, as the grid's selection event gives them.
  const std::string &Cell(int column, int row) const;
  // The grid row of the entry with this exact name, or -1.
  int FindRow(const std::string &name) const;
  // A row whose "Max" holds a rule tag and cannot be edited.
  bool IsCodedRow(int row) const;

  // A click on a cell. The editor opens only over a "Min" or "Max" cell that
  // holds a number; returns whether it did. A click always first takes the
  // focus from an open editor, which stores its value.
  bool SelectCell(int column, int row);
  bool EditorVisible() const { return m_editing; }
  int EditorColumn() const { return m_editColumn; }
  int EditorRow() const { return m_editRow; }
  // The limits offered while editing come from the row's other cell as it was
  // when editing started: "Min" 0..Max, "Max" Min..127. They are offered, not
  // enforced: only the clamp to 0..127 on leaving reaches the cell.
  int EditorLower() const { return m_lower; }
  int EditorUpper() const { return m_upper; }
  int EditorValue() const { return m_value; }
  // The editor's value changed: a "Min" whose "Max" is 0 stays 0.
  void EditorChange(int value);
  // The editor lost the focus: clamp to 0..127, store in the edited cell, hide.
  void EditorExit();

  // Sets one row's "Min" and "Max" as if typed into the editor: each clamped
  // to 0..127, and a "Min" above the "Max" kept. Refuses an unknown name and a
  // coded row with RandomSettingError.
  void SetRange(const std::string &name, int64_t min, int64_t max);

private:
  const ParameterTable *m_table;
  std::vector<std::vector<std::string>> m_cells; // [row][column]
  bool m_editing = false;
  int m_editColumn = 0;
  int m_editRow = 0;
  int m_lower = 0;
  int m_upper = kGridValueLimit;
  int m_value = 0;
};

RangeGrid MakeSidRandomGrid();
RangeGrid MakeFmRandomGrid();

} // namespace zpm
