// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/range_grid.h"

#include "patch/error.h"
#include "random/random_error.h"

#include <algorithm>
#include <limits>

namespace zpm {

namespace {

int ClampToGrid(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, 0, kGridValueLimit));
}

} // namespace

bool ParseCellInteger(const std::string &text, int32_t &value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+'))
    negative = text[i++] == '-';
  if (i == text.size())
    return false;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > int64_t(std::numeric_limits<int32_t>::max()) + 1)
      return false;
  }
  const int64_t result = negative ? -magnitude : magnitude;
  if (result > std::numeric_limits<int32_t>::max())
    return false;
  value = static_cast<int32_t>(result);
  return true;
}

int32_t CellInteger(const std::string &text) {
  int32_t value = 0;
  if (!ParseCellInteger(text, value))
    throw ZpmError("'" + text + "' is not a valid integer value");
  return value;
}

RangeGrid::RangeGrid(const ParameterTable &table)
    : m_table(&table), m_cells(table.Count + 1, std::vector<std::string>(kGridColumns)) {
  m_cells[0][kGridMinColumn] = "Min";
  m_cells[0][kGridMaxColumn] = "Max";
  for (size_t i = 0; i < table.Count; ++i) {
    std::vector<std::string> &row = m_cells[i + 1];
    const Parameter &entry = table[i];
    row[kGridNameColumn] = entry.Name;
    if (const char *tag = entry.Max < 0 ? table.TagOf(entry.Max) : nullptr) {
      row[kGridMinColumn] = kCodedMinText;
      row[kGridMaxColumn] = tag;
    } else {
      row[kGridMinColumn] = std::to_string(entry.Min);
      row[kGridMaxColumn] = std::to_string(entry.Max);
    }
  }
}

const std::string &RangeGrid::Cell(int column, int row) const {
  static const std::string none;
  if (row < 0 || row >= RowCount() || column < 0 || column >= kGridColumns)
    return none;
  return m_cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

int RangeGrid::FindRow(const std::string &name) const {
  for (int row = 1; row < RowCount(); ++row)
    if (Cell(kGridNameColumn, row) == name)
      return row;
  return -1;
}

bool RangeGrid::IsCodedRow(int row) const {
  return row > 0 && row < RowCount() && m_table->IsTag(Cell(kGridMaxColumn, row));
}

bool RangeGrid::SelectCell(int column, int row) {
  EditorExit();
  if ((column != kGridMinColumn && column != kGridMaxColumn) || row < 1 || row >= RowCount())
    return false;
  int32_t value = 0;
  if (!ParseCellInteger(Cell(column, row), value))
    return false;
  // The other cell of a numeric row always holds a number.
  if (column == kGridMinColumn) {
    m_lower = 0;
    m_upper = CellInteger(Cell(kGridMaxColumn, row));
  } else {
    m_lower = CellInteger(Cell(kGridMinColumn, row));
    m_upper = kGridValueLimit;
  }
  m_editColumn = column;
  m_editRow = row;
  m_editing = true;
  EditorChange(value);
  return true;
}

void RangeGrid::EditorChange(int value) {
  m_value = m_upper == 0 ? 0 : value;
}

void RangeGrid::EditorExit() {
  if (!m_editing)
    return;
  m_cells[static_cast<size_t>(m_editRow)][static_cast<size_t>(m_editColumn)] =
      std::to_string(ClampToGrid(m_value));
  m_editing = false;
}

void RangeGrid::SetRange(const std::string &name, int64_t min, int64_t max) {
  EditorExit();
  const int row = FindRow(name);
  if (row < 0)
    throw RandomSettingError("No parameter named \"" + name + "\".");
  if (IsCodedRow(row))
    throw RandomSettingError("\"" + name + "\" is drawn by its own rule (" +
                             Cell(kGridMaxColumn, row) + ") and cannot be set.");
  std::vector<std::string> &cells = m_cells[static_cast<size_t>(row)];
  cells[kGridMinColumn] = std::to_string(ClampToGrid(min));
  cells[kGridMaxColumn] = std::to_string(ClampToGrid(max));
}

RangeGrid MakeSidRandomGrid() {
  return RangeGrid(SIDParameterTable());
}

RangeGrid MakeFmRandomGrid() {
  return RangeGrid(FMParameterTable());
}

} // namespace zpm
