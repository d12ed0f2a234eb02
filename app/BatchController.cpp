// SPDX-License-Identifier: GPL-3.0-or-later
// Start and Stop, the hidden buttons that run the queue or one lookup, rerunning failures, resuming, and
// the status line while a batch runs: the column furthest behind and the whole batch's count, why a service
// goes slower, and the summary once it ends.
#include "app/BatchController.h"

#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "app/designed.h"
#include "app/intake.h"
#include "input/domains.h"
#include "queries/engine/walker.h"
#include "store/store.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

BatchController::BatchController(const WindowParts& parts, const Controls& controls, QObject* parent)
    : QObject(parent)
    , m_parts(parts)
    , m_controls(controls)
{
    Walker& walker = m_parts.walker;
    connect(&walker, &Walker::busyChanged, this, &BatchController::showStartStop);
    connect(&walker, &Walker::progress, this, &BatchController::onProgress);
    connect(&walker, &Walker::paceNotice, this, [this](const QString& notice) {
        m_paceNotice = notice;
        showStatus();
    });
    connect(&walker, &Walker::finished, this, &BatchController::showSummary);
    followWhileScrolled();
}

void BatchController::showStartStop()
{
    const char* caption = m_parts.walker.isBusy() ? kStopCaption : designedControl(designedNames().startStop).caption;
    m_controls.startStop.setText(shownCaption(caption));
}

void BatchController::startOrStop()
{
    Walker& walker = m_parts.walker;
    if (walker.isBusy()) {
        walker.stopBatch();
        return;
    }
    const QString input = inputText(*m_controls.domains.document());
    if (input.isEmpty()) {
        m_parts.platform.messageBox(
            &m_parts.window, tr("请输入查询域名"), QString(), QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok);
        return;
    }
    const QStringList domains = domainsFromInput(input);
    QHash<int, QString> unreadable;
    for (int i = 0; i < domains.size(); ++i) {
        if (const auto reason = m_importReasons.constFind(domains.at(i)); reason != m_importReasons.cend())
            unreadable.insert(i, *reason);
    }
    walker.setQueue(domains, unreadable);
    m_controls.queueMirror.setStringList(domains);
    runQueue();
}

void BatchController::runQueue()
{
    if (m_parts.walker.isBusy())
        return;
    begin();
    m_parts.walker.runBatch();
    emit started();
}

void BatchController::begin()
{
    m_hasRun = true;
    // The designed box beside 导  出 shows that a batch has run; export asks m_hasRun, so a tick by hand
    // changes nothing.
    m_controls.ranMark.setChecked(true);
    m_following = true;
}

void BatchController::runLookupAlone(const QString& key)
{
    m_following = true;
    if (const Lookup* lookup = m_parts.walker.table().byKey(key))
        m_parts.walker.runLookup(*lookup);
}

void BatchController::raiseStopFlag()
{
    m_parts.walker.setStopFlag(true);
}

void BatchController::rerunFailed()
{
    m_following = true;
    m_parts.walker.rerunFailed();
}

void BatchController::importDomains()
{
    Platform& platform = m_parts.platform;
    const QString path
        = platform.openFileName(&m_parts.window, tr("导入域名"), tr("文本或 CSV 文件 (*.txt *.csv);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform.messageBox(&m_parts.window,
            tr("无法打开文件 %1：%2").arg(QFileInfo(path).fileName(), file.errorString()), tr("导入域名"),
            QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    const DomainFile read = domainsFromFile(file.readAll());
    const QStringList& domains = read.domains;
    // The box holds names only: why a line could not be one is kept for Start.
    m_importReasons.clear();
    for (auto it = read.unreadable.cbegin(); it != read.unreadable.cend(); ++it)
        m_importReasons.insert(domains.at(it.key()), it.value());
    m_controls.domains.setPlainText(domains.join(u'\n') + (domains.isEmpty() ? QString() : u"\n"_s));
    m_parts.statusLine.setText(tr("已导入 %1 个域名").arg(domains.size()));
}

void BatchController::offerToResume(ResultStore& store)
{
    Platform& platform = m_parts.platform;
    if (!store.notice().isEmpty()) {
        platform.messageBox(
            &m_parts.window, store.notice(), tr("结果数据库"), QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
    }
    // A database that cannot be read says so rather than passing for one with nothing to go on with.
    const auto cannotRead = [this, &platform](const QString& why) {
        platform.messageBox(&m_parts.window, tr("无法读取上次的查询（%1）；不能继续上次的查询。").arg(why),
            tr("结果数据库"), QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
    };
    const ReadResult<std::optional<ResultStore::Batch>> last = store.unfinishedBatch();
    if (!last.ok()) {
        cannotRead(last.error());
        return;
    }
    const std::optional<ResultStore::Batch> unfinished = last.value();
    if (!unfinished || m_parts.walker.isBusy())
        return;
    const auto answer = platform.messageBox(&m_parts.window, tr("上次的查询没有完成，是否继续？"), tr("继续查询"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    m_controls.domains.setPlainText(unfinished->domains.join(u'\n') + u'\n');
    m_controls.queueMirror.setStringList(unfinished->domains);
    begin();
    const QString failure = store.resume(m_parts.walker, *unfinished);
    emit started();
    if (!failure.isEmpty())
        cannotRead(failure);
}

void BatchController::followWhileScrolled()
{
    // Whether the grid goes on following the row being written: see m_following.
    QTreeView& view = m_parts.view;
    connect(view.verticalScrollBar(), &QScrollBar::valueChanged, this, [this, &view] {
        if (m_scrollingToRow || m_runningRow < 0 || !m_parts.walker.isBusy())
            return;
        const QRect row = view.visualRect(m_parts.grid.index(m_runningRow, DomainColumn));
        m_following = view.viewport()->rect().intersects(row);
    });
}

void BatchController::onProgress(const Lookup& lookup, int row, int queueLength, qint64 written, qint64 total)
{
    m_runningRow = row;
    // The column furthest behind, then the whole batch: "百度反链 23/1000 · 共 4,210/8,000".
    const QLocale grouped(QLocale::English);
    m_progress = tr("%1 %2/%3 · 共 %4/%5")
                     .arg(shownHeader(lookup))
                     .arg(row + 1)
                     .arg(queueLength)
                     .arg(grouped.toString(written), grouped.toString(total));
    showStatus();
    if (m_following) {
        m_scrollingToRow = true;
        m_parts.view.scrollTo(m_parts.grid.index(row, m_parts.walker.table().columnOf(lookup)));
        m_scrollingToRow = false;
    }
}

void BatchController::showStatus()
{
    m_parts.statusLine.setText(m_paceNotice.isEmpty() ? m_progress : m_progress + u'\n' + m_paceNotice);
}

void BatchController::showSummary(qint64 elapsedMs)
{
    m_runningRow = -1;
    m_progress.clear();
    m_parts.statusLine.setText(tr("查询完成，用时 %1 秒\n失败 %2 项")
                                   .arg(elapsedMs / 1000.0, 0, 'f', 1)
                                   .arg(m_parts.walker.results().problemCount()));
}
