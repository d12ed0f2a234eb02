// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UpdateController.h"

#include "app/Platform.h"
#include "app/designed.h"
#include "update/update.h"
#include "update/version.h"
#include "web/hosts.h"

#include <QTimer>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

// The update host publishes this program's releases under the name Fennory (its /fennory/ folder), and the
// question names the new version as the host does, that name and the number run together.
constexpr QStringView kPublishedName = u"Fennory";

// The window is up and drawn before the first check goes out.
constexpr int kFirstCheckDelayMs = 2000;

} // namespace

UpdateController::UpdateController(Platform& platform, QWidget& window)
    : QObject(&window)
    , m_platform(platform)
    , m_window(window)
    , m_check(new UpdateCheck(this))
    , m_timer(new QTimer(this))
{
    m_timer->setObjectName(designedNames().updateTimer);
    m_timer->setInterval(kFirstCheckDelayMs);
    connect(m_timer, &QTimer::timeout, this, &UpdateController::checkOnTimer);
    connect(m_check, &UpdateCheck::noNewVersion, this, &UpdateController::sayNoNewVersion);
    connect(m_check, &UpdateCheck::newVersion, this, &UpdateController::askToUpdate);
}

void UpdateController::startTimer()
{
    m_timer->start();
}

void UpdateController::checkOnTimer()
{
    m_timer->stop();
    m_check->start();
}

void UpdateController::checkOnRequest()
{
    m_askedByUser = true;
    m_check->start();
}

void UpdateController::stop()
{
    m_timer->stop();
    m_check->abort();
}

void UpdateController::sayNoNewVersion(bool reached)
{
    if (std::exchange(m_askedByUser, false))
        m_platform.messageBox(&m_window,
            reached ? tr("已是最新版本（%1）。").arg(QString::fromUtf16(kVersion)) : tr("无法连接更新服务器。"),
            tr("检查更新"), QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
}

void UpdateController::askToUpdate(const QString& version)
{
    m_askedByUser = false;
    const auto answer
        = m_platform.messageBox(&m_window, tr("最新版本%1%2，是否更新？").arg(kPublishedName.toString(), version),
            tr("发现最新版本"), QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QMessageBox::Ok);
    if (answer == QMessageBox::Ok)
        m_platform.openUrl(QUrl(downloadPageAddress(serviceHost(updateService()))));
}
