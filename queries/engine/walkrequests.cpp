// SPDX-License-Identifier: GPL-3.0-or-later
// How a walk's rows are asked: in queue order as each service's pace and proxies allow, a name no one can be
// asked about answered at once, and what an answer does to the pace, the proxies and the notice.
#include "queries/engine/walker.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
// Rows started ahead of the next one to write, per walk. While that one waits on a silent host, the ones
// behind it finish and wait their turn; this bounds how many.
constexpr int kLookahead = 256;
} // namespace

void Walker::startRows(WalkState& walk)
{
    while (walk.window.size() < size_t(kLookahead) && walk.window.size() < walk.pending.size()) {
        Slot& slot = walk.window.emplace_back();
        slot.row = walk.pending.at(walk.window.size() - 1);
    }
    const Lookup& asking = *walk.members.first();
    // Rows start in queue order as their service allows; where each domain has a service of its own, a
    // waiting one does not hold up the rows behind it.
    for (Slot& slot : walk.window) {
        if (!slot.started && !startRow(walk, slot, asking) && !asking.pool)
            break;
    }
    if (!walk.window.empty() && walk.window.front().result && (!m_writeGate || m_writeGate()))
        schedulePump(0);
}

bool Walker::startRow(WalkState& walk, Slot& slot, const Lookup& asking)
{
    const QString domain = m_results.text(slot.row, DomainColumn);
    const bool overlong = isOverlongName(domain);
    if (overlong || domain.contains(QChar::ReplacementCharacter)) {
        slot.result = CellResult {QCoreApplication::translate("Cells", "无效域名"),
            m_unreadable.value(slot.row,
                overlong ? QCoreApplication::translate("Walk", "过长，不是域名（域名最长 %1 字）").arg(kLongestName)
                         : QCoreApplication::translate("Walk", "域名里有无法识别的字符"))};
        slot.started = true;
        return true;
    }
    // Asked again on every pass: what the pool is may change meanwhile (a referral that failed).
    slot.pool = asking.pool ? asking.pool(domain, walk.context) : asking.service.key;
    ServicePace& servicePace = pace(walk, slot.pool);
    const qint64 now = m_clock.elapsed();
    const qint64 wait = servicePace.waitMs(now);
    if (wait != 0) {
        if (wait > 0)
            schedulePump(wait);
        return false;
    }
    // A service with proxies of its own asks through them in turn; while all are set aside, it waits.
    ProxyRotation& rotation = proxies(serviceOf(walk, slot.pool));
    std::optional<ProxyAddress> proxy;
    if (!rotation.isEmpty()) {
        qint64 back = 0;
        proxy = rotation.next(now, &back);
        if (!proxy) {
            schedulePump(back);
            return false;
        }
    }
    slot.started = true;
    slot.startedAt = now;
    JobContext context = walk.context;
    context.lookup = asking.key;
    for (const Lookup* member : std::as_const(walk.members))
        context.wanted.append(member->key);
    if (proxy) {
        context.proxy = proxy->proxy;
        slot.proxy = proxy->name;
    }
    slot.asked = asking.key;
    slot.job = asking.start(domain, context);
    slot.job->setParent(this);
    LookupJob* job = slot.job;
    connect(job, &LookupJob::finished, this, [this, job] { onJobFinished(job); });
    servicePace.started(now);
    job->start();
    return true;
}

void Walker::onJobFinished(LookupJob* job)
{
    for (const auto& walk : m_walks) {
        for (Slot& slot : walk->window) {
            if (slot.job != job)
                continue;
            const CellResult& result = job->result();
            ServicePace& servicePace = pace(*walk, slot.pool);
            servicePace.finished(
                slot.startedAt, m_clock.elapsed(), result.problem.isEmpty(), result.pushBack, result.retryAfterMs);
            if (result.pushBack != PushBack::None) {
                // The pool's own service: a WHOIS server that refuses is not "RDAP繁忙".
                const QString name = shownName(serviceInfo(serviceOf(*walk, slot.pool)));
                setPaceNotice(result.pushBack == PushBack::Verification
                        ? QCoreApplication::translate("Walk", "%1要求验证，放慢查询").arg(name)
                        : QCoreApplication::translate("Walk", "%1繁忙，放慢查询").arg(name));
            } else if (!servicePace.isSlowed()) {
                setPaceNotice(QString());
            }
            slot.result = result;
            slot.siblings = job->siblings();
            if (!slot.proxy.isEmpty()) {
                ProxyRotation& rotation = proxies(serviceOf(*walk, slot.pool));
                rotation.report(
                    slot.proxy, result.unreachable || result.pushBack == PushBack::Verification, m_clock.elapsed());
                // Which way the request went is part of why it failed.
                const QString through = QCoreApplication::translate("Walk", "（经代理 %1）").arg(slot.proxy);
                if (!slot.result->problem.isEmpty())
                    slot.result->problem += through;
                for (CellResult& sibling : slot.siblings) {
                    if (!sibling.problem.isEmpty())
                        sibling.problem += through;
                }
                const int inUse = rotation.inUse(m_clock.elapsed());
                if (inUse < rotation.size()) {
                    setPaceNotice(QCoreApplication::translate("Walk", "%1的代理 %2/%3 在用")
                                      .arg(shownName(serviceInfo(serviceOf(*walk, slot.pool))))
                                      .arg(inUse)
                                      .arg(rotation.size()));
                }
            }
            slot.job = nullptr;
            job->disconnect(this);
            job->deleteLater();
            // Written from the event loop, never from inside a job's own call chain.
            schedulePump(0);
            return;
        }
    }
}

void Walker::drop(WalkState& walk, Slot& slot)
{
    if (!slot.job)
        return;
    slot.job->disconnect(this);
    delete slot.job;
    slot.job = nullptr;
    pace(walk, slot.pool).dropped();
}

QString Walker::serviceOf(const WalkState& walk, const QString& pool) const
{
    // A pool "whois whois.cnnic.cn" keeps the whois settings; a plain one, its walk's service's.
    const QString service = pool.section(u' ', 0, 0);
    return table().services().find(service) ? service : walk.service;
}

Service Walker::serviceInfo(const QString& key) const
{
    // Every service a lookup asks is in its table (the table says so when not): this is for the impossible.
    return table().services().find(key).value_or(Service {key, key, {}});
}

ProxyRotation& Walker::proxies(const QString& service)
{
    ProxyRotation& rotation = m_proxies[service];
    if (!m_planProxies.contains(service)) {
        rotation.configure(m_settings.proxies(service));
        m_planProxies.insert(service);
    }
    return rotation;
}

ServicePace& Walker::pace(const WalkState& walk, const QString& pool)
{
    const QString service = serviceOf(walk, pool);
    auto setting = m_planPaces.constFind(service);
    if (setting == m_planPaces.cend())
        setting = m_planPaces.insert(service, m_settings.pace(serviceInfo(service)));
    ServicePace& pace = m_paces[pool];
    pace.configure(setting->concurrency, setting->gapMs);
    return pace;
}
