#pragma once

#include <QString>

// Lookup keys that more than one file names: the lookups that share one answer. A typo here fails to
// compile instead of costing a second request.
namespace Key {
inline const QString RegStatus = QStringLiteral("reg-status");
inline const QString RegRegistrar = QStringLiteral("reg-registrar");
inline const QString RegCreated = QStringLiteral("reg-created");
inline const QString RegExpiry = QStringLiteral("reg-expiry");
} // namespace Key
