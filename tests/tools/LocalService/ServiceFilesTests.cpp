#include "ServiceTestClient.h"

#include "Support/TempHome.h"
#include "catalogue/ZipWriter.h"
#include "local-service/TestCertificate.h"

#include <QJsonDocument>
#include <fstream>
#include <httplib.h>
#include <sqlite3.h>

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
