#include "queries/lookups/custom.h"

#include "queries/lookups/home.h"
#include "queries/sources/registrable.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A page of megabytes is searched no further than this; a title or a count sits well before it.
constexpr qsizetype kSearchedChars = 2 * 1024 * 1024;
// Backtracking steps one match may take: a sane pattern on a 2 MiB page needs a few million at most,
// a catastrophic one is stopped in well under a second.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr qsizetype kLongestCell = 500;
const QString kNone = u"无"_s;
const QStringList kPlaceholders {u"{domain}"_s, u"{ascii}"_s, u"{registrable}"_s};

QString withPlaceholders(const QString& url, const QString& domain, const QString& ascii, const QString& registrable)
{
    QString address = url;
    address.replace(kPlaceholders[0], QString::fromLatin1(QUrl::toPercentEncoding(domain)));
    address.replace(kPlaceholders[1], QString::fromLatin1(QUrl::toPercentEncoding(ascii)));
    address.replace(kPlaceholders[2], QString::fromLatin1(QUrl::toPercentEncoding(registrable)));
    return address;
}

QString urlProblem(const QString& url)
{
    static const QRegularExpression placeholder(u"\\{[^}]*\\}"_s);
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(url)) {
        if (!kPlaceholders.contains(match.captured()))
            return u"地址中的 %1 不是可用的占位符（可用 {domain}、{ascii}、{registrable}）"_s.arg(match.captured());
    }
    const QUrl sample(withPlaceholders(url, u"example.com"_s, u"example.com"_s, u"example.com"_s), QUrl::StrictMode);
    if (!sample.isValid() || (sample.scheme() != u"http"_s && sample.scheme() != u"https"_s) || sample.host().isEmpty())
        return u"地址须以 http:// 或 https:// 开头，并带有主机名"_s;
    return {};
}

bool isToken(const QString& name)
{
    static const QRegularExpression token(u"^[!#$%&'*+.^_`|~0-9A-Za-z-]+$"_s);
    return token.match(name).hasMatch();
}

QString shortened(const QString& text)
{
    const QString simplified = text.simplified();
    return simplified.isEmpty() ? kNone : simplified.left(kLongestCell);
}

} // namespace

QString CustomLookup::serviceKey() const
{
    if (!service.trimmed().isEmpty())
        return service.trimmed();
    // An address whose host is the domain itself reaches a host per row: its pace is the lookup's own.
    const QString host = QUrl(url).host();
    return host.isEmpty() || url.section(u'/', 2, 2).contains(u'{') ? key : host.toLower();
}

// ---- definitions ----

QString customProblem(const CustomLookup& lookup)
{
    static const QRegularExpression keyRule(u"^[A-Za-z0-9-]{1,40}$"_s);
    if (!keyRule.match(lookup.key).hasMatch())
        return u"键名只能由字母、数字和 - 组成（1 到 40 个字符）"_s;
    // --lookups all means every lookup: a lookup of that name could never be chosen alone.
    if (lookup.key.compare(u"all"_s, Qt::CaseInsensitive) == 0)
        return u"键名“%1”留给 --lookups all（全部查询），请换一个"_s.arg(lookup.key);
    if (lookup.header.trimmed().isEmpty() || lookup.header.size() > 40)
        return u"列标题不能为空，也不能超过 40 个字符"_s;
    if (const QString problem = urlProblem(lookup.url); !problem.isEmpty())
        return problem;
    for (const auto& [name, value] : lookup.headers) {
        if (!isToken(name))
            return u"请求头名称“%1”无效"_s.arg(name);
        if (std::any_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() > 0x7E; }))
            return u"请求头“%1”的值只能是单行的 ASCII 文本"_s.arg(name);
    }
    if (!lookup.charset.isEmpty() && !QStringDecoder(lookup.charset.toLatin1().constData()).isValid())
        return u"不认识的字符集“%1”"_s.arg(lookup.charset);
    switch (lookup.extraction) {
    case Extraction::Regex:
        if (const QString error = PageRegex(lookup.pattern).error(); !error.isEmpty())
            return error;
        break;
    case Extraction::Json:
        if (!lookup.pattern.isEmpty() && !lookup.pattern.startsWith(u'/'))
            return u"JSON 指针须为空或以 / 开头（RFC 6901）"_s;
        break;
    case Extraction::Between:
        if (lookup.pattern.isEmpty() || lookup.closing.isEmpty())
            return u"between 须给出两个非空的标记"_s;
        break;
    }
    static const QRegularExpression serviceRule(u"^[A-Za-z0-9.-]{1,100}$"_s);
    if (!lookup.service.isEmpty() && !serviceRule.match(lookup.service).hasMatch())
        return u"服务名只能由字母、数字、. 和 - 组成"_s;
    return {};
}

CustomLookup customFromJson(const QJsonObject& object, QString* problem)
{
    CustomLookup lookup;
    const auto text = [&](const QString& field, QString* into, bool required) {
        const QJsonValue value = object.value(field);
        if (value.isUndefined() && !required)
            return true;
        if (!value.isString()) {
            *problem = u"缺少文本字段“%1”"_s.arg(field);
            return false;
        }
        *into = value.toString();
        return true;
    };
    if (!text(u"key"_s, &lookup.key, true) || !text(u"header"_s, &lookup.header, true)
        || !text(u"url"_s, &lookup.url, true) || !text(u"charset"_s, &lookup.charset, false)
        || !text(u"service"_s, &lookup.service, false))
        return lookup;
    const QJsonValue headers = object.value(u"headers"_s);
    if (!headers.isUndefined()) {
        if (!headers.isObject()) {
            *problem = u"headers 须是对象（名称: 值）"_s;
            return lookup;
        }
        const QJsonObject fields = headers.toObject();
        for (auto field = fields.begin(); field != fields.end(); ++field) {
            if (!field->isString()) {
                *problem = u"请求头“%1”的值须是文本"_s.arg(field.key());
                return lookup;
            }
            lookup.headers.append({field.key(), field->toString()});
        }
    }
    const int kinds = int(object.contains(u"regex"_s)) + int(object.contains(u"json"_s)) + int(object.contains(u"between"_s));
    if (kinds != 1) {
        *problem = u"须有且只有一种提取方式：regex、json 或 between"_s;
        return lookup;
    }
    if (object.contains(u"regex"_s)) {
        lookup.extraction = Extraction::Regex;
        if (!text(u"regex"_s, &lookup.pattern, true))
            return lookup;
    } else if (object.contains(u"json"_s)) {
        lookup.extraction = Extraction::Json;
        if (!text(u"json"_s, &lookup.pattern, true))
            return lookup;
    } else {
        lookup.extraction = Extraction::Between;
        const QJsonArray markers = object.value(u"between"_s).toArray();
        if (markers.size() != 2 || !markers[0].isString() || !markers[1].isString()) {
            *problem = u"between 须是两个文本组成的数组"_s;
            return lookup;
        }
        lookup.pattern = markers[0].toString();
        lookup.closing = markers[1].toString();
    }
    *problem = customProblem(lookup);
    return lookup;
}

QJsonObject customToJson(const CustomLookup& lookup)
{
    QJsonObject object {{u"key"_s, lookup.key}, {u"header"_s, lookup.header}, {u"url"_s, lookup.url}};
    if (!lookup.headers.isEmpty()) {
        QJsonObject headers;
        for (const auto& [name, value] : lookup.headers)
            headers.insert(name, value);
        object.insert(u"headers"_s, headers);
    }
    if (!lookup.charset.isEmpty())
        object.insert(u"charset"_s, lookup.charset);
    switch (lookup.extraction) {
    case Extraction::Regex:
        object.insert(u"regex"_s, lookup.pattern);
        break;
    case Extraction::Json:
        object.insert(u"json"_s, lookup.pattern);
        break;
    case Extraction::Between:
        object.insert(u"between"_s, QJsonArray {lookup.pattern, lookup.closing});
        break;
    }
    if (!lookup.service.isEmpty())
        object.insert(u"service"_s, lookup.service);
    return object;
}

QString customLookupsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/seo-quillmark/lookups.json"_s;
}

CustomFile readCustomLookups(const QString& path, const std::function<bool(const QString&)>& taken)
{
    CustomFile read;
    QFile file(path);
    if (!file.exists())
        return read;
    // Headers may hold API keys: a file written by hand is made its owner's alone, as the dialog writes it.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024) {
        read.skipped.append(u"%1：无法读取，或大于 1 MB，未载入任何自定义查询"_s.arg(path));
        return read;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isArray()) {
        read.skipped.append(u"%1：不是 JSON 数组（%2），未载入任何自定义查询"_s.arg(
            path, error.error == QJsonParseError::NoError ? u"顶层须是 [ … ]"_s : error.errorString()));
        return read;
    }
    QStringList keys;
    const QJsonArray entries = document.array();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QString problem;
        const CustomLookup lookup = entries[i].isObject() ? customFromJson(entries[i].toObject(), &problem)
                                                          : CustomLookup {};
        if (!entries[i].isObject())
            problem = u"不是 JSON 对象"_s;
        else if (problem.isEmpty() && (taken(lookup.key) || keys.contains(lookup.key, Qt::CaseInsensitive)))
            problem = u"键名“%1”已被占用"_s.arg(lookup.key);
        if (!problem.isEmpty()) {
            read.skipped.append(u"第 %1 项%2：%3，已跳过"_s.arg(i + 1).arg(
                lookup.key.isEmpty() ? QString() : u"（%1）"_s.arg(lookup.key), problem));
            continue;
        }
        keys.append(lookup.key);
        read.lookups.push_back(lookup);
    }
    return read;
}

QString writeCustomLookups(const QString& path, const std::vector<CustomLookup>& lookups)
{
    QJsonArray entries;
    for (const CustomLookup& lookup : lookups)
        entries.append(customToJson(lookup));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(QJsonDocument(entries).toJson(QJsonDocument::Indented)) < 0 || !file.commit())
        return u"无法保存 %1（%2）"_s.arg(path, file.errorString());
    return {};
}

QString customAddress(const CustomLookup& lookup, const QString& domain, QString* problem)
{
    // The names are those the registration columns ask about for the same row, a row typed as an address
    // (https://www.example.com.cn/path, a port) included.
    const TypedName name = typedName(domain);
    if (name.host.isEmpty() || (lookup.url.contains(kPlaceholders[1]) && name.ascii.isEmpty())) {
        *problem = u"无效域名"_s;
        return {};
    }
    if (lookup.url.contains(kPlaceholders[2]) && name.registrable.isEmpty()) {
        *problem = name.problem == u"无效域名"_s ? name.problem : u"无法确定可注册域名：%1"_s.arg(name.problem);
        return {};
    }
    return withPlaceholders(lookup.url, name.host, name.ascii, name.registrable);
}

FetchRequest customRequest(const CustomLookup& lookup, const QString& address)
{
    FetchRequest request(address, Charset::Utf8);
    request.keepBody = true;
    for (const auto& [name, value] : lookup.headers)
        request.headers.append({name.toLatin1(), value.toLatin1()});
    return request;
}

// ---- extractions ----

struct PageRegex::Engine
{
    pcre2_code* code = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;

    ~Engine()
    {
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
        pcre2_code_free(code);
    }
};

PageRegex::PageRegex(const QString& pattern)
    : m_engine(std::make_unique<Engine>())
{
    int code = 0;
    PCRE2_SIZE offset = 0;
    m_engine->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.utf16()), PCRE2_SIZE(pattern.size()), PCRE2_UTF,
        &code, &offset, nullptr);
    if (!m_engine->code) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(code, message, 256);
        m_error = u"正则表达式有误（第 %1 个字符：%2）"_s.arg(offset + 1).arg(
            QString::fromUtf16(reinterpret_cast<const char16_t*>(message)));
        return;
    }
    uint32_t groups = 0;
    pcre2_pattern_info(m_engine->code, PCRE2_INFO_CAPTURECOUNT, &groups);
    if (groups == 0) {
        m_error = u"正则表达式须有一个捕获组 ( )，其内容写入单元格"_s;
        return;
    }
    m_engine->context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(m_engine->context, kMatchLimit);
    if (pcre2_jit_compile(m_engine->code, PCRE2_JIT_COMPLETE) == 0) {
        m_engine->stack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
        pcre2_jit_stack_assign(m_engine->context, nullptr, m_engine->stack);
    }
}

PageRegex::~PageRegex() = default;

Extracted PageRegex::firstCapture(const QString& text) const
{
    if (!m_error.isEmpty())
        return {std::nullopt, m_error};
    qsizetype length = qMin(text.size(), kSearchedChars);
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        --length; // never cut a character in two
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(m_engine->code, nullptr);
    const int matched = pcre2_match(m_engine->code, reinterpret_cast<PCRE2_SPTR>(text.utf16()), PCRE2_SIZE(length), 0, 0,
        data, m_engine->context);
    Extracted found;
    if (matched >= 2) {
        const PCRE2_SIZE* at = pcre2_get_ovector_pointer(data);
        if (at[2] != PCRE2_UNSET)
            found.text = text.mid(qsizetype(at[2]), qsizetype(at[3] - at[2]));
    } else if (matched != PCRE2_ERROR_NOMATCH && matched < 0) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(matched, message, 256);
        const bool limit = matched == PCRE2_ERROR_MATCHLIMIT || matched == PCRE2_ERROR_DEPTHLIMIT
            || matched == PCRE2_ERROR_HEAPLIMIT || matched == PCRE2_ERROR_JIT_STACKLIMIT;
        found.problem = (limit ? u"正则表达式超出匹配限制，已放弃（%1）"_s : u"正则表达式无法匹配（%1）"_s)
                            .arg(QString::fromUtf16(reinterpret_cast<const char16_t*>(message)));
    }
    pcre2_match_data_free(data);
    return found;
}

Extracted jsonAt(const QByteArray& json, const QString& pointer)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (document.isNull())
        return {std::nullopt, u"JSON 无法解析（%1）"_s.arg(error.errorString())};
    QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    static const QRegularExpression index(u"^(0|[1-9][0-9]{0,8})$"_s);
    for (QString token : pointer.split(u'/').mid(1)) {
        token.replace(u"~1"_s, u"/"_s).replace(u"~0"_s, u"~"_s);
        if (value.isObject() && value.toObject().contains(token))
            value = value.toObject().value(token);
        else if (value.isArray() && index.match(token).hasMatch() && token.toInt() < value.toArray().size())
            value = value.toArray().at(token.toInt());
        else
            return {};
    }
    switch (value.type()) {
    case QJsonValue::String:
        return {value.toString()};
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (number == double(qint64(number)) && qAbs(number) < 9.0e15)
            return {QString::number(qint64(number))};
        return {QString::number(number, 'g', 15)};
    }
    case QJsonValue::Bool:
        return {value.toBool() ? u"true"_s : u"false"_s};
    case QJsonValue::Object:
        return {QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact))};
    case QJsonValue::Array:
        return {QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact))};
    default:
        return {};
    }
}

Extracted textBetween(const QString& text, const QString& opening, const QString& closing)
{
    const qsizetype open = text.indexOf(opening);
    if (open < 0)
        return {};
    const qsizetype start = open + opening.size();
    const qsizetype close = text.indexOf(closing, start);
    if (close < 0)
        return {};
    return {text.mid(start, close - start)};
}

// ---- the lookup ----

QString customPageText(const CustomLookup& lookup, const PageResult& page)
{
    // An answer that says nothing of its charset is read as a home page is: a GBK page that does not say so
    // is no more UTF-8 for being an API's.
    return lookup.charset.isEmpty() ? decodePage(page.body, page.contentType, Charset::Gb2312, true)
                                    : BytesToBstr(page.body, lookup.charset);
}

CellResult customCell(const CustomLookup& lookup, const PageRegex* regex, const PageResult& page)
{
    if (page.failure != FetchFailure::None || page.status < 200 || page.status >= 300)
        return pageCell(page, u"查询失败"_s);
    const QString text = customPageText(lookup, page);
    Extracted found;
    switch (lookup.extraction) {
    case Extraction::Regex:
        found = regex->firstCapture(text);
        if (found.text)
            found.text = decodeEntities(*found.text);
        break;
    case Extraction::Json:
        found = jsonAt(text.toUtf8(), lookup.pattern);
        break;
    case Extraction::Between:
        found = textBetween(text, lookup.pattern, lookup.closing);
        if (found.text)
            found.text = decodeEntities(*found.text);
        break;
    }
    if (!found.problem.isEmpty())
        return {u"查询失败"_s, found.problem};
    return {found.text ? shortened(*found.text) : kNone};
}

namespace {

class CustomJob : public LookupJob
{
public:
    CustomJob(std::shared_ptr<const CustomLookup> lookup, std::shared_ptr<const PageRegex> regex,
        const QString& domain, const JobContext& context)
        : m_lookup(std::move(lookup))
        , m_regex(std::move(regex))
        , m_domain(domain)
        , m_context(context)
    {
    }

    void start() override
    {
        QString problem;
        const QString address = customAddress(*m_lookup, m_domain, &problem);
        if (address.isEmpty()) {
            finish({problem == u"无效域名"_s ? problem : u"查询失败"_s, problem});
            return;
        }
        FetchRequest request = customRequest(*m_lookup, address);
        request.proxy = m_context.proxy;
        request.network = m_context.network;
        auto* fetch = new PageFetch(request, this);
        connect(fetch, &PageFetch::finished, this,
            [this, fetch] { finish(customCell(*m_lookup, m_regex.get(), fetch->result())); });
    }

private:
    std::shared_ptr<const CustomLookup> m_lookup;
    std::shared_ptr<const PageRegex> m_regex;
    QString m_domain;
    JobContext m_context;
};

} // namespace

std::unique_ptr<Lookup> customEntry(const CustomLookup& definition)
{
    auto lookup = std::make_shared<const CustomLookup>(definition);
    auto regex = definition.extraction == Extraction::Regex ? std::make_shared<const PageRegex>(definition.pattern)
                                                            : std::shared_ptr<const PageRegex>();
    // A service of its own is asked 2 at a time unless the user says otherwise; a built-in one keeps its pace.
    auto entry = std::make_unique<Lookup>(Lookup {.key = definition.key,
        .header = definition.header,
        .width = 120,
        .service = definition.serviceKey(),
        .serviceName = definition.serviceKey(),
        .pace = {2},
        .userDefined = true});
    entry->start = [lookup, regex](const QString& domain, const JobContext& context) -> LookupJob* {
        return new CustomJob(lookup, regex, domain, context);
    };
    return entry;
}
