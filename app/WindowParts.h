// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Platform;
class QLabel;
class QTreeView;
class QWidget;
class ResultsGrid;
class Walker;

// What the window's controllers share: the desktop, the engine, the window their boxes stand over, the grid
// and the line under 访问官网 where each says what it did.
struct WindowParts
{
    Platform& platform;
    Walker& walker;
    QWidget& window;
    QTreeView& view;
    ResultsGrid& grid;
    QLabel& statusLine;
};
