#pragma once

#include <QString>

// The host a user typed, as a name: "https://www.Example.com.cn:8080/path" is "www.Example.com.cn".
QString typedHost(const QString& typed);

// The registrable domain of a name in ASCII under the Public Suffix List's ICANN section: the public
// suffix and one label more ("a.b.example.com.cn" → "example.com.cn"). A suffix with no rule counts its
// last label as the suffix ("www.taken.test" → "taken.test"). Empty when the name is itself a public suffix.
// The list is Debian's publicsuffix file when present, libpsl's built-in copy otherwise.
QString registrableDomain(const QString& asciiName);
