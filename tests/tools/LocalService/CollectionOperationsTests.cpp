#include "ServiceTestClient.h"
#include "local-service/ApiDispatcher.h"

#include <QFile>

using servicetest::ServiceTest;
using servicetest::ids;

namespace {

class CollectionOperations : public ServiceTest {
protected:
    QJsonArray folders(const std::string& token)
    {
        return client().call("getMyCollect", {{"tag", "137"}}, token).data().value("collection").toArray();
    }
    QJsonObject folderNamed(const std::string& token, const QString& name)
    {
        for (const auto& f : folders(token))
            if (f.toObject().value("collect_name").toString() == name)
                return f.toObject();
        return {};
    }
    std::vector<int64_t> fontIds(int count)
    {
        std::vector<int64_t> out;
        for (const auto& f : client().call("", {{"tag", "100"}, {"size", std::to_string(count)}}).data().value("fonts").toArray())
            out.push_back(f.toObject().value("fontid").toInteger());
        return out;
    }
};

} // namespace

TEST_F(CollectionOperations, OwnFoldersCarryTheFolderRecordAndTheVersion)
{
    const std::string token = client().signIn("demo", "demo1234");
    const auto reply = client().call("getMyCollect", {{"tag", "137"}}, token);
    ASSERT_EQ(reply.errcode(), 0);
    const QJsonArray list = reply.data().value("collection").toArray();
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[0].toObject().value("collect_name").toString(), "喜欢的字体") << "the default folder comes first";
    for (const auto& f : list) {
        const QJsonObject o = f.toObject();
        for (const char* key : {"id", "collect_name", "fonts", "font_num", "add_time", "is_publish", "is_encrypt", "img",
                                "visits", "reason"})
            EXPECT_TRUE(o.contains(key)) << key;
        EXPECT_EQ(o.value("font_num").toInt(), o.value("fonts").toArray().size());
    }
    EXPECT_TRUE(reply.data().value("collect_version").isString());
    EXPECT_FALSE(reply.json.contains("collect_version"));
}

TEST_F(CollectionOperations, FollowedListHasTheVersionAtTheTopLevel)
{
    const std::string token = client().signIn("demo", "demo1234");
    const auto reply = client().call("getMyCollect", {{"tag", "137"}, {"type", "1"}}, token);
    ASSERT_EQ(reply.errcode(), 0);
    EXPECT_TRUE(reply.json.value("collect_version").isString());
    const QJsonArray follow = reply.data().value("follow").toArray();
    ASSERT_EQ(follow.size(), 2);
    for (const char* key : {"id", "img", "user_head", "collect_name", "user_name", "user_id", "visits", "follow_num",
                            "font_num", "add_time", "collect_desc"})
        EXPECT_TRUE(follow[0].toObject().contains(key)) << key;
}

TEST_F(CollectionOperations, CreateRenameDeleteAndTheirRefusals)
{
    const std::string token = client().registerNewUser(service());
    const auto created = client().call("createCollect", {{"tag", "133"}, {"name", "海报"}}, token);
    ASSERT_EQ(created.errcode(), 0);
    const int64_t id = created.data().value("id").toInteger();
    EXPECT_EQ(client().call("createCollect", {{"tag", "133"}, {"name", "海报"}}, token).message(), "收藏夹名称已存在");
    EXPECT_EQ(client().call("createCollect", {{"tag", "133"}, {"name", ""}}, token).errcode(), 111);

    EXPECT_EQ(client().call("modifyCollect", {{"tag", "134"}, {"id", std::to_string(id)}, {"name", "大字海报"}, {"collect_img", ""}}, token).errcode(), 0);
    EXPECT_EQ(folderNamed(token, "大字海报").value("id").toInteger(), id);

    const int64_t defaultId = folders(token)[0].toObject().value("id").toInteger();
    EXPECT_EQ(client().call("deleCollect", {{"tag", "135"}, {"id", std::to_string(defaultId)}}, token).message(), "默认收藏夹不能删除");
    EXPECT_EQ(client().call("modifyCollect", {{"tag", "134"}, {"id", std::to_string(defaultId)}, {"name", "x"}}, token).errcode(), 1);

    const std::string demo = client().signIn("demo", "demo1234");
    EXPECT_EQ(client().call("deleCollect", {{"tag", "135"}, {"id", std::to_string(id)}}, demo).message(), "收藏夹不存在")
        << "another user's folder";
    EXPECT_EQ(client().call("deleCollect", {{"tag", "135"}, {"id", std::to_string(id)}}, token).errcode(), 0);
    EXPECT_EQ(folders(token).size(), 1);
}

TEST_F(CollectionOperations, FilingAFontSetsExactlyTheNamedFolders)
{
    const std::string token = client().registerNewUser(service());
    const int64_t a = folders(token)[0].toObject().value("id").toInteger();
    const int64_t b = client().call("createCollect", {{"tag", "133"}, {"name", "B"}}, token).data().value("id").toInteger();
    const int64_t c = client().call("createCollect", {{"tag", "133"}, {"name", "C"}}, token).data().value("id").toInteger();
    const auto font = fontIds(2);
    const std::string f = std::to_string(font[0]);
    auto file = [&](const std::string& list) {
        return client().call("addLike", {{"tag", "105"}, {"font_ids", f}, {"collect_id", list}}, token).errcode();
    };
    ASSERT_EQ(file(std::to_string(a) + "," + std::to_string(c)), 0);
    QJsonArray list = folders(token);
    EXPECT_EQ(ids(list[0].toObject().value("fonts").toArray()), std::vector<int64_t>{font[0]});
    EXPECT_TRUE(list[1].toObject().value("fonts").toArray().isEmpty());
    EXPECT_EQ(ids(list[2].toObject().value("fonts").toArray()), std::vector<int64_t>{font[0]});

    client().call("addLike", {{"tag", "105"}, {"font_ids", std::to_string(font[1])}, {"collect_id", std::to_string(c)}}, token);
    ASSERT_EQ(file(std::to_string(b)), 0);
    list = folders(token);
    EXPECT_TRUE(list[0].toObject().value("fonts").toArray().isEmpty());
    EXPECT_EQ(ids(list[1].toObject().value("fonts").toArray()), std::vector<int64_t>{font[0]});
    EXPECT_EQ(ids(list[2].toObject().value("fonts").toArray()), std::vector<int64_t>{font[1]}) << "other fonts stay";

    ASSERT_EQ(file(""), 0);
    list = folders(token);
    EXPECT_TRUE(list[1].toObject().value("fonts").toArray().isEmpty());
    EXPECT_EQ(file("999999"), 1);
    EXPECT_EQ(file("1,x"), 111);
}

TEST_F(CollectionOperations, VersionChangesWithEveryChange)
{
    const std::string token = client().registerNewUser(service());
    const QString version = client().call("getMyCollect", {{"tag", "137"}}, token).data().value("collect_version").toString();
    auto check = [&](const QString& v) {
        return client().call("checkCollectUpdate", {{"tag", "145"}, {"collect_version", v.toStdString()}}, token).data().value("is_new").toInt();
    };
    EXPECT_EQ(check(version), 0);
    client().call("createCollect", {{"tag", "133"}, {"name", "新建"}}, token);
    EXPECT_EQ(check(version), 1);
    const QString newer = client().call("getMyCollect", {{"tag", "137"}, {"type", "1"}}, token).json.value("collect_version").toString();
    EXPECT_NE(newer, version);
    EXPECT_EQ(check(newer), 0);
}

TEST_F(CollectionOperations, FollowingChangesTheFollowedListAndTheCount)
{
    const std::string token = client().registerNewUser(service());
    const QJsonArray recommended = client().call("getCollectList", {{"tag", "143"}}).data().value("collection").toArray();
    ASSERT_GE(recommended.size(), 3);
    for (const auto& c : recommended)
        EXPECT_EQ(c.toObject().value("is_publish").toInt(), 2);
    const QJsonObject card = recommended[0].toObject();
    const std::string id = std::to_string(card.value("id").toInteger());
    ASSERT_EQ(client().call("followCollect", {{"tag", "138"}, {"collect_id", id}, {"type", "1"}}, token).errcode(), 0);
    ASSERT_EQ(client().call("followCollect", {{"tag", "138"}, {"collect_id", id}, {"type", "1"}}, token).errcode(), 0);
    auto followed = client().call("getMyCollect", {{"tag", "137"}, {"type", "1"}}, token).data().value("follow").toArray();
    ASSERT_EQ(followed.size(), 1);
    EXPECT_EQ(followed[0].toObject().value("follow_num").toInt(), card.value("follow_num").toInt() + 1) << "counted once";
    ASSERT_EQ(client().call("followCollect", {{"tag", "138"}, {"collect_id", id}, {"type", "0"}}, token).errcode(), 0);
    EXPECT_TRUE(client().call("getMyCollect", {{"tag", "137"}, {"type", "1"}}, token).data().value("follow").toArray().isEmpty());
    EXPECT_EQ(client().call("followCollect", {{"tag", "138"}, {"collect_id", "999999"}, {"type", "1"}}, token).message(), "合集不存在");
    EXPECT_EQ(client().call("followCollect", {{"tag", "138"}, {"collect_id", id}, {"type", "2"}}, token).errcode(), 111);
}

TEST_F(CollectionOperations, CollectionDetailListsItsFontsAsCatalogueRows)
{
    const QJsonObject card = client().call("getCollectList", {{"tag", "143"}}).data().value("collection").toArray()[0].toObject();
    const auto reply = client().call("getCollectInfo", {{"tag", "144"}, {"id", std::to_string(card.value("id").toInteger())}, {"source", "0"}});
    ASSERT_EQ(reply.errcode(), 0);
    const QJsonArray fonts = reply.data().value("fonts").toArray();
    EXPECT_EQ(fonts.size(), card.value("font_num").toInt());
    for (const auto& f : fonts)
        for (const char* key : {"fontid", "fontname", "image", "night_image", "download_url", "marketing", "is_sell"})
            EXPECT_TRUE(f.toObject().contains(key)) << key;
    EXPECT_EQ(reply.data().value("visits").toInt(), card.value("visits").toInt() + 1);
    const std::string demo = client().signIn("demo", "demo1234");
    const int64_t draft = folders(demo)[0].toObject().value("id").toInteger();
    EXPECT_EQ(client().call("getCollectInfo", {{"tag", "144"}, {"id", std::to_string(draft)}, {"source", "0"}}).errcode(), 1)
        << "an unpublished folder is private";
}

TEST_F(CollectionOperations, PublishingPutsAFolderUnderReview)
{
    const std::string token = client().registerNewUser(service());
    const int64_t id = client().call("createCollect", {{"tag", "133"}, {"name", "待发布"}}, token).data().value("id").toInteger();
    const std::string png = QByteArray("\x89PNG\r\n\x1a\nrest-of-image").toBase64().toStdString();
    const auto reply = client().call("", {{"tag", "136"}, {"id", std::to_string(id)}, {"is_encrypt", "0"}, {"encrypt_str", ""},
                                          {"img", png}, {"tag_id", "101"}, {"tag_name", "黑体"}, {"suffix", "png"},
                                          {"collect_name", "我的合集"}}, token);
    ASSERT_EQ(reply.errcode(), 0) << reply.body;
    const QJsonObject folder = folderNamed(token, "我的合集");
    EXPECT_EQ(folder.value("is_publish").toInt(), 1);
    const std::string img = folder.value("img").toString().toStdString();
    ASSERT_EQ(img.rfind(service().baseUrl() + "files/uploads/", 0), 0u);
    EXPECT_EQ(client().get(img.substr(service().baseUrl().size() - 1)).body.substr(0, 4), "\x89PNG");
    EXPECT_EQ(client().call("", {{"tag", "136"}, {"id", std::to_string(id)}, {"img", "bm90IGFuIGltYWdl"}}, token).errcode(), 111);
}

TEST_F(CollectionOperations, ThePublishedSummaryIsServedWithTheCollection)
{
    const std::string token = client().registerNewUser(service());
    const int64_t id = client().call("createCollect", {{"tag", "133"}, {"name", "有简介"}}, token).data().value("id").toInteger();
    const std::string folder = std::to_string(id);
    const auto reply = client().call("", {{"tag", "136"}, {"id", folder}, {"is_encrypt", "0"}, {"encrypt_str", ""},
                                          {"collect_desc", "适合做标题的粗黑体"}, {"tag_id", "101"}, {"tag_name", "黑体"},
                                          {"collect_name", "有简介"}}, token);
    ASSERT_EQ(reply.errcode(), 0) << reply.body;
    EXPECT_EQ(folderNamed(token, "有简介").value("collect_desc").toString(), QStringLiteral("适合做标题的粗黑体"));
    ASSERT_EQ(client().post("__admin/review", "id=" + folder + "&state=2").status, 200);
    const auto detail = client().call("getCollectInfo", {{"tag", "144"}, {"id", folder}, {"source", "0"}});
    ASSERT_EQ(detail.errcode(), 0) << detail.body;
    EXPECT_EQ(detail.data().value("collect_desc").toString(), QStringLiteral("适合做标题的粗黑体"));
    QString listed;
    for (const auto& card : client().call("getCollectList", {{"tag", "143"}}).data().value("collection").toArray())
        if (card.toObject().value("id").toInteger() == id)
            listed = card.toObject().value("collect_desc").toString();
    EXPECT_EQ(listed, QStringLiteral("适合做标题的粗黑体"));
}

TEST_F(CollectionOperations, ACoverOfTwoMebibytesIsAccepted)
{
    // Covers go base64 in the form body: a real one is far beyond the few kilobytes of other forms.
    const std::string token = client().registerNewUser(service());
    const int64_t id = client().call("createCollect", {{"tag", "133"}, {"name", "大封面"}}, token).data().value("id").toInteger();
    QByteArray jpeg("\xff\xd8\xff\xe0", 4);
    jpeg.append(QByteArray(2 * 1024 * 1024 - jpeg.size(), '\x5a'));
    const auto reply = client().call("", {{"tag", "136"}, {"id", std::to_string(id)}, {"img", jpeg.toBase64().toStdString()},
                                          {"suffix", "jpg"}, {"collect_name", "大封面"}}, token);
    ASSERT_EQ(reply.errcode(), 0) << reply.status << " " << reply.body.substr(0, 200);
    const std::string img = folderNamed(token, "大封面").value("img").toString().toStdString();
    EXPECT_EQ(client().get(img.substr(service().baseUrl().size() - 1)).body.size(), static_cast<size_t>(jpeg.size()));
}

TEST_F(CollectionOperations, ThePasswordProtectedCollectionIsSeededAndItsPasswordKeptHashed)
{
    const QJsonArray recommended = client().call("getCollectList", {{"tag", "143"}}).data().value("collection").toArray();
    QJsonObject locked;
    for (const auto& c : recommended)
        if (c.toObject().value("is_encrypt").toInt() != 0)
            locked = c.toObject();
    ASSERT_FALSE(locked.isEmpty());
    EXPECT_EQ(locked.value("collect_name").toString(), QStringLiteral("会员专享合集"));
    EXPECT_EQ(locked.value("is_publish").toInt(), 2);
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(service().stateDir())) {
        if (entry.path().filename().string().rfind("state.sqlite", 0) != 0)
            continue;
        QFile state(QString::fromStdString(entry.path().string()));
        ASSERT_TRUE(state.open(QIODevice::ReadOnly));
        EXPECT_FALSE(state.readAll().contains("corvane2024")) << entry.path();
        read += 1;
    }
    EXPECT_GE(read, 1);
}

TEST_F(CollectionOperations, TheReviewSwitchPublishesOrRefusesAFolder)
{
    const std::string token = client().registerNewUser(service());
    const int64_t id = client().call("createCollect", {{"tag", "133"}, {"name", "送审"}}, token).data().value("id").toInteger();
    const auto review = [&](const std::string& state, const std::string& reason = {}) {
        return client().post("__admin/review", "id=" + std::to_string(id) + "&state=" + state + (reason.empty() ? "" : "&reason=" + reason)).status;
    };
    EXPECT_EQ(review("2"), 200);
    EXPECT_EQ(folderNamed(token, "送审").value("is_publish").toInt(), 2);
    EXPECT_EQ(review("3", "cover"), 200);
    EXPECT_EQ(folderNamed(token, "送审").value("is_publish").toInt(), 3);
    EXPECT_EQ(folderNamed(token, "送审").value("reason").toString(), "cover");
    EXPECT_EQ(review("1"), 400) << "only the review's outcomes";
    EXPECT_EQ(client().post("__admin/review", "id=999999&state=2").status, 400);
}

TEST_F(CollectionOperations, TheSharePageAnswersPublishedCollectionsAndKnownTargets)
{
    const QJsonObject card = client().call("getCollectList", {{"tag", "143"}}).data().value("collection").toArray()[0].toObject();
    const std::string id = std::to_string(card.value("id").toInteger());
    const auto page = client().get("/pages/share?id=" + id + "&direct=weibo");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find(card.value("collect_name").toString().toStdString()), std::string::npos);
    EXPECT_NE(page.body.find(card.value("user_name").toString().toStdString()), std::string::npos);
    EXPECT_NE(page.body.find("微博"), std::string::npos);
    EXPECT_NE(page.body.find(card.value("img").toString().toStdString()), std::string::npos) << "the cover";
    EXPECT_EQ(client().get("/pages/share?id=" + id + "&direct=mail").status, 400);
    EXPECT_EQ(client().get("/pages/share?id=999999&direct=qq").status, 404);
    EXPECT_EQ(client().get("/pages/share?id=" + id + "x&direct=qq").status, 404);
    const std::string demo = client().signIn("demo", "demo1234");
    const auto draft = folders(demo)[0].toObject().value("id").toInteger();
    EXPECT_EQ(client().get("/pages/share?id=" + std::to_string(draft) + "&direct=qq").status, 404) << "not published";
}

TEST_F(CollectionOperations, PrintedLinesHideFolderPasswordsAndShortenCovers)
{
    const std::string cover(5000, 'A');
    const std::string line = localservice::ApiDispatcher::logLine(
        "", {{"tag", "136"}, {"encrypt_str", "hunter22"}, {"img", cover}, {"password", "pw"}, {"secret", "abc"}});
    EXPECT_EQ(line, "POST / tag=136 encrypt_str=*** img=AAAAAAAAAAAAAAAA…(5000 bytes) password=***");
    service().requestLog().clear();
    const std::string token = client().registerNewUser(service());
    const int64_t id = client().call("createCollect", {{"tag", "133"}, {"name", "带密码"}}, token).data().value("id").toInteger();
    service().requestLog().clear();
    client().call("", {{"tag", "136"}, {"id", std::to_string(id)}, {"is_encrypt", "1"}, {"encrypt_str", "hunter22"}}, token);
    const auto logged = service().requestLog().withTag("136");
    ASSERT_EQ(logged.size(), 1u);
    for (const auto& [name, value] : logged[0].params) {
        if (name == "encrypt_str") {
            EXPECT_EQ(value, "***");
        }
    }
}
