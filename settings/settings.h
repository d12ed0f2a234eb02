// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's settings file: paces, proxies, ticked lookups and RDAP servers, each checked on read.
#include "settings/language.h"

#include <QHash>
#include <QStringList>
#include <memory>
#include <vector>

class QSettings;

// How fast one service may be asked: requests at once, and the least time between two starts.
struct Pace
{
    int concurrency = 1;
    int gapMs = 0;
};

// A service the program asks: the one entry that says how hard it may be asked by default and where it is
// reached. Its key names its settings, so it never changes once released.
struct Service
{
    QString key; // settings group: "<key>/concurrency", "<key>/gapMs", "<key>/proxies"
    QString name; // for the user
    Pace pace;
    // The QUILLMARK_HOST_* variable that moves it (web/hosts.h), and where it is reached unless moved. None
    // for a service asked at each domain's own host.
    const char* hostVariable = nullptr;
    const char* host = "";
    const char* scheme = "http";
};

// The service's name as the user reads it (marked with QT_TRANSLATE_NOOP("Services", …) where the service is
// defined), in the interface's language.
QString shownName(const Service& service);

// The user's settings file. Values are checked on every read: one out of range, or no number at all,
// reads as the default, so a hand-edited file cannot make the program hammer a service or stall.
class Settings
{
public:
    static constexpr int kMaxConcurrency = 64;
    static constexpr int kMaxGapMs = 60'000;

    explicit Settings(const QString& path = defaultPath());
    ~Settings();

    // $XDG_CONFIG_HOME/seo-quillmark/seo-quillmark.conf
    static QString defaultPath();

    // The service's pace: this run's, else the file's, else the service's own default.
    Pace pace(const Service& service) const;
    void setPace(const QString& service, const Pace& pace);
    // For this run only, over what the file says (the command line's --pace).
    void overridePace(const QString& service, const Pace& pace) { m_overrides.insert(service, pace); }

    // The proxies a service's requests go through in turn ("<service>/proxies"); none: the system's settings.
    QStringList proxies(const QString& service) const;
    void setProxies(const QString& service, const QStringList& urls);
    void overrideProxies(const QString& service, const QStringList& urls) { m_proxyOverrides.insert(service, urls); }
    // Why a pace cannot be kept, for the user; empty when it can.
    static QString rangeProblem(const Pace& pace);

    // The lookups beyond the window's check boxes that the user has ticked in the menu, by key.
    QStringList checkedLookups() const;
    void setCheckedLookups(const QStringList& keys);

    // 提前提醒天数: how many days ahead a domain's or a certificate's expiry is drawn as near, and counted in a
    // watch list's notification. 1 to 3650; the default otherwise.
    static constexpr int kDefaultWarnDays = 30;
    static constexpr int kMaxWarnDays = 3650;
    int warnDays() const;
    void setWarnDays(int days);

    // 界面语言: the language of the window, its messages and the cells it makes ("interface/language": zh, en);
    // Chinese unless the file names English.
    Language language() const;
    void setLanguage(Language language);

    // RDAP servers the user adds for suffixes no table lists: [rdap-servers] suffix=https://…/
    QHash<QString, QString> rdapServers() const;

private:
    std::unique_ptr<QSettings> m_file;
    QHash<QString, Pace> m_overrides;
    QHash<QString, QStringList> m_proxyOverrides;
};
