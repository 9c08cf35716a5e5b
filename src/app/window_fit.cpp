// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_fit.h"

#include <algorithm>

namespace zpm {

namespace {

constexpr int kLogTitleRoom = 40;

int Clamp(int value, int low, int high) {
  return std::max(low, std::min(value, high));
}

} // namespace

QRect FitLogWindow(const QRect &mainFrame, const QSize &frameExtra, const QRect &area) {
  const int below = area.bottom() - mainFrame.bottom() - frameExtra.height();
  // Sideways the log goes with the main window, which the user keeps on the screen.
  const int width = mainFrame.width() - frameExtra.width();
  const int left = mainFrame.left();
  if (below >= kLogMinHeight)
    return {left, mainFrame.bottom() + 1, width, std::min(kLogHeight, below)};

  const int right = area.right() - mainFrame.right() - frameExtra.width();
  const int leftRoom = mainFrame.left() - area.left() - frameExtra.width();
  const int height = std::min(mainFrame.height(), area.height()) - frameExtra.height();
  const int top = Clamp(mainFrame.top(), area.top(), area.bottom() + 1 - mainFrame.height());
  if (std::max(right, leftRoom) >= kLogMinWidth) {
    const int side = std::min(std::max(right, leftRoom), mainFrame.width());
    const int x =
        right >= leftRoom ? mainFrame.right() + 1 : mainFrame.left() - side - frameExtra.width();
    return {x, top, side, height};
  }
  // No room anywhere: the log covers the lowest part of the area.
  const int shortHeight = std::min(kLogHeight, area.height() / 3);
  return {left, area.bottom() + 1 - shortHeight - frameExtra.height(), width, shortHeight};
}

QPoint FitMainWindow(const QPoint &wanted, const QSize &size, const QRect &area) {
  // Leave the log its place below (with a title bar of its own); on a
  // screen without that much room, the log gets what there is.
  const int room = area.height() - size.height() - kLogHeight - kLogTitleRoom;
  const int lowest = area.top() + std::max(0, room);
  return {Clamp(wanted.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())),
          Clamp(wanted.y(), area.top(), std::max(area.top(), lowest))};
}

} // namespace zpm
