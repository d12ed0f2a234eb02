// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/watchclaim.h"

#include "cli/console.h"
#include "cli/listinput.h"
#include "cli/options.h"
#include "queries/engine/lookup.h"
#include "queries/engine/lookuptable.h"
#include "store/schema.h"
#include "store/store.h"
#include "store/watchlists.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kBeatMs = 60'000;
}

WatchClaim::WatchClaim(const Clock& clock)
    : m_clock(clock)
{
    QObject::connect(&m_beat, &QTimer::timeout, [this] { m_lists->beat(m_name, m_clock.now()); });
}

WatchClaim::~WatchClaim()
{
    release(0, false);
}

std::optional<ExitStatus> WatchClaim::take(
    const QString& name, const LookupTable& table, Options* options, ListInput* input)
{
    // Not even a claim goes into a later program's database.
    if (const QString later = laterProgramsDatabase(ResultStore::defaultPath()); !later.isEmpty()) {
        say(u"seo-quillmark: "_s + later + u'\n');
        return ExitStatus::SomeFailed;
    }
    m_lists = std::make_unique<WatchLists>(ResultStore::defaultPath(), m_clock);
    const ReadResult<std::optional<WatchList>> found = m_lists->find(name);
    if (!found.ok()) {
        say(u"seo-quillmark: "_s + found.error() + u'\n');
        return ExitStatus::SomeFailed;
    }
    const std::optional<WatchList> list = found.value();
    if (!list) {
        const ReadResult<QStringList> names = m_lists->names();
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: 没有名为「%1」的监控列表（%2）\n")
                .arg(name,
                    !names.ok() ? names.error()
                        : names.value().isEmpty()
                        ? QCoreApplication::translate(
                            "CommandLine", "还没有保存过监控列表：在窗口中用 文件 → 保存为监控列表…")
                        : QCoreApplication::translate("CommandLine", "已有：%1")
                              .arg(names.value().join(QCoreApplication::translate("CommandLine", "、")))));
        return ExitStatus::Usage;
    }
    for (const QString& key : list->lookups) {
        if (const Lookup* lookup = table.byKey(key))
            options->chosen.append(lookup);
        else
            say(QCoreApplication::translate("CommandLine", "seo-quillmark: 监控列表「%1」的查询 %2 已不存在，略过\n")
                    .arg(name, key));
    }
    orderChosen(table, options);
    if (options->chosen.isEmpty() || list->domains.isEmpty()) {
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: 监控列表「%1」没有可查询的域名或查询\n")
                .arg(name));
        return ExitStatus::Usage;
    }
    m_name = name;
    input->openNames(list->domains);
    return std::nullopt;
}

std::optional<ExitStatus> WatchClaim::claim()
{
    // Read again: another run may have come and gone while this one waited for its output's reader.
    // A read that fails leaves the claim below to say why.
    const std::optional<WatchList> before = m_lists->find(m_name).value();
    m_lastStarted = before ? before->times.lastStarted : QDateTime();
    switch (m_lists->claim(m_name, m_clock.now(), true)) {
    case WatchLists::Claim::Started:
        break;
    case WatchLists::Claim::Running:
        say(QCoreApplication::translate(
            "CommandLine", "seo-quillmark: 监控列表「%1」正在运行（窗口或另一个定时任务），这次不再运行\n")
                .arg(m_name));
        return ExitStatus::SomeFailed;
    default:
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: 无法读写监控列表：%1\n")
                .arg(m_lists->problem()));
        return ExitStatus::SomeFailed;
    }
    m_claimed = true;
    m_beat.start(kBeatMs);
    return std::nullopt;
}

void WatchClaim::release(qint64 batch, bool ran)
{
    if (!std::exchange(m_claimed, false))
        return;
    m_beat.stop();
    if (ran)
        m_lists->finish(m_name, batch, m_clock.now());
    else
        m_lists->abandon(m_name, m_lastStarted);
}
