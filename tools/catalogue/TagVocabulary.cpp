#include "catalogue/TagVocabulary.h"

namespace catalogue {

namespace {

std::vector<Tag> weightTags(bool chinese)
{
    const char* zh[] = {"极细", "纤细", "细体", "常规", "中等", "半粗", "粗体", "特粗"};
    const char* en[] = {"Thin", "ExtraLight", "Light", "Regular", "Medium", "SemiBold", "Bold", "Heavy"};
    std::vector<Tag> tags;
    for (int i = 0; i < 8; ++i)
        tags.push_back({std::to_string(i + 1), chinese ? zh[i] : en[i]});
    return tags;
}

std::vector<Tag> brandTags()
{
    std::vector<Tag> tags;
    for (const auto& b : TagVocabulary::brands())
        tags.push_back({std::to_string(b.partnerId), b.name});
    return tags;
}

std::vector<Tag> topicTags(bool chinese)
{
    return {{"m11", chinese ? "热门" : "Hot"},
            {"m5", chinese ? "最新" : "New"},
            {"m4", chinese ? "心动" : "Heartbeat"},
            {"m3", chinese ? "免费" : "Free"}};
}

} // namespace

const std::vector<Brand>& TagVocabulary::brands()
{
    static const std::vector<Brand> list = {
        {1, "文泉驿"}, {2, "DejaVu"}, {3, "GNU FreeFont"}, {4, "Liberation"},
        {5, "云墨字库"}, {6, "青禾字体"}, {7, "星河造字"}, {8, "Lumen Type"},
        {9, "Northwind Foundry"}, {10, "松风字坊"}, {11, "Harbor Letters"}, {12, "晨曦字体"},
    };
    return list;
}

std::string TagVocabulary::brandName(int partnerId)
{
    for (const auto& b : brands())
        if (b.partnerId == partnerId)
            return b.name;
    return {};
}

const std::vector<TagCategory>& TagVocabulary::chinese()
{
    static const std::vector<TagCategory> list = {
        {"风格", {{"101", "黑体"}, {"102", "宋体"}, {"103", "圆体"}, {"104", "书法"}, {"105", "手写"},
                  {"106", "等宽"}, {"107", "装饰"}}},
        {"用途", {{"201", "标题"}, {"202", "正文"}, {"203", "海报"}, {"204", "包装"}, {"205", "屏显"}}},
        {"类型", {{"301", "中文"}, {"302", "英文"}, {"303", "符号"}}},
        {"字重", weightTags(true)},
        {"字体品牌", brandTags()},
        {"大类型标签", topicTags(true)},
    };
    return list;
}

const std::vector<TagCategory>& TagVocabulary::foreign()
{
    // The special categories keep their Chinese names: the client matches them by name.
    static const std::vector<TagCategory> list = {
        {"Style", {{"101", "Sans"}, {"102", "Serif"}, {"103", "Rounded"}, {"104", "Script"},
                   {"105", "Handwriting"}, {"106", "Monospace"}, {"107", "Display"}}},
        {"Usage", {{"201", "Headline"}, {"202", "Body"}, {"203", "Poster"}, {"204", "Packaging"},
                   {"205", "Screen"}}},
        {"Type", {{"301", "Chinese"}, {"302", "Latin"}, {"303", "Symbols"}}},
        {"字重", weightTags(false)},
        {"字体品牌", brandTags()},
        {"大类型标签", topicTags(false)},
    };
    return list;
}

} // namespace catalogue
