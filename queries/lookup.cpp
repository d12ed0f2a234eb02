#include "queries/lookup.h"

#include "web/fetch.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Baidu and Yahoo answer throttled clients with a verification page instead of results.
bool isVerificationPage(const QString& page)
{
    // Titles and hosts of the challenge pages the engines have been seen to serve.
    static const QString signatures[] = {
        u"百度安全验证"_s,
        u"安全验证"_s,
        u"wappass.baidu.com"_s,
        u"请输入验证码"_s,
        u"verify.baidu.com"_s,
        u"captcha"_s,
    };
    for (const QString& signature : signatures) {
        if (page.contains(signature, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

CellResult pageCell(const PageResult& page, const QString& text)
{
    return {text, failureReason(page)};
}

CellResult searchEngineCell(const PageResult& page, const QString& text, bool countShown)
{
    CellResult cell = pageCell(page, text);
    if (cell.problem.isEmpty() && !countShown && isVerificationPage(page.text))
        cell.problem = u"搜索引擎要求验证"_s;
    return cell;
}
