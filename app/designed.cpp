// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/designed.h"

#include <QCoreApplication>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

const std::vector<DesignedLookup>& designedLookups()
{
    static const std::vector<DesignedLookup> designed {
        {u"Check2"_s, QT_TRANSLATE_NOOP("Designed", "未注册域名批量检测"), {3960, 120, 1935, 255, 16}, u"Command3"_s,
            QT_TRANSLATE_NOOP("Designed", "可注册域名批量"), {240, 4440, 1575, 855, 3}, u"registrar"_s},
        {u"Check3"_s, QT_TRANSLATE_NOOP("Designed", "备案批量查询"), {3960, 480, 1575, 255, 17}, u"Command1"_s,
            QT_TRANSLATE_NOOP("Designed", "备案批量查询"), {1920, 4440, 1575, 855, 0}, u"icp"_s},
        {u"Check4"_s, QT_TRANSLATE_NOOP("Designed", "百度收录批量查询"), {3960, 840, 1815, 255, 18}, u"Command6"_s,
            QT_TRANSLATE_NOOP("Designed", "百度收录批量"), {3840, 4440, 1575, 855, 7}, u"baidu-index"_s},
        {u"Check5"_s, QT_TRANSLATE_NOOP("Designed", "百度反链批量查询"), {3960, 1200, 1935, 255, 19}, u"Command7"_s,
            QT_TRANSLATE_NOOP("Designed", "百度反链批量"), {5760, 4440, 1695, 855, 8}, u"baidu-links"_s},
        {u"Check6"_s, QT_TRANSLATE_NOOP("Designed", "Alexa排名批量查询"), {6120, 480, 1935, 255, 20}, u"Command2"_s,
            QT_TRANSLATE_NOOP("Designed", "Alexa排名批量查询"), {240, 5520, 1575, 735, 2}, u"alexa"_s},
        {u"Check7"_s, QT_TRANSLATE_NOOP("Designed", "雅虎反链批量查询"), {6120, 840, 1815, 255, 21}, u"Command8"_s,
            QT_TRANSLATE_NOOP("Designed", "雅虎反链批量"), {1920, 5520, 1695, 735, 9}, u"yahoo"_s},
        {u"Check8"_s, QT_TRANSLATE_NOOP("Designed", "出站链接批量查询"), {6120, 120, 1935, 255, 22}, u"Command5"_s,
            QT_TRANSLATE_NOOP("Designed", "出站链接批量查询"), {3840, 5520, 1575, 735, 5}, u"outbound"_s},
        {u"Check9"_s, QT_TRANSLATE_NOOP("Designed", "站点IP批量查询"), {6120, 1200, 1815, 255, 23}, u"Command4"_s,
            QT_TRANSLATE_NOOP("Designed", "站点IP批量查询"), {5760, 5520, 1695, 735, 4}, u"ip"_s},
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

const std::vector<DesignedControl>& designedControls()
{
    using C = DesignedControl;
    static const std::vector<DesignedControl> designed {
        {u"List1"_s, C::List, nullptr, {240, 120, 2055, 1140, 1}},
        {u"Text1"_s, C::TextBox, nullptr, {120, 120, 2175, 1335, 25}},
        {u"Command13"_s, C::Button, QT_TRANSLATE_NOOP("Designed", "开  始"), {2520, 120, 1215, 495, 24}},
        {u"Command14"_s, C::Button, QT_TRANSLATE_NOOP("Designed", "导  出"), {2520, 840, 1215, 495, 26}},
        // Only the box shows; its caption lies beyond its width.
        {u"Check10"_s, C::CheckBox, "Check10", {3480, 1080, 255, 255, 28}},
        {u"Command15"_s, C::Button, QT_TRANSLATE_NOOP("Designed", "访问官网"), {9360, 120, 1575, 495, 29}},
        // Progress and the last batch's summary, in the free space under Command15.
        {u"Label1"_s, C::Label, nullptr, {8160, 720, 2775, 780, -1}},
        {u"ListView1"_s, C::Grid, nullptr, {120, 1560, 10935, 2415, 13}},
        {u"Text2"_s, C::TextBox, nullptr, {0, 1560, 11055, 2415, 27}},
        {u"Command9"_s, C::Button, QT_TRANSLATE_NOOP("Designed", "停止"), {7920, 5760, 975, 495, 11}},
        // Below the client area and wired to nothing, as designed; they keep their names and places in the Tab order.
        {u"Command10"_s, C::Button, QT_TRANSLATE_NOOP("Designed", "清空"), {7920, 4920, 975, 375, 12}},
        {u"Command11"_s, C::Button, "Command11", {7920, 5400, 975, 375, 14}},
        {u"Command12"_s, C::Button, "Command12", {3000, 6360, 975, 375, 15}},
        {u"Check1"_s, C::CheckBox, "Check1", {8400, 6000, 255, 255, 10}},
        // The outbound lookup's scratch list is the walker's own; this one stays empty.
        {u"List3"_s, C::List, nullptr, {8280, 5880, 375, 420, 6}},
    };
    return designed;
}

const char* const kStopCaption = QT_TRANSLATE_NOOP("Designed", "停  止");

QString shownCaption(const char* caption)
{
    return caption ? QCoreApplication::translate("Designed", caption) : QString();
}

const DesignedNames& designedNames()
{
    static const DesignedNames names {u"Form1"_s, u"Timer1"_s, u"List1"_s, u"Text1"_s, u"Text2"_s, u"ListView1"_s,
        u"Label1"_s, u"Command13"_s, u"Command14"_s, u"Command15"_s, u"Check10"_s, u"Command9"_s, u"Check1"_s,
        u"Command11"_s};
    return names;
}

const DesignedControl& designedControl(const QString& name)
{
    const auto& all = designedControls();
    return *std::find_if(all.begin(), all.end(), [&](const DesignedControl& control) { return control.name == name; });
}
