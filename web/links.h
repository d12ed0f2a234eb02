#pragma once

#include <QString>

// Every match of `myPattern` in `myString`, each followed by CR LF, or "匹配失败" when there is none.
// Matching ignores case; a dot matches anything but a line feed, so a carriage return can sit inside a match.
QString TestRegExp(const QString& myPattern, const QString& myString);
