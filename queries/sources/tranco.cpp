// SPDX-License-Identifier: GPL-3.0-or-later
// The Tranco list: parsed into a table of hashes, installed and downloaded off the calling thread.
#include "queries/sources/tranco.h"

#include "settings/clock.h"
#include "web/fetch.h"
#include "web/hosts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <zip.h>

using namespace Qt::Literals::StringLiterals;

const Service& trancoService()
{
    static const Service service {.key = u"tranco"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "Tranco 排名列表")),
        .pace = {16},
        .hostVariable = "QUILLMARK_HOST_TRANCO",
        .host = "tranco-list.eu",
        .scheme = "https"};
    return service;
}

namespace {

// A zip that inflates beyond this is no top-sites list (a million rows are about 22 MB).
constexpr zip_uint64_t kLargestList = TrancoList::kLargestBytes;

QString datePath()
{
    return TrancoStore::listPath() + u".date"_s;
}

// FNV-1a over the name in lower case: the same name in any case falls in the same place.
quint64 foldedHash(QByteArrayView name)
{
    quint64 hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash ^= quint64(uchar(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
        hash *= 1099511628211ULL;
    }
    return hash;
}

QString tooLarge()
{
    return QCoreApplication::translate("RankList", "排名列表太大（超过 %1 万行或 %2 MB），不是 Tranco 列表")
        .arg(TrancoList::kMostRows / 10'000)
        .arg(TrancoList::kLargestBytes / (1024 * 1024));
}

} // namespace

bool TrancoList::parse(const QByteArray& csv, QString* error, qsizetype mostRows)
{
    m_entries.clear();
    m_text.clear();
    if (csv.size() > kLargestBytes) {
        *error = tooLarge();
        return false;
    }
    m_text = csv;
    m_entries.reserve(size_t(qMin(csv.size() / 20, mostRows + 1)));
    const char* text = m_text.constData();
    const qsizetype size = m_text.size();
    // A list saved by a spreadsheet starts with a byte-order mark, which is no part of the first rank.
    for (qsizetype line = m_text.startsWith("\xEF\xBB\xBF") ? 3 : 0; line < size;) {
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
                m_entries.push_back({foldedHash(domain), quint32(at + 1), rank, quint32(domain.size())});
            if (qsizetype(m_entries.size()) > mostRows) {
                *error = tooLarge();
                m_entries = {};
                m_text.clear();
                return false;
            }
        }
        line = end + 1;
    }
    // Within one hash the better rank comes first, so a name listed twice finds its better rank first.
    std::sort(m_entries.begin(), m_entries.end(),
        [](const Entry& a, const Entry& b) { return a.hash != b.hash ? a.hash < b.hash : a.rank < b.rank; });
    if (m_entries.empty())
        *error = QCoreApplication::translate("RankList", "文件里没有“排名,域名”格式的行");
    return !m_entries.empty();
}

int TrancoList::rank(const QByteArray& asciiName) const
{
    const quint64 hash = foldedHash(asciiName);
    auto entry = std::lower_bound(
        m_entries.begin(), m_entries.end(), hash, [](const Entry& e, quint64 h) { return e.hash < h; });
    for (; entry != m_entries.end() && entry->hash == hash; ++entry) {
        if (qstrnicmp(
                m_text.constData() + entry->offset, qsizetype(entry->length), asciiName.constData(), asciiName.size())
            == 0)
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
        *error = QCoreApplication::translate("RankList", "无法读取压缩文件（%1）")
                     .arg(QString::fromLocal8Bit(zip_error_strerror(&zipError)));
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
        const bool found = index < zip_get_num_entries(archive, 0);
        zip_file_t* csv
            = found && entry.size <= kLargestList ? zip_fopen_index(archive, zip_uint64_t(index), 0) : nullptr;
        if (found && entry.size > kLargestList)
            *error = tooLarge();
        if (csv) {
            bytes.resize(qsizetype(entry.size));
            if (zip_fread(csv, bytes.data(), entry.size) != zip_int64_t(entry.size))
                bytes.clear();
            zip_fclose(csv);
        }
        if (bytes.isEmpty() && error->isEmpty())
            *error = QCoreApplication::translate("RankList", "压缩文件里没有可读的 CSV 排名列表");
        zip_close(archive);
    }
    zip_error_fini(&zipError);
    return bytes;
}

TrancoStore::TrancoStore(Network& network)
    : m_network(network)
{
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
    emit activity(QCoreApplication::translate("RankList", "正在读取排名列表…"));
    // A million rows take most of a second to read: off the window's thread.
    auto loaded = std::make_shared<TrancoList>();
    auto problem = std::make_shared<QString>();
    QThread* reader = QThread::create([loaded, problem] {
        QFile file(listPath());
        if (file.size() > TrancoList::kLargestBytes)
            loaded->parse(QByteArray(), problem.get(), 0);
        else if (file.open(QIODevice::ReadOnly))
            loaded->parse(file.readAll(), problem.get());
    });
    connect(reader, &QThread::finished, this, [this, reader, loaded, problem] {
        m_list = loaded;
        m_loadProblem = problem->isEmpty()
            ? QString()
            : QCoreApplication::translate("RankList", "排名列表不能用：%1").arg(*problem);
        m_loading = false;
        reader->deleteLater();
        emit activity({});
        emit ready();
    });
    reader->start();
}

void TrancoStore::install(const QString& path, const QDate& date)
{
    installInBackground(
        [path](QString* error) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                *error = QCoreApplication::translate("RankList", "无法打开文件（%1）").arg(file.errorString());
                return QByteArray();
            }
            // Checked before reading: a file of gigabytes is refused without costing gigabytes.
            if (file.size() > TrancoList::kLargestBytes) {
                *error = tooLarge();
                return QByteArray();
            }
            return trancoListBytes(file.readAll(), error);
        },
        date);
}

void TrancoStore::installInBackground(std::function<QByteArray(QString*)> read, const QDate& date)
{
    if (m_busy)
        return;
    m_busy = true;
    emit activity(QCoreApplication::translate("RankList", "正在读取排名列表…"));
    auto list = std::make_shared<TrancoList>();
    auto problem = std::make_shared<QString>();
    QThread* worker = QThread::create([read, date, list, problem] {
        const QByteArray csv = read(problem.get());
        if (!problem->isEmpty() || !list->parse(csv, problem.get()))
            return;
        QDir().mkpath(QFileInfo(listPath()).path());
        QSaveFile saved(listPath());
        QSaveFile dated(datePath());
        if (!saved.open(QIODevice::WriteOnly) || saved.write(csv) < 0 || !saved.commit()
            || !dated.open(QIODevice::WriteOnly) || dated.write(date.toString(Qt::ISODate).toLatin1()) < 0
            || !dated.commit())
            *problem = QCoreApplication::translate("RankList", "无法保存排名列表（%1）").arg(saved.errorString());
    });
    connect(worker, &QThread::finished, this, [this, worker, list, problem] {
        worker->deleteLater();
        m_busy = false;
        emit activity({});
        if (problem->isEmpty()) {
            m_list = list;
            m_loadProblem.clear();
            emit ready();
        }
        emit installed(problem->isEmpty(), *problem);
    });
    worker->start();
}

void TrancoStore::download()
{
    if (m_download || m_busy)
        return;
    FetchRequest request(serviceAddress(trancoService()) + u"/top-1m.csv.zip"_s, Charset::Utf8);
    request.maxBodyBytes = 64 * 1024 * 1024;
    request.keepBody = true;
    // Megabytes over a slow link: a list that keeps arriving may take minutes; one that stops does not.
    request.timeLimitMs = 10 * 60 * 1000;
    request.stallLimitMs = 30 * 1000;
    request.network = &m_network;
    m_busy = true;
    m_download = new PageFetch(request, this);
    connect(m_download, &PageFetch::progress, this, [this](qint64 received, qint64 total) {
        const auto megabytes = [](qint64 bytes) { return QString::number(bytes / (1024.0 * 1024.0), 'f', 1); };
        emit activity(total > 0
                ? QCoreApplication::translate("RankList", "正在下载排名列表 %1 / %2 MB")
                      .arg(megabytes(received), megabytes(total))
                : QCoreApplication::translate("RankList", "正在下载排名列表 %1 MB").arg(megabytes(received)));
    });
    connect(m_download, &PageFetch::finished, this, [this] {
        const PageResult answer = m_download->result();
        m_download->deleteLater();
        m_busy = false;
        const QString problem = failureReason(answer);
        if (!problem.isEmpty()) {
            emit activity({});
            emit installed(false, problem);
            return;
        }
        const QByteArray body = answer.body;
        installInBackground([body](QString* error) { return trancoListBytes(body, error); }, systemClock().today());
    });
}
