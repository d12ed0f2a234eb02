// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowParts.h"

#include <QHash>
#include <QObject>
#include <QString>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;
class ResultStore;
struct Lookup;

// A batch from the window: started and stopped, run again where it failed or resumed from the database,
// its progress and summary on the status line, and the grid following the row being written.
class BatchController : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        QPlainTextEdit& domains; // the box the names are typed or imported into
        QStringListModel& queueMirror;
        QPushButton& startStop;
        QCheckBox& ranMark;
    };
    BatchController(const WindowParts& parts, const Controls& controls, QObject* parent = nullptr);

    // Whether a batch has run since the window opened: before one, there is nothing to export.
    bool hasRun() const { return m_hasRun; }

    // 开  始, or 停  止 while a batch runs, in the language of the moment.
    void showStartStop();
    void startOrStop();
    // The queue as it stands, without reading the box again.
    void runQueue();
    void runLookupAlone(const QString& key);
    void raiseStopFlag();
    void rerunFailed();
    void importDomains();
    // Asks whether to go on with a batch the database holds unfinished, and goes on if the user says so.
    void offerToResume(ResultStore& store);

signals:
    // A batch began: the grid's columns follow what it looks up.
    void started();

private:
    void begin();
    void followWhileScrolled();
    void onProgress(const Lookup& lookup, int row, int queueLength, qint64 written, qint64 total);
    void showStatus();
    void showSummary(qint64 elapsedMs);

    WindowParts m_parts;
    Controls m_controls;
    bool m_hasRun = false;
    QHash<QString, QString> m_importReasons; // the last import's unreadable names, and why
    QString m_progress;
    QString m_paceNotice;
    // The grid shows the row being written until the user scrolls elsewhere, and again once they scroll back.
    bool m_following = true;
    bool m_scrollingToRow = false;
    int m_runningRow = -1;
};
