// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Names as the lookups that need a domain read them: the ASCII form, the host typed, the registrable domain.
#include <QString>

// The domain as a DNS name in ASCII (punycode), without a trailing dot; empty when it is no name at all.
QString asciiName(const QString& domain);
// The host a user typed, as a name: "https://www.Example.com.cn:8080/path" is "www.Example.com.cn".
QString typedHost(const QString& typed);

// The names a typed row stands for, as the registration columns ask about it: the host typed (without
// scheme, path or port), its ASCII form, and its registrable domain ("https://www.例子.cn:8080/a" gives
// "www.例子.cn", "www.xn--fsqu00a.cn", "xn--fsqu00a.cn"). `problem` says why a name is missing.
struct TypedName
{
    QString host;
    QString ascii;
    QString registrable;
    QString problem;
};
TypedName typedName(const QString& typed);

// The registrable domain of a name in ASCII under the Public Suffix List's ICANN section: the public
// suffix and one label more ("a.b.example.com.cn" → "example.com.cn"). A suffix with no rule counts its
// last label as the suffix ("www.taken.test" → "taken.test"). Empty when the name is itself a public suffix.
// The list is Debian's publicsuffix file when present, libpsl's built-in copy otherwise.
QString registrableDomain(const QString& asciiName);
