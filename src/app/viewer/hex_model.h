// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the hex view shows, apart from how it is drawn: a read-only copy of
// the bytes laid out 16 to a row, a header row above them, the position
// column at the left, one column per byte for its hex digits and one per
// byte for its character. Nothing here grows with the data: every cell is
// computed when it is asked for, so any size costs the same to show.

#include "patch/stream.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

namespace zpm {

class THexModel {
public:
  static constexpr int kBytesPerRow = 16;
  static constexpr int kPositionColumn = 0;
  static constexpr int kFirstHexColumn = 1;
  static constexpr int kFirstCharColumn = kFirstHexColumn + kBytesPerRow;
  static constexpr int kColumnCount = kFirstCharColumn + kBytesPerRow;
  static constexpr int kHeaderRow = 0;

  void SetBytes(Bytes bytes);
  const Bytes &Data() const { return m_bytes; }
  size_t Size() const { return m_bytes.size(); }

  // Rows that hold bytes, without the header row.
  int DataRowCount() const;
  // All rows as drawn: the header row and the data rows.
  int RowCount() const { return DataRowCount() + 1; }

  // The byte a hex or character cell shows; none for the header row, the
  // position column and cells past the end of the data.
  std::optional<size_t> CellPosition(int column, int row) const;
  static int HexColumnOf(size_t position) { return kFirstHexColumn + position % kBytesPerRow; }
  static int CharColumnOf(size_t position) { return kFirstCharColumn + position % kBytesPerRow; }
  static int RowOf(size_t position) { return 1 + static_cast<int>(position / kBytesPerRow); }

  QString CellText(int column, int row) const;
  // The start and end bytes of a SysEx message stand out wherever they are.
  bool IsSysExFrameByte(int column, int row) const;

  // Positions drawn as differing from another patch; empty when none.
  void SetMarked(std::vector<bool> marked) { m_marked = std::move(marked); }
  bool IsMarked(size_t position) const { return position < m_marked.size() && m_marked[position]; }

private:
  Bytes m_bytes;
  std::vector<bool> m_marked;
};

} // namespace zpm
