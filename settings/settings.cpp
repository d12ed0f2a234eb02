// SPDX-License-Identifier: GPL-3.0-or-later
// The user's settings over QSettings, its owner's alone.
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <QStandardPaths>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

QString shownName(const Service& service)
{
    return QCoreApplication::translate("Services", service.name.toUtf8().constData());
}

Settings::Settings(const QString& path)
    : m_file(std::make_unique<QSettings>(path, QSettings::IniFormat))
{
    // Proxies may carry passwords: the file is its owner's alone, made so before anything is written to it
    // (each save replaces the file and keeps its permissions).
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

Settings::~Settings() = default;

QString Settings::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/seo-quillmark/seo-quillmark.conf"_s;
}

Pace Settings::pace(const Service& info) const
{
    const QString& service = info.key;
    if (const auto overridden = m_overrides.constFind(service); overridden != m_overrides.cend())
        return *overridden;
    const Pace defaults = info.pace;
    bool ok = false;
    const int concurrency = m_file->value(service + u"/concurrency"_s).toInt(&ok);
    Pace pace;
    pace.concurrency = ok && concurrency >= 1 && concurrency <= kMaxConcurrency ? concurrency : defaults.concurrency;
    const int gapMs = m_file->value(service + u"/gapMs"_s).toInt(&ok);
    pace.gapMs = ok && gapMs >= 0 && gapMs <= kMaxGapMs ? gapMs : defaults.gapMs;
    return pace;
}

void Settings::setPace(const QString& service, const Pace& pace)
{
    m_file->setValue(service + u"/concurrency"_s, pace.concurrency);
    m_file->setValue(service + u"/gapMs"_s, pace.gapMs);
    m_file->sync();
}

QString Settings::rangeProblem(const Pace& pace)
{
    if (pace.concurrency < 1 || pace.concurrency > kMaxConcurrency)
        return QCoreApplication::translate("Settings", "同时请求数须在 1 到 %1 之间").arg(kMaxConcurrency);
    if (pace.gapMs < 0 || pace.gapMs > kMaxGapMs)
        return QCoreApplication::translate("Settings", "请求间隔须在 0 到 %1 毫秒之间").arg(kMaxGapMs);
    return {};
}

QStringList Settings::checkedLookups() const
{
    return m_file->value(u"lookups/checked"_s).toStringList();
}

void Settings::setCheckedLookups(const QStringList& keys)
{
    m_file->setValue(u"lookups/checked"_s, keys);
    m_file->sync();
}

int Settings::warnDays() const
{
    bool ok = false;
    const int days = m_file->value(u"watch/warnDays"_s).toInt(&ok);
    return ok && days >= 1 && days <= kMaxWarnDays ? days : kDefaultWarnDays;
}

void Settings::setWarnDays(int days)
{
    m_file->setValue(u"watch/warnDays"_s, days);
    m_file->sync();
}

Language Settings::language() const
{
    return languageNamed(m_file->value(u"interface/language"_s).toString()).value_or(Language::Chinese);
}

void Settings::setLanguage(Language language)
{
    m_file->setValue(u"interface/language"_s, languageCode(language));
    m_file->sync();
}

QHash<QString, QString> Settings::rdapServers() const
{
    QHash<QString, QString> servers;
    m_file->beginGroup(u"rdap-servers"_s);
    for (const QString& suffix : m_file->childKeys())
        servers.insert(suffix.toLower(), m_file->value(suffix).toString().trimmed());
    m_file->endGroup();
    return servers;
}

QStringList Settings::proxies(const QString& service) const
{
    if (const auto overridden = m_proxyOverrides.constFind(service); overridden != m_proxyOverrides.cend())
        return *overridden;
    QStringList urls;
    for (const QString& url : m_file->value(service + u"/proxies"_s).toStringList()) {
        if (!url.trimmed().isEmpty())
            urls.append(url.trimmed());
    }
    return urls;
}

void Settings::setProxies(const QString& service, const QStringList& urls)
{
    if (urls.isEmpty())
        m_file->remove(service + u"/proxies"_s);
    else
        m_file->setValue(service + u"/proxies"_s, urls);
    m_file->sync();
}
