// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewer/hex_model.h"

#include "viewer/patch_view.h"

namespace zpm {

void THexModel::SetBytes(Bytes bytes) {
  m_bytes = std::move(bytes);
  m_marked.clear();
}

int THexModel::DataRowCount() const {
  return static_cast<int>((m_bytes.size() + kBytesPerRow - 1) / kBytesPerRow);
}

std::optional<size_t> THexModel::CellPosition(int column, int row) const {
  if (row <= kHeaderRow || row >= RowCount() || column < kFirstHexColumn || column >= kColumnCount)
    return std::nullopt;
  const size_t position =
      static_cast<size_t>(row - 1) * kBytesPerRow + (column - kFirstHexColumn) % kBytesPerRow;
  if (position >= m_bytes.size())
    return std::nullopt;
  return position;
}

QString THexModel::CellText(int column, int row) const {
  if (row == kHeaderRow) {
    if (column == kPositionColumn)
      return QString();
    return QString::number((column - kFirstHexColumn) % kBytesPerRow, 16).toUpper();
  }
  if (column == kPositionColumn)
    return row < RowCount()
               ? QString::fromLatin1(
                     HexPositionText(static_cast<size_t>(row - 1) * kBytesPerRow).c_str())
               : QString();
  const std::optional<size_t> position = CellPosition(column, row);
  if (!position)
    return QString();
  const uint8_t byte = m_bytes[*position];
  if (column < kFirstCharColumn)
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
  // The byte as its Latin-1 character, untranslated; what has no glyph stays blank.
  const QChar character(static_cast<ushort>(byte));
  return character.isPrint() ? QString(character) : QString();
}

bool THexModel::IsSysExFrameByte(int column, int row) const {
  const std::optional<size_t> position = CellPosition(column, row);
  return position && (m_bytes[*position] == 0xF0 || m_bytes[*position] == 0xF7);
}

} // namespace zpm
