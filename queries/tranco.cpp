#include "queries/tranco.h"

#include "queries/lookup.h"
#include "web/fetch.h"
#include "web/hosts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <zip.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A zip that inflates beyond this is no top-sites list (a million rows are about 22 MB).
constexpr zip_uint64_t kLargestList = 256 * 1024 * 1024;

QString datePath()
{
    return TrancoStore::listPath() + u".date"_s;
}

class TrancoJob : public LookupJob
{
public:
    explicit TrancoJob(const QString& domain)
        : m_domain(domain)
    {
    }

    void start() override
    {
        TrancoStore& store = TrancoStore::instance();
        if (store.isLoaded() || !store.isInstalled()) {
            answer();
            return;
        }
        connect(&store, &TrancoStore::ready, this, &TrancoJob::answer);
        store.load();
    }

private:
    void answer()
    {
        const TrancoList* list = TrancoStore::instance().list();
        const QString name = asciiName(m_domain);
        if (!list || list->size() == 0) {
            finish({u"无排名列表"_s, u"还没有排名列表：文件 → 导入排名列表…"_s});
        } else if (name.isEmpty()) {
            finish({u"无效域名"_s, u"无效域名"_s});
        } else {
            // The list ranks registrable domains: www.example.com is example.com's rank.
            int rank = list->rank(name.toLatin1());
            if (rank == 0 && name.startsWith(u"www."_s))
                rank = list->rank(name.mid(4).toLatin1());
            finish({rank > 0 ? QString::number(rank) : u"未上榜"_s});
        }
    }

    QString m_domain;
};

} // namespace

bool TrancoList::parse(const QByteArray& csv)
{
    m_text = csv;
    m_entries.clear();
    m_entries.reserve(size_t(csv.size() / 20));
    const char* text = m_text.constData();
    const qsizetype size = m_text.size();
    for (qsizetype line = 0; line < size;) {
        qsizetype end = line;
        while (end < size && text[end] != '\n')
            ++end;
        quint32 rank = 0;
        qsizetype at = line;
        while (at < end && text[at] >= '0' && text[at] <= '9' && rank < 100'000'000)
            rank = rank * 10 + quint32(text[at++] - '0');
        if (rank > 0 && at < end && text[at] == ',') {
            qsizetype domainEnd = end;
            while (domainEnd > at + 1 && (text[domainEnd - 1] == '\r' || text[domainEnd - 1] == ' '))
                --domainEnd;
            const QByteArrayView domain(text + at + 1, domainEnd - at - 1);
            if (!domain.isEmpty())
                m_entries.push_back({quint64(qHash(domain)), quint32(at + 1), rank, quint32(domain.size())});
        }
        line = end + 1;
    }
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) { return a.hash < b.hash; });
    return !m_entries.empty();
}

int TrancoList::rank(const QByteArray& asciiName) const
{
    const quint64 hash = quint64(qHash(QByteArrayView(asciiName)));
    auto entry = std::lower_bound(
        m_entries.begin(), m_entries.end(), hash, [](const Entry& e, quint64 h) { return e.hash < h; });
    for (; entry != m_entries.end() && entry->hash == hash; ++entry) {
        if (QByteArrayView(m_text.constData() + entry->offset, entry->length) == asciiName)
            return int(entry->rank);
    }
    return 0;
}

QByteArray trancoListBytes(const QByteArray& file, QString* error)
{
    if (!file.startsWith("PK\x03\x04"))
        return file;
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* source = zip_source_buffer_create(file.constData(), zip_uint64_t(file.size()), 0, &zipError);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &zipError) : nullptr;
    QByteArray bytes;
    if (!archive) {
        *error = u"无法读取压缩文件：%1"_s.arg(QString::fromLocal8Bit(zip_error_strerror(&zipError)));
        if (source)
            zip_source_free(source);
    } else {
        zip_stat_t entry;
        zip_int64_t index = 0;
        for (; index < zip_get_num_entries(archive, 0); ++index) {
            if (zip_stat_index(archive, zip_uint64_t(index), 0, &entry) == 0
                && QByteArray(entry.name).toLower().endsWith(".csv"))
                break;
        }
        zip_file_t* csv = index < zip_get_num_entries(archive, 0) && entry.size <= kLargestList
            ? zip_fopen_index(archive, zip_uint64_t(index), 0)
            : nullptr;
        if (csv) {
            bytes.resize(qsizetype(entry.size));
            if (zip_fread(csv, bytes.data(), entry.size) != zip_int64_t(entry.size))
                bytes.clear();
            zip_fclose(csv);
        }
        if (bytes.isEmpty())
            *error = u"压缩文件里没有可读的 CSV 排名列表"_s;
        zip_close(archive);
    }
    zip_error_fini(&zipError);
    return bytes;
}

TrancoStore& TrancoStore::instance()
{
    static TrancoStore* store = new TrancoStore;
    return *store;
}

QString TrancoStore::listPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/seo-quillmark/tranco.csv"_s;
}

bool TrancoStore::isInstalled() const
{
    return QFileInfo::exists(listPath());
}

QDate TrancoStore::date() const
{
    QFile file(datePath());
    const QDate date = file.open(QIODevice::ReadOnly)
        ? QDate::fromString(QString::fromLatin1(file.readAll()).trimmed(), Qt::ISODate)
        : QDate();
    return date.isValid() ? date : QFileInfo(listPath()).lastModified().date();
}

void TrancoStore::load()
{
    if (m_list || m_loading)
        return;
    m_loading = true;
    // A million rows take most of a second to read: off the window's thread.
    auto loaded = std::make_shared<TrancoList>();
    QThread* reader = QThread::create([loaded] {
        QFile file(listPath());
        if (file.open(QIODevice::ReadOnly))
            loaded->parse(file.readAll());
    });
    connect(reader, &QThread::finished, this, [this, reader, loaded] {
        m_list = loaded;
        m_loading = false;
        reader->deleteLater();
        emit ready();
    });
    reader->start();
}

bool TrancoStore::install(const QByteArray& file, const QDate& date, QString* error)
{
    const QByteArray csv = trancoListBytes(file, error);
    auto list = std::make_shared<TrancoList>();
    if (csv.isEmpty() || !list->parse(csv)) {
        if (error->isEmpty())
            *error = u"文件里没有“排名,域名”格式的行"_s;
        return false;
    }
    QDir().mkpath(QFileInfo(listPath()).path());
    QSaveFile saved(listPath());
    QSaveFile dated(datePath());
    if (!saved.open(QIODevice::WriteOnly) || saved.write(csv) < 0 || !saved.commit()
        || !dated.open(QIODevice::WriteOnly) || dated.write(date.toString(Qt::ISODate).toLatin1()) < 0
        || !dated.commit()) {
        *error = saved.errorString();
        return false;
    }
    m_list = list;
    emit ready();
    return true;
}

void TrancoStore::download()
{
    if (m_download)
        return;
    FetchRequest request(serviceAddress(Service::Tranco) + u"/top-1m.csv.zip"_s, Charset::Utf8);
    request.maxBodyBytes = 64 * 1024 * 1024;
    request.keepBody = true;
    m_download = new PageFetch(request, this);
    connect(m_download, &PageFetch::finished, this, [this] {
        const PageResult& answer = m_download->result();
        QString problem = failureReason(answer);
        if (problem.isEmpty() && !install(answer.body, QDate::currentDate(), &problem))
            problem = problem.isEmpty() ? u"下载的文件不是排名列表"_s : problem;
        m_download->deleteLater();
        emit downloaded(problem.isEmpty(), problem);
    });
}

const Lookup& trancoLookup()
{
    static const Lookup lookup {u"tranco"_s, u"Tranco 排名"_s, 80, {}, {}, {}, Walk::WithStop, u"tranco"_s, nullptr,
        Charset::Utf8, nullptr,
        [](const QString& domain, const JobContext&) -> LookupJob* { return new TrancoJob(domain); }};
    return lookup;
}
