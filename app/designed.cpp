#include "app/designed.h"

using namespace Qt::Literals::StringLiterals;

const std::vector<DesignedLookup>& designedLookups()
{
    static const std::vector<DesignedLookup> designed {
        {u"Check2"_s, u"未注册域名批量检测"_s, {3960, 120, 1935, 255, 16}, u"Command3"_s, u"可注册域名批量"_s,
            {240, 4440, 1575, 855, 3}, u"registrar"_s},
        {u"Check3"_s, u"备案批量查询"_s, {3960, 480, 1575, 255, 17}, u"Command1"_s, u"备案批量查询"_s,
            {1920, 4440, 1575, 855, 0}, u"icp"_s},
        {u"Check4"_s, u"百度收录批量查询"_s, {3960, 840, 1815, 255, 18}, u"Command6"_s, u"百度收录批量"_s,
            {3840, 4440, 1575, 855, 7}, u"baidu-index"_s},
        {u"Check5"_s, u"百度反链批量查询"_s, {3960, 1200, 1935, 255, 19}, u"Command7"_s, u"百度反链批量"_s,
            {5760, 4440, 1695, 855, 8}, u"baidu-links"_s},
        {u"Check6"_s, u"Alexa排名批量查询"_s, {6120, 480, 1935, 255, 20}, u"Command2"_s, u"Alexa排名批量查询"_s,
            {240, 5520, 1575, 735, 2}, u"alexa"_s},
        {u"Check7"_s, u"雅虎反链批量查询"_s, {6120, 840, 1815, 255, 21}, u"Command8"_s, u"雅虎反链批量"_s,
            {1920, 5520, 1695, 735, 9}, u"yahoo"_s},
        {u"Check8"_s, u"出站链接批量查询"_s, {6120, 120, 1935, 255, 22}, u"Command5"_s, u"出站链接批量查询"_s,
            {3840, 5520, 1575, 735, 5}, u"outbound"_s},
        {u"Check9"_s, u"站点IP批量查询"_s, {6120, 1200, 1815, 255, 23}, u"Command4"_s, u"站点IP批量查询"_s,
            {5760, 5520, 1695, 735, 4}, u"ip"_s},
    };
    return designed;
}

const DesignedLookup* designedByKey(const QString& key)
{
    for (const DesignedLookup& designed : designedLookups()) {
        if (designed.key == key)
            return &designed;
    }
    return nullptr;
}
