#pragma once

#include <QString>

#include <vector>

// Where a control stands in the designed window, in twips, and its place in the Tab order.
struct Placement
{
    int left, top, width, height, tab;
};

// The designed window's eight lookups: each one's check box (which ticks it for a batch), the hidden button
// that runs it alone, and the key of its entry in the engine's table. Only the window knows these; the
// engine's entries know nothing of check boxes.
struct DesignedLookup
{
    QString box; // Check2…Check9
    QString boxCaption;
    Placement boxPlace;
    QString button; // Command1…Command8
    QString buttonCaption;
    Placement buttonPlace;
    QString key;
};

// In the order of the grid's columns, which is the batch's order.
const std::vector<DesignedLookup>& designedLookups();
const DesignedLookup* designedByKey(const QString& key);
