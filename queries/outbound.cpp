#include "queries/outbound.h"

#include "queries/lookup.h"
#include "web/links.h"

#include <QElapsedTimer>
#include <QTimer>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// A page may hold a hundred thousand links. They are counted in slices of about this long, so the
// window is never held up for longer, and Stop is seen between any two of them.
constexpr qint64 kSliceMs = 15;

class OutboundJob : public LookupJob
{
public:
    OutboundJob(const QString& domain, const JobContext& context)
        : m_domain(domain)
        , m_context(context)
    {
    }

    void start() override
    {
        auto* fetch = new PageFetch({outboundAddress(m_domain), Charset::Gb2312, false}, this);
        connect(fetch, &PageFetch::finished, this, [this, fetch] {
            m_page = fetch->result();
            m_links.emplace(QString::fromUtf16(kLinkPattern), m_page.text);
            fetch->deleteLater();
            countSlice();
        });
    }

private:
    void countSlice()
    {
        QElapsedTimer slice;
        slice.start();
        // Only the passing elements' number is ever read, so they are counted, not collected.
        while (m_links->hasNext() && !m_context.stopRequested()) {
            if (isOutboundLink(m_links->next(), m_domain))
                ++m_count;
            if (slice.elapsed() >= kSliceMs) {
                QTimer::singleShot(0, this, &OutboundJob::countSlice);
                return;
            }
        }
        m_links.reset();
        m_page.text.clear();
        finish(pageCell(m_page, QString::number(m_count)));
    }

    QString m_domain;
    JobContext m_context;
    PageResult m_page;
    std::optional<MatchScanner> m_links;
    qsizetype m_count = 0;
};

} // namespace

QString outboundAddress(const QString& domain)
{
    return u"http://"_s + domain;
}

bool isOutboundLink(const QString& element, const QString& domain)
{
    return element.contains(u"http"_s) && !element.contains(domain);
}

const Lookup& outboundLookup()
{
    static const Lookup lookup {u"outbound"_s, u"出站链接"_s, 65, u"|出站："_s, u"Check8"_s, u"Command5"_s,
        Walk::WithStop, u"home"_s, nullptr, Charset::Gb2312, nullptr,
        [](const QString& domain, const JobContext& context) -> LookupJob* {
            return new OutboundJob(domain, context);
        }};
    return lookup;
}
