// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the log window goes beside the main window, so that both stay on
// the screen's available area whatever its size and scale factor: directly
// below, as wide as the main window, when there is room; shortened when a
// useful height is left below; otherwise beside the main window on the
// side with more room; as a last resort over the main window's lower part.

#include <QRect>

namespace zpm {

constexpr int kLogHeight = 200;
constexpr int kLogMinHeight = 60; // four lines
constexpr int kLogMinWidth = 320;

// mainFrame: the main window with its frame; frameExtra: what the log's
// frame adds to its client size; area: the screen's available area. Returns
// the log's place as Qt moves a window (its frame's top-left) and its
// client size.
QRect FitLogWindow(const QRect &mainFrame, const QSize &frameExtra, const QRect &area);

// The main window's top-left that keeps size (with its frame) on area,
// leaving room below for the log when there is some.
QPoint FitMainWindow(const QPoint &wanted, const QSize &size, const QRect &area);

} // namespace zpm
