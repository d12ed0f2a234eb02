// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

// Desktop notifications: the freedesktop notification service where the session has one (GNOME, KDE, dunst),
// else the tray icon's own balloon. A click on one says which it was.
class Notifier : public QObject
{
    Q_OBJECT
public:
    explicit Notifier(QSystemTrayIcon* tray, QObject* parent = nullptr);

    // `tag` comes back with clicked(); a new notification with the same tag replaces the one on screen. Title
    // and body are plain text.
    void show(const QString& title, const QString& body, const QString& tag);

signals:
    void clicked(const QString& tag);

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QSystemTrayIcon* m_tray;
    bool m_bus = false;
    bool m_markup = true; // the notification server reads markup in a notification's body
    QHash<uint, QString> m_shown; // notification id → tag
    QString m_balloonTag;
};
