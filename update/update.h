// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The update check: the published version read from the update host.
#include <QObject>
#include <QPointer>
#include <QString>

class PageFetch;
struct Service;
struct PageResult;

// The update channel numbers its releases on its own scale, not the version the user sees: the host's file
// has said 9.1 since the channel began, and copies in the field ask it whether it says anything else. Only
// exact equality counts (compared as text), so this must change with the channel, not with kVersion. It is
// the channel's number, never shown to the user as the program's.
inline constexpr char16_t kOwnVersion[] = u"9.1";

// Where the published version is read. It has no public address we can name: by default a reserved name
// that fails fast.
const Service& updateService();
QString versionFileAddress(const QString& host);
QString downloadPageAddress(const QString& host);
// The version the update host publishes: the first line of a successful answer, without a byte-order mark
// or surrounding white space, and no longer than 64 characters. Anything but digits and dots is no version: the
// file comes over plain HTTP, and whatever it holds is shown to the user.
QString publishedVersion(const PageResult& answer);

// Asks the update host once for its version file.
class UpdateCheck : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    void start();
    void abort();

signals:
    // A version other than our own.
    void newVersion(const QString& version);
    // Nothing new; `reached` says whether the update host answered at all.
    void noNewVersion(bool reached);

private:
    QPointer<PageFetch> m_fetch;
};
