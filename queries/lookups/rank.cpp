// SPDX-License-Identifier: GPL-3.0-or-later
// The Tranco rank lookup: the installed list asked, loaded once in the background.
#include "queries/lookups/rank.h"

#include "queries/engine/lookup.h"
#include "queries/sources/registrable.h"
#include "queries/sources/tranco.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {

class TrancoJob : public LookupJob
{
public:
    TrancoJob(const QString& domain, TrancoStore& store)
        : m_domain(domain)
        , m_store(store)
    {
    }

    void start() override
    {
        if (m_store.isLoaded() || !m_store.isInstalled()) {
            answer();
            return;
        }
        connect(&m_store, &TrancoStore::ready, this, &TrancoJob::answer);
        m_store.load();
    }

private:
    void answer()
    {
        const TrancoList* list = m_store.list();
        const QString name = asciiName(m_domain);
        if (!list || list->size() == 0) {
            const QString problem = m_store.loadProblem();
            finish({QCoreApplication::translate("Cells", "无排名列表"),
                problem.isEmpty() ? QCoreApplication::translate("Rank", "还没有排名列表：文件 → 导入排名列表…")
                                  : problem});
        } else if (name.isEmpty()) {
            finish(
                {QCoreApplication::translate("Cells", "无效域名"), QCoreApplication::translate("Cells", "无效域名")});
        } else {
            // The list ranks registrable domains: www.example.com is example.com's rank.
            int rank = list->rank(name.toLatin1());
            if (rank == 0 && name.startsWith(u"www."_s))
                rank = list->rank(name.mid(4).toLatin1());
            finish(CellResult::of(rank > 0 ? CellValue::rank(rank) : CellValue::unranked()));
        }
    }

    QString m_domain;
    TrancoStore& m_store;
};

} // namespace

const Lookup& trancoLookup()
{
    static const Lookup lookup {.key = u"tranco"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "Tranco 排名")),
        .measure = Measure::Rank,
        .service = trancoService(),
        .start = [](const QString& domain, const JobContext& context) -> LookupJob* {
            return new TrancoJob(domain, *context.ranks);
        }};
    return lookup;
}
