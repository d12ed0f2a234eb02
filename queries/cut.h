#pragma once

#include <QString>
#include <optional>

// The text after the first `marker`, up to the marker's next occurrence or the end, then up to the first
// `terminator` in that piece. Empty when the marker ends the text; nothing when the marker is absent.
std::optional<QString> cutAfter(const QString& text, const QString& marker, const QString& terminator);
