#include "ServiceTestClient.h"

#include <QJsonDocument>

#include <algorithm>

using servicetest::ServiceTest;

namespace {

class CatalogueOperations : public ServiceTest {
protected:
    QJsonArray allFonts() { return client().call("", {{"tag", "100"}, {"size", "200"}}).data().value("fonts").toArray(); }
    QJsonObject chineseFont()
    {
        for (const auto& f : allFonts())
            if (f.toObject().value("type").toInt() == 1)
                return f.toObject();
        return {};
    }
};

} // namespace

TEST_F(CatalogueOperations, TagsCarryBothCataloguesWithTheFilterCategoriesInPlace)
{
    const QJsonObject tags = client().call("getTag", {{"tag", "129"}}).data().value("tags").toObject();
    for (const char* language : {"ZH", "ENG"}) {
        const QJsonArray categories = tags.value(language).toArray();
        ASSERT_GE(categories.size(), 6) << language;
        EXPECT_EQ(categories[3].toObject().value("classname").toString(), "字重") << "category 3 is the weight";
        const QJsonArray weights = categories[3].toObject().value("data").toArray();
        ASSERT_EQ(weights.size(), 8);
        EXPECT_EQ(weights[0].toObject().value("tagid").toString(), "1");
        EXPECT_EQ(weights[7].toObject().value("tagid").toString(), "8");
        QStringList names;
        for (const auto& c : categories)
            names << c.toObject().value("classname").toString();
        EXPECT_TRUE(names.contains("字体品牌"));
        EXPECT_TRUE(names.contains("大类型标签"));
        for (const auto& c : categories)
            for (const auto& t : c.toObject().value("data").toArray())
                EXPECT_TRUE(t.toObject().value("tagid").isString() && t.toObject().value("tagname").isString());
    }
}

TEST_F(CatalogueOperations, StartUpDataHasEveryPageUrlAndThePopularityList)
{
    const QJsonObject data = client().call("getBaseInfo", {{"tag", "130"}}).data();
    for (const char* key : {"weixin_login_url", "qq_login_url", "register_agree_url", "shop_url", "forget_pwd", "help_url",
                            "coll_list", "coll_share", "qq_group", "brand_license", "heartbeat_url", "questionnaire"})
        EXPECT_TRUE(data.value(key).toString().startsWith(QString::fromStdString(service().baseUrl()))) << key;
    const QJsonArray heat = data.value("heat").toArray();
    ASSERT_FALSE(heat.isEmpty());
    int64_t previousHeat = INT64_MAX;
    const QJsonArray fonts = allFonts();
    for (const auto& item : heat) {
        const int64_t fid = item.toObject().value("fid").toInteger();
        for (const auto& f : fonts)
            if (f.toObject().value("fontid").toInteger() == fid) {
                EXPECT_LE(f.toObject().value("heat").toInteger(), previousHeat) << "most popular first";
                previousHeat = f.toObject().value("heat").toInteger();
            }
    }
    service().setQuestionnaire("");
    EXPECT_EQ(client().call("getBaseInfo", {{"tag", "130"}}).data().value("questionnaire").toString(), "");
    service().setQuestionnaire("files/images/questionnaire.png");
}

TEST_F(CatalogueOperations, DataStateFollowsTheScript)
{
    QJsonObject state = client().call("getBaseData", {{"tag", "131"}}).data();
    EXPECT_EQ(state.value("data_expire").toInt(), 0);
    EXPECT_EQ(state.value("data_version").toString(), "A20200326154556");
    service().setDataState(1, "20261201120000", "files/packages/partial.zip");
    state = client().call("getBaseData", {{"tag", "131"}}).data();
    EXPECT_EQ(state.value("data_expire").toInt(), 1);
    EXPECT_EQ(state.value("data_version").toString(), "20261201120000");
    EXPECT_EQ(state.value("data_url").toString().toStdString(), service().baseUrl() + "files/packages/partial.zip");
    EXPECT_EQ(client().call("", {{"tag", "132"}, {"data_version", "x"}}).data(), state) << "the base-URL variant agrees";
    service().setDataState(0, "A20200326154556", "");
}

TEST_F(CatalogueOperations, SearchFindsNamesAndTreatsWildcardsLiterally)
{
    const QJsonObject font = chineseFont();
    ASSERT_FALSE(font.isEmpty());
    const QString name = font.value("fontname").toString();
    const auto reply = client().call("getSearch", {{"tag", "141"}, {"str", name.left(3).toStdString()}});
    const QStringList ids = reply.data().value("fids").toString().split(',');
    EXPECT_TRUE(ids.contains(QString::number(font.value("fontid").toInteger())));
    EXPECT_EQ(client().call("getSearch", {{"tag", "141"}, {"str", "%"}}).data().value("fids").toString(), "");
    EXPECT_EQ(client().call("getSearch", {{"tag", "141"}, {"str", "'; DROP TABLE fp_fonts; --"}}).data().value("fids").toString(), "");
    EXPECT_EQ(client().call("getSearch", {{"tag", "141"}, {"str", ""}}).data().value("fids").toString(), "");
}

TEST_F(CatalogueOperations, SearchWantsEveryWordAndKeepsThePopularityOrder)
{
    const auto search = [&](const std::string& text) {
        QStringList ids = client().call("getSearch", {{"tag", "141"}, {"str", text}}).data().value("fids").toString().split(',');
        ids.removeAll(QString());
        return ids;
    };
    // Every font whose names hold both words, and only those, most popular first.
    QStringList expected;
    std::vector<std::pair<int64_t, int64_t>> ranked; // heat, fontid
    for (const auto& f : allFonts()) {
        const QJsonObject font = f.toObject();
        const QString names = font.value("fontname").toString() + " " + font.value("font_en_name").toString() + " "
            + font.value("keyword").toString() + " " + font.value("ps_name").toString();
        if (names.contains("dejavu", Qt::CaseInsensitive) && names.contains("bold", Qt::CaseInsensitive))
            ranked.emplace_back(font.value("heat").toInteger(), font.value("fontid").toInteger());
    }
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    for (const auto& [heat, id] : ranked)
        expected << QString::number(id);
    ASSERT_GE(expected.size(), 2);
    EXPECT_EQ(search("DejaVu Bold"), expected);
    EXPECT_EQ(search("  bold \t dejavu\xE3\x80\x80"), search("dejavu bold")) << "blanks of any kind, in any order";
    EXPECT_LT(search("DejaVu Bold").size(), search("DejaVu").size());
    EXPECT_TRUE(search("DejaVu Nonexistentword").isEmpty());
    EXPECT_TRUE(search(" \t ").isEmpty());
}

TEST_F(CatalogueOperations, DetailHasTheKeysOfTheDetailPanel)
{
    const int64_t id = chineseFont().value("fontid").toInteger();
    const auto reply = client().call("getInfo", {{"tag", "163"}, {"fontid", std::to_string(id)}});
    ASSERT_EQ(reply.errcode(), 0);
    const QJsonObject d = reply.data();
    for (const char* key : {"cover_img", "content_img", "font_name", "punctuation", "apply_img", "tags", "describe",
                            "designer", "provider", "type_info", "language", "made_time"})
        EXPECT_TRUE(d.value(key).isString()) << key;
    for (const char* key : {"intro_img", "ft_apply", "font_list"})
        EXPECT_TRUE(d.value(key).isArray()) << key;
    EXPECT_EQ(d.value("language").toString(), "中文");
    const QJsonObject weight = d.value("font_list").toArray().first().toObject();
    EXPECT_TRUE(weight.contains("name") && weight.contains("image"));
    const std::string image = d.value("punctuation").toString().toStdString();
    const auto png = client().get(image.substr(service().baseUrl().size() - 1));
    EXPECT_EQ(png.status, 200);
    EXPECT_EQ(png.body.substr(0, 4), "\x89PNG");

    EXPECT_EQ(client().call("getInfo", {{"tag", "163"}, {"fontid", "999999999"}}).message(), "字体不存在");
    EXPECT_EQ(client().call("getInfo", {{"tag", "163"}, {"fontid", "12abc"}}).errcode(), 111);
}

TEST_F(CatalogueOperations, PreviewImagesOfACustomTextForEachKnownFont)
{
    const QJsonArray fonts = allFonts();
    const int64_t a = fonts[0].toObject().value("fontid").toInteger();
    const int64_t b = fonts[1].toObject().value("fontid").toInteger();
    const auto reply = client().call("getFontsImg", {{"tag", "127"}, {"str", "你好 Hi"},
                                                     {"fids", std::to_string(a) + ",999999," + std::to_string(b)}});
    const QJsonArray lists = reply.data().value("lists").toArray();
    ASSERT_EQ(lists.size(), 2) << "unknown ids are left out";
    EXPECT_EQ(lists[0].toObject().value("fontid").toInteger(), a);
    EXPECT_EQ(lists[1].toObject().value("fontid").toInteger(), b);
    const std::string day = lists[0].toObject().value("image").toString().toStdString();
    const std::string night = lists[0].toObject().value("night_image").toString().toStdString();
    const auto dayPng = client().get(day.substr(service().baseUrl().size() - 1));
    const auto nightPng = client().get(night.substr(service().baseUrl().size() - 1));
    EXPECT_EQ(dayPng.body.substr(0, 4), "\x89PNG");
    EXPECT_EQ(nightPng.body.substr(0, 4), "\x89PNG");
    EXPECT_NE(dayPng.body, nightPng.body);
    EXPECT_EQ(client().call("getFontsImg", {{"tag", "127"}, {"str", "x"}, {"fids", "1,a"}}).errcode(), 111);
}

TEST_F(CatalogueOperations, FontDownShareThePathAndDifferByParameters)
{
    const QJsonObject font = allFonts()[0].toObject();
    const std::string id = std::to_string(font.value("fontid").toInteger());
    const auto links = client().call("fontDown", {{"tag", "103"}, {"font_ids", id}});
    ASSERT_EQ(links.errcode(), 0);
    const QJsonObject link = links.data().value("fonts").toArray().first().toObject();
    EXPECT_EQ(link.value("download_url"), font.value("download_url"));
    const auto report = client().call("fontDown", {{"tag", "103"}, {"activation", ""}, {"download_ids", id}});
    EXPECT_EQ(report.errcode(), 0);
    EXPECT_FALSE(report.data().contains("fonts"));
}

TEST_F(CatalogueOperations, PagesOfIdsFollowTheCatalogueOrder)
{
    const auto first = client().call("", {{"tag", "142"}, {"encrypt", "encrypt"}, {"page", "1"}}).data();
    const auto second = client().call("", {{"tag", "142"}, {"encrypt", "encrypt"}, {"page", "2"}}).data();
    const QStringList a = first.value("fids").toString().split(',');
    EXPECT_EQ(a.size(), 20);
    for (const auto& id : second.value("fids").toString().split(',', Qt::SkipEmptyParts))
        EXPECT_FALSE(a.contains(id));
    EXPECT_EQ(client().call("", {{"tag", "142"}, {"page", "0"}}).errcode(), 111);
}
