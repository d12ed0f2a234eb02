// SPDX-License-Identifier: GPL-3.0-or-later
// The update check.
#include "update/update.h"

#include "web/fetch.h"
#include "web/hosts.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

const Service& updateService()
{
    static const Service service {.key = u"update"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "更新检查")),
        .pace = {1},
        .hostVariable = "QUILLMARK_HOST_UPDATE",
        .host = "update.quillmark.example"};
    return service;
}

QString versionFileAddress(const QString& host)
{
    return u"http://"_s + host + u"/fennory/vavuze.txt"_s;
}

QString downloadPageAddress(const QString& host)
{
    return u"http://"_s + host + u"/fennory/"_s;
}

QString publishedVersion(const PageResult& answer)
{
    if (!answer.isSuccess())
        return {};
    // Lines end CR LF on the update host; a file with bare LF has no first line short of its end.
    QString line = answer.text.section(u"\r\n"_s, 0, 0);
    if (line.startsWith(QChar::ByteOrderMark))
        line.remove(0, 1);
    line = line.trimmed();
    static const QRegularExpression version(u"^[0-9]+(\\.[0-9]+)*$"_s);
    return line.size() <= 64 && version.match(line).hasMatch() ? line : QString();
}

void UpdateCheck::start()
{
    if (m_fetch)
        return;
    m_fetch = getHTTPPage(versionFileAddress(serviceHost(updateService())), this);
    connect(m_fetch, &PageFetch::finished, this, [this] {
        const QString published = publishedVersion(m_fetch->result());
        const bool reached = m_fetch->result().isSuccess();
        m_fetch->deleteLater();
        if (!published.isEmpty() && published != QString::fromUtf16(kOwnVersion))
            emit newVersion(published);
        else
            emit noNewVersion(reached);
    });
}

void UpdateCheck::abort()
{
    delete m_fetch;
}
