#pragma once

#include <QString>

struct PageResult;

inline constexpr char16_t kOwnVersion[] = u"9.1";

QString versionFileAddress(const QString& host);
QString downloadPageAddress(const QString& host);
// The published version when the check found one: the first line of a successful answer, if not empty.
// An unreachable host or an error page is no new version.
QString publishedVersion(const PageResult& answer);
