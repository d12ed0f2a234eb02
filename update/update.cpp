#include "update/update.h"

#include "app/Form1.h"
#include "app/Platform.h"
#include "web/fetch.h"
#include "web/hosts.h"

#include <QTimer>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

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
    // Lines end CR LF on the update host; a file with bare LF stands whole as its version.
    return answer.text.section(u"\r\n"_s, 0, 0);
}

void Form1::Timer1_Timer()
{
    m_timer1->stop();
    const QString host = serviceHost(Service::Update);
    const QString published = publishedVersion(fetchPage(versionFileAddress(host), Charset::Gb2312));
    if (published.isEmpty() || published == QString::fromUtf16(kOwnVersion) || m_closing)
        return;
    const auto answer = m_platform.messageBox(this, u"最新版本Fennory"_s + published + u"，是否更新？"_s,
        u"发现最新版本"_s, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QMessageBox::Ok);
    if (answer == QMessageBox::Ok)
        m_platform.openUrl(QUrl(downloadPageAddress(host)));
}
