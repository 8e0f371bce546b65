#include "ServiceTestClient.h"

#include "Support/TempHome.h"
#include "catalogue/ZipWriter.h"
#include "local-service/RenderCache.h"
#include "local-service/TestCertificate.h"

#include <QImage>
#include <QJsonDocument>
#include <fstream>
#include <httplib.h>
#include <sqlite3.h>
#include <thread>
#include <vector>

using servicetest::ServiceTest;

namespace {

class ServiceFiles : public ServiceTest {};

} // namespace

TEST_F(ServiceFiles, ArchivesHoldTheRealFontFile)
{
    const QJsonObject font = client().call("", {{"tag", "100"}, {"size", "1"}}).data().value("fonts").toArray()[0].toObject();
    const std::string url = font.value("download_url").toString().toStdString();
    const auto archive = client().get(url.substr(service().baseUrl().size() - 1));
    ASSERT_EQ(archive.status, 200);
    EXPECT_EQ(archive.contentType, "application/zip");
    const auto names = catalogue::ZipReader::entryNames(archive.body);
    ASSERT_EQ(names.size(), 1u);
    const auto bytes = catalogue::ZipReader::readEntry(archive.body, names[0]);
    ASSERT_TRUE(bytes.has_value());
    const std::string magic = bytes->substr(0, 4);
    EXPECT_TRUE(magic == std::string("\0\1\0\0", 4) || magic == "ttcf" || magic == "OTTO") << names[0];
}

TEST_F(ServiceFiles, PreviewsAndStripsAreServedWithTheirImageTypes)
{
    const std::pair<const char*, const char*> files[] = {
        {"/files/previews/1001_day.jpg", "image/jpeg"},          {"/files/previews/1001_day_progressive.jpg", "image/jpeg"},
        {"/files/previews/1001_day.webp", "image/webp"},         {"/files/previews/1001_day_lossless.webp", "image/webp"},
        {"/files/previews/1001_day.gif", "image/gif"},           {"/files/previews/1001_day_interlaced.png", "image/png"},
        {"/files/previews/1001_day@2x.png", "image/png"},        {"/files/previews/1001_day.heic", "image/heic"},
        {"/files/animated/1001.gif", "image/gif"},               {"/files/animated/1001.png", "image/png"},
        {"/files/animated/1001.webp", "image/webp"},
    };
    for (const auto& [path, type] : files) {
        const auto reply = client().get(path);
        EXPECT_EQ(reply.status, 200) << path;
        EXPECT_EQ(reply.contentType, type) << path;
        EXPECT_FALSE(reply.body.empty()) << path;
    }
}

TEST_F(ServiceFiles, PathsOutsideTheFilesFolderAreRefused)
{
    httplib::Client raw("127.0.0.1", service().port());
    for (const char* path : {"/files/../catalogue.json", "/files/fonts/%2e%2e/%2e%2e/catalogue.json", "/files//etc/passwd",
                             "/files/nope.png"}) {
        const auto result = raw.Get(path);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 404) << path;
    }
}

TEST_F(ServiceFiles, PartialPackageRowsCarryTheServiceUrls)
{
    const auto package = client().get("/files/packages/partial.zip");
    const auto text = catalogue::ZipReader::readEntry(package.body, "fonts.txt");
    ASSERT_TRUE(text.has_value());
    const auto rows = QJsonDocument::fromJson(QByteArray::fromStdString(*text)).array();
    ASSERT_EQ(rows.size(), 4);
    const QStringList keys = {"fontid", "fontname", "image", "night_image", "download_url", "time", "heat", "ps_name",
                              "font_weight", "type", "language", "tags", "show_img", "codeid", "default_sort",
                              "partner_id", "ser_name_take", "m_made_time", "font_en_name", "new_image", "is_sell", "has_info"};
    for (const auto& r : rows) {
        QStringList have = r.toObject().keys();
        have.sort();
        QStringList want = keys;
        want.sort();
        EXPECT_EQ(have, want);
        EXPECT_TRUE(r.toObject().value("download_url").toString().startsWith(QString::fromStdString(service().baseUrl())));
    }
    EXPECT_EQ(text->find(".invalid/"), std::string::npos);
}

TEST_F(ServiceFiles, FullPackageHoldsACatalogueWithServiceUrls)
{
    const auto package = client().get("/files/packages/full.zip");
    const auto db = catalogue::ZipReader::readEntry(package.body, "fonts.sqlite");
    ASSERT_TRUE(db.has_value());
    const auto path = testsupport::makeScratchDir("full") / "fonts.sqlite";
    std::ofstream(path, std::ios::binary).write(db->data(), static_cast<std::streamsize>(db->size()));
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &handle), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, "SELECT count(*), sum(download_url LIKE ?) FROM fp_fonts", -1, &stmt, nullptr);
    const std::string like = service().baseUrl() + "files/fonts/%";
    sqlite3_bind_text(stmt, 1, like.c_str(), -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_GT(sqlite3_column_int(stmt, 0), 0);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), sqlite3_column_int(stmt, 1));
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
}

TEST(ServiceTls, ServesHttpsWithTheGeneratedCaAndReusesIt)
{
    localservice::ServiceOptions options;
    options.stateDir = testsupport::makeScratchDir("tls-service");
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    options.resourcesDir = std::filesystem::path(binary ? binary : ".") / "resources";
    options.quiet = true;
    std::string ca;
    for (int run = 0; run < 2; ++run) {
        localservice::LocalService service(options);
        std::string error;
        ASSERT_TRUE(service.start(&error)) << error;
        EXPECT_EQ(service.baseUrl(), "https://127.0.0.1:" + std::to_string(service.port()) + "/");
        std::ifstream in(service.caCertificatePath());
        const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(pem.find("BEGIN CERTIFICATE"), std::string::npos);
        if (run == 0)
            ca = pem;
        else
            EXPECT_EQ(pem, ca) << "the CA of the first start is kept";

        httplib::SSLClient verified("127.0.0.1", service.port());
        verified.set_ca_cert_path(service.caCertificatePath().c_str());
        verified.enable_server_certificate_verification(true);
        const auto ok = verified.Get("/pages/agreement");
        ASSERT_TRUE(ok) << httplib::to_string(ok.error());
        EXPECT_EQ(ok->status, 200);

        httplib::SSLClient untrusting("127.0.0.1", service.port());
        // A valid trust store without the local CA: another service's CA must not be enough.
        const auto other = testsupport::makeScratchDir("other-ca");
        localservice::TestCertificate::ensure(other, nullptr);
        untrusting.set_ca_cert_path(localservice::TestCertificate::pathsIn(other).caCertificate.c_str());
        untrusting.enable_server_certificate_verification(true);
        EXPECT_FALSE(untrusting.Get("/pages/agreement")) << "the server is not trusted without the local CA";
    }
}

namespace {

class FileValidation : public ServiceTest {
protected:
    static constexpr const char* kPreview = "/files/previews/1001_day.png";
};

} // namespace

TEST_F(FileValidation, FilesCarryValidatorsAndAnswer304ToThem)
{
    httplib::Client raw("127.0.0.1", service().port());
    const auto first = raw.Get(kPreview);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->status, 200);
    const std::string tag = first->get_header_value("ETag");
    const std::string date = first->get_header_value("Last-Modified");
    ASSERT_FALSE(tag.empty());
    ASSERT_FALSE(date.empty());

    const auto byTag = raw.Get(kPreview, {{"If-None-Match", tag}});
    ASSERT_TRUE(byTag);
    EXPECT_EQ(byTag->status, 304);
    EXPECT_TRUE(byTag->body.empty());
    EXPECT_EQ(byTag->get_header_value("ETag"), tag);

    const auto byDate = raw.Get(kPreview, {{"If-Modified-Since", date}});
    ASSERT_TRUE(byDate);
    EXPECT_EQ(byDate->status, 304);

    const auto stale = raw.Get(kPreview, {{"If-None-Match", "\"0000000000000000\""}, {"If-Modified-Since", date}});
    ASSERT_TRUE(stale);
    EXPECT_EQ(stale->status, 200) << "a tag that no longer matches sends the file, whatever the date";
    EXPECT_EQ(stale->body, first->body);
}

TEST_F(FileValidation, QueryStringsNameTheSameFileAndAreLoggedWithTheHeaders)
{
    httplib::Client raw("127.0.0.1", service().port());
    const auto plain = raw.Get(kPreview);
    const auto versioned = raw.Get(std::string(kPreview) + "?v=17", {{"X-Probe", "yes"}});
    ASSERT_TRUE(plain && versioned);
    EXPECT_EQ(versioned->status, 200);
    EXPECT_EQ(versioned->body, plain->body);
    const auto files = service().requestLog().fileEntries();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].path, "previews/1001_day.png");
    EXPECT_EQ(files[1].query, "v=17");
    ASSERT_NE(files[1].header("x-probe"), nullptr);
    EXPECT_EQ(*files[1].header("x-probe"), "yes");
    EXPECT_TRUE(service().requestLog().entries().empty()) << "file requests stay out of the operation log";

    const auto log = client().get("/__admin/requests");
    const QJsonArray logged = log.json.value("files").toArray();
    ASSERT_EQ(logged.size(), 2);
    EXPECT_EQ(logged[1].toObject().value("query").toString(), "v=17");
}

TEST_F(FileValidation, FilesInFlightReportsThePeakOfHeldRequests)
{
    localservice::Fault hold;
    hold.kind = localservice::Fault::Kind::NoReply;
    service().faults().set("previews/", hold);
    std::vector<std::thread> waiting;
    for (int i = 0; i < 3; ++i)
        waiting.emplace_back([this, i] {
            httplib::Client raw("127.0.0.1", service().port());
            const auto result = raw.Get("/files/previews/100" + std::to_string(i + 1) + "_day.png");
            EXPECT_TRUE(result && result->status == 503);
        });
    while (service().faults().hangingCount() < 3)
        std::this_thread::yield();
    const auto during = client().get("/__admin/files-in-flight");
    EXPECT_EQ(during.json.value("in_flight").toInt(), 3);
    EXPECT_EQ(during.json.value("peak").toInt(), 3);
    service().faults().clearAll();
    for (auto& thread : waiting)
        thread.join();
    while (service().requestLog().filesInFlight() != 0)
        std::this_thread::yield();
    EXPECT_EQ(client().get("/__admin/files-in-flight").json.value("peak").toInt(), 3) << "the peak stays until cleared";
    client().post("__admin/clear-requests", "");
    EXPECT_EQ(client().get("/__admin/files-in-flight").json.value("peak").toInt(), 0);
}

TEST_F(ServiceFiles, RenderedPreviewsAreLoggedAndFollowTheFaultsUnderRender)
{
    const QJsonObject font = client().call("", {{"tag", "100"}, {"size", "1"}}).data().value("fonts").toArray()[0].toObject();
    const std::string path = "/files/render/" + std::to_string(font.value("fontid").toInteger()) + "/day.png?text=%E6%B0%B8A";
    service().requestLog().clear();

    localservice::Fault failing;
    failing.kind = localservice::Fault::Kind::Http500;
    failing.remaining = 1;
    service().faults().set("render/", failing);
    EXPECT_EQ(client().get(path).status, 500);
    const auto served = client().get(path);
    EXPECT_EQ(served.status, 200) << "the fault applied once";
    EXPECT_EQ(served.body.substr(0, 4), "\x89PNG");

    const auto logged = service().requestLog().fileEntries();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].path, "render/" + std::to_string(font.value("fontid").toInteger()) + "/day.png");
    EXPECT_EQ(logged[1].query, "text=%E6%B0%B8A");

    // The key "files" covers rendered previews as well.
    localservice::Fault missing;
    missing.kind = localservice::Fault::Kind::Status;
    missing.status = 404;
    missing.remaining = 1;
    service().faults().set("files", missing);
    EXPECT_EQ(client().get(path).status, 404);
    service().faults().clearAll();
    EXPECT_EQ(client().get("/files/render/999999/day.png?text=x").status, 404) << "an unknown font";
}

TEST_F(ServiceFiles, RenderedPreviewsLieOnATransparentBackgroundAndShowTheWholeText)
{
    const QJsonObject font = client().call("", {{"tag", "100"}, {"size", "1"}}).data().value("fonts").toArray()[0].toObject();
    const std::string fontid = std::to_string(font.value("fontid").toInteger());
    for (const char* theme : {"day", "night"}) {
        SCOPED_TRACE(theme);
        // Forty letters, as many as a rendered text keeps: far wider than the canvas at the normal size.
        const auto served
            = client().get("/files/render/" + fontid + "/" + theme + ".png?text=" + std::string(40, 'W'));
        ASSERT_EQ(served.status, 200);
        const QImage image
            = QImage::fromData(QByteArray::fromStdString(served.body)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(600, 80));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)) + qAlpha(image.pixel(599, 79)), 0) << "transparent corners";
        int right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0)
                    right = std::max(right, x);
        EXPECT_GT(right, 300);
        EXPECT_LE(right, 600 - 16) << "the last letter ends inside the margin";
    }
}

TEST_F(ServiceFiles, RenderedPreviewsAreKeptByFontThemeAndText)
{
    const QJsonArray fonts = client().call("", {{"tag", "100"}, {"size", "3"}}).data().value("fonts").toArray();
    ASSERT_EQ(fonts.size(), 3);
    auto* cache = service().renderCache();
    ASSERT_NE(cache, nullptr);
    const std::size_t rendered = cache->pngsRendered();
    const std::size_t opened = cache->facesOpened();
    const auto url = [&](int index, const char* theme, const char* text) {
        return "/files/render/" + std::to_string(fonts[index].toObject().value("fontid").toInteger()) + "/" + theme + ".png?text=" + text;
    };
    const auto first = client().get(url(0, "day", "kept"));
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(cache->pngsRendered(), rendered + 1);
    const auto again = client().get(url(0, "day", "kept"));
    EXPECT_EQ(again.body, first.body);
    EXPECT_EQ(cache->pngsRendered(), rendered + 1) << "asked again: served from memory";

    client().get(url(0, "night", "kept"));
    client().get(url(0, "day", "other"));
    EXPECT_EQ(cache->pngsRendered(), rendered + 3) << "theme and text are part of the key";
    EXPECT_LE(cache->facesOpened(), opened + 1) << "one font file, opened once";

    // Validators work for rendered previews too.
    httplib::Client raw("127.0.0.1", service().port());
    const auto tagged = raw.Get(url(0, "day", "kept"));
    ASSERT_TRUE(tagged && tagged->has_header("ETag"));
    const auto notModified = raw.Get(url(0, "day", "kept"), {{"If-None-Match", tagged->get_header_value("ETag")}});
    ASSERT_TRUE(notModified);
    EXPECT_EQ(notModified->status, 304);
}
