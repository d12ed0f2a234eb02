// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QSystemTrayIcon>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;
// As long as the desktop shows notifications; most keep a missed one in their list.
constexpr int kDesktopsOwnTime = -1;
} // namespace

Notifier::Notifier(QSystemTrayIcon* tray, QObject* parent)
    : QObject(parent)
    , m_tray(tray)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_bus = bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value();
    if (m_bus) {
        // A server that reads markup in the body would render a list's name as markup (a link, an image
        // fetched from a path): the body is escaped for such a server, and given as it is to the others, which
        // show it as it is.
        const QDBusReply<QStringList> capabilities = bus.call(
            QDBusMessage::createMethodCall(kService, kPath, kService, u"GetCapabilities"_s), QDBus::Block, 2000);
        m_markup = !capabilities.isValid() || capabilities.value().contains(u"body-markup"_s);
        bus.connect(kService, kPath, kService, u"ActionInvoked"_s, this, SLOT(onActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kService, u"NotificationClosed"_s, this, SLOT(onClosed(uint, uint)));
    }
    if (m_tray)
        connect(m_tray, &QSystemTrayIcon::messageClicked, this, [this] { emit clicked(m_balloonTag); });
}

void Notifier::show(const QString& title, const QString& body, const QString& tag)
{
    if (m_bus) {
        const uint replaces = m_shown.key(tag, 0);
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, u"Notify"_s);
        // The "default" action is what a click on the notification itself invokes.
        call << u"seo-Quillmark"_s << replaces << u"seo-quillmark"_s << title
             << (m_markup ? body.toHtmlEscaped() : body) << QStringList {u"default"_s, tr("查看")} << QVariantMap {}
             << kDesktopsOwnTime;
        const QDBusReply<uint> id = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
        if (id.isValid()) {
            m_shown.remove(replaces);
            m_shown.insert(id.value(), tag);
            return;
        }
    }
    if (m_tray && m_tray->isVisible()) {
        m_balloonTag = tag;
        m_tray->showMessage(title, body, QSystemTrayIcon::Information, 0);
    }
}

void Notifier::onActionInvoked(uint id, const QString& action)
{
    if (action == u"default"_s && m_shown.contains(id))
        emit clicked(m_shown.value(id));
}

void Notifier::onClosed(uint id, uint)
{
    m_shown.remove(id);
}
