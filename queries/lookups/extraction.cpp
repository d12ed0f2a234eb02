// SPDX-License-Identifier: GPL-3.0-or-later
// The three ways a user's lookup cuts its cell from an answer: a regular expression (PCRE2, bounded), a JSON
// Pointer, or the text between two markers.
#include "queries/lookups/extraction.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A page of megabytes is searched no further than this; a title or a count sits well before it.
constexpr qsizetype kSearchedChars = 2 * 1024 * 1024;
// Backtracking steps one match may take: a sane pattern on a 2 MiB page needs a few million at most,
// a catastrophic one is stopped in well under a second.
constexpr uint32_t kMatchLimit = 5'000'000;

} // namespace

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
    m_engine->code = pcre2_compile(
        reinterpret_cast<PCRE2_SPTR>(pattern.utf16()), PCRE2_SIZE(pattern.size()), PCRE2_UTF, &code, &offset, nullptr);
    if (!m_engine->code) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(code, message, 256);
        m_error = QCoreApplication::translate("CustomLookups", "正则表达式有误（第 %1 个字符：%2）")
                      .arg(offset + 1)
                      .arg(QString::fromUtf16(reinterpret_cast<const char16_t*>(message)));
        return;
    }
    uint32_t groups = 0;
    pcre2_pattern_info(m_engine->code, PCRE2_INFO_CAPTURECOUNT, &groups);
    if (groups == 0) {
        m_error = QCoreApplication::translate("CustomLookups", "正则表达式须有一个捕获组 ( )，其内容写入单元格");
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
    const int matched = pcre2_match(
        m_engine->code, reinterpret_cast<PCRE2_SPTR>(text.utf16()), PCRE2_SIZE(length), 0, 0, data, m_engine->context);
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
        found.problem = (limit ? QCoreApplication::translate("CustomLookups", "正则表达式超出匹配限制，已放弃（%1）")
                               : QCoreApplication::translate("CustomLookups", "正则表达式无法匹配（%1）"))
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
        return {
            std::nullopt, QCoreApplication::translate("CustomLookups", "JSON 无法解析（%1）").arg(error.errorString())};
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
