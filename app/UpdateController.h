// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class Platform;
class QTimer;
class QWidget;
class UpdateCheck;

// Whether a newer version is published: asked once, a little after the window opens, and whenever the user
// asks from 帮助 → 检查更新; only the user's own question hears that there is nothing new.
class UpdateController : public QObject
{
    Q_OBJECT
public:
    UpdateController(Platform& platform, QWidget& window);

    void startTimer();
    void checkOnTimer();
    void checkOnRequest();
    void stop();

private:
    void sayNoNewVersion(bool reached);
    void askToUpdate(const QString& version);

    Platform& m_platform;
    QWidget& m_window;
    UpdateCheck* m_check;
    QTimer* m_timer;
    bool m_askedByUser = false;
};
