// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

#include <vector>

// The window was laid out in twips; at 96 dpi fifteen of them make a pixel.
inline constexpr int kTwipsPerPixel = 15;

// Where a control stands in the designed window, in twips, and its place in the Tab order (-1: none).
struct Placement
{
    int left, top, width, height, tab;

    QRect pixels() const
    {
        return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
    }
};

// The designed client area under the menu bar; controls placed below it are driven from code, never seen.
inline constexpr int kClientWidthTwips = 11070;
inline constexpr int kClientHeightTwips = 4095;
inline constexpr QSize kClientSize(kClientWidthTwips / kTwipsPerPixel, kClientHeightTwips / kTwipsPerPixel);

// The queue's list was designed holding this many sample names; the queue starts with them, so the hidden
// button that runs the queue as it stands, and an export before any Start, see what they always saw.
inline constexpr int kDesignedSampleNames = 41;

// A designed caption as the user reads it: the designed Chinese (as the tables below hold it, marked with
// QT_TRANSLATE_NOOP("Designed", …)) or its translation, which must fit the same box; empty for none.
QString shownCaption(const char* caption);

// The designed window's eight lookups: each one's check box (which ticks it for a batch), the hidden button
// that runs it alone, and the key of its entry in the engine's table. Only the window knows these; the
// engine's entries know nothing of check boxes.
struct DesignedLookup
{
    QString box; // Check2…Check9
    const char* boxCaption;
    Placement boxPlace;
    QString button; // Command1…Command8
    const char* buttonCaption;
    Placement buttonPlace;
    QString key;
};

// In the order of the grid's columns, which is the batch's order.
const std::vector<DesignedLookup>& designedLookups();
const DesignedLookup* designedByKey(const QString& key);

// The designed window's other controls.
struct DesignedControl
{
    enum Kind { Button, CheckBox, TextBox, List, Grid, Label };
    QString name;
    Kind kind;
    const char* caption; // nullptr for none
    Placement place;
};

// In creation order, which is stacking order: List1 lies under Text1, the grid under Text2.
const std::vector<DesignedControl>& designedControls();
const DesignedControl& designedControl(const QString& name); // one of the above, by name

// What 开  始 (Command13) reads while a batch runs, in the same box.
extern const char* const kStopCaption;

// The designed names of the window and of the controls its code drives by role; tests and automation find
// them by these names, so they stay as designed.
struct DesignedNames
{
    QString window;
    QString updateTimer; // the first update check's delay
    QString queueList; // mirrors the walker's queue, never shown
    QString domainsBox;
    QString coverBox; // lies over the grid, hidden
    QString grid;
    QString statusLine; // under 访问官网
    QString startStop;
    QString copyAll; // 导  出
    QString makerPage; // 访问官网
    QString ranMark; // the box beside 导  出, ticked once a batch has run
    QString stopButton; // hidden: raises the stop flag
    QString stopFlag; // hidden: the walker's stop flag, both ways
    QString runQueue; // hidden: runs the queue as it stands
};
const DesignedNames& designedNames();
