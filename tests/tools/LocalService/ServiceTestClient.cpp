#include "ServiceTestClient.h"

#include "Support/TempHome.h"
#include "local-service/FaultScript.h"
#include "local-service/RequestLog.h"

#include <QJsonDocument>
#include <cstdlib>
#include <httplib.h>
#include <map>
#include <openssl/evp.h>

namespace servicetest {

using localservice::FormCodec;
using localservice::FormParams;

namespace {

std::string md5(const std::string& text)
{
    unsigned char digest[16];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    char hex[33];
    for (unsigned i = 0; i < 16; ++i)
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return std::string(hex, 32);
}

int phoneCounter = 0;

} // namespace

ServiceTestClient::ServiceTestClient(const localservice::LocalService& service)
    : http_(std::make_unique<httplib::Client>("127.0.0.1", service.port()))
{
    http_->set_read_timeout(30, 0);
}

ServiceTestClient::~ServiceTestClient() = default;

FormParams ServiceTestClient::withCommon(FormParams own, const std::string& token)
{
    const std::pair<const char*, std::string> common[] = {
        {"UIID", "test-uiid"}, {"token", token}, {"system", "TestMachine1,1"}, {"platform", "mz_mac"},
        {"mac", "02:00:00:00:00:01"}, {"source_type", "test"}, {"version", "0.1.0"},
        {"data_version", "A20200326154556"}, {"SystemVersion", "12.0"}};
    for (const auto& entry : common) {
        const std::string name = entry.first;
        std::erase_if(own, [&name](const auto& p) { return p.first == name; });
        own.emplace_back(name, entry.second);
    }
    own.emplace_back("secret", secretFor(own));
    return own;
}

std::string ServiceTestClient::secretFor(const FormParams& params)
{
    std::map<std::string, std::string> sorted; // std::map orders keys by byte value
    for (const auto& [name, value] : params)
        if (name != "secret")
            sorted.emplace(name, value);
    std::string text;
    for (const auto& [name, value] : sorted)
        text += (text.empty() ? "" : "&") + name + "=" + value;
    return md5(md5(text) + "Qp#7vL@x2&");
}

namespace {

ServiceTestClient::Reply toReply(const httplib::Result& result)
{
    ServiceTestClient::Reply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = result->body;
    reply.contentType = result->get_header_value("Content-Type");
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body), &error);
    reply.isJson = error.error == QJsonParseError::NoError && doc.isObject();
    reply.json = doc.object();
    return reply;
}

} // namespace

ServiceTestClient::Reply ServiceTestClient::post(const std::string& path, const std::string& body)
{
    return toReply(http_->Post(("/" + path).c_str(), body, "application/x-www-form-urlencoded"));
}

ServiceTestClient::Reply ServiceTestClient::call(const std::string& path, FormParams own, const std::string& token)
{
    return post(path, FormCodec::encode(withCommon(std::move(own), token)));
}

ServiceTestClient::Reply ServiceTestClient::get(const std::string& pathAndQuery)
{
    return toReply(http_->Get(pathAndQuery.c_str()));
}

void ServiceTestClient::setReadTimeoutSeconds(int seconds)
{
    http_->set_read_timeout(seconds, 0);
}

std::string ServiceTestClient::signIn(const std::string& name, const std::string& password)
{
    const Reply reply = call("login", {{"tag", "114"}, {"name", name}, {"password", password}});
    return reply.data().value("token").toString().toStdString();
}

std::string ServiceTestClient::registerNewUser(localservice::LocalService& service)
{
    char phone[16];
    std::snprintf(phone, sizeof phone, "152%08d", ++phoneCounter);
    call("getCode", {{"tag", "115"}, {"phone", phone}});
    const auto code = service.lastSmsCode(phone);
    const Reply reply = call("register", {{"tag", "117"}, {"phone", phone}, {"code", code.value_or("")},
                                          {"password", "secret-123"}});
    return reply.data().value("token").toString().toStdString();
}

std::unique_ptr<localservice::LocalService> ServiceTest::service_;

std::filesystem::path ServiceTest::resourcesDir()
{
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    return std::filesystem::path(binary ? binary : ".") / "resources";
}

void ServiceTest::SetUpTestSuite()
{
    localservice::ServiceOptions options;
    options.stateDir = testsupport::makeScratchDir("local-service");
    options.resourcesDir = resourcesDir();
    options.https = false;
    options.quiet = true;
    service_ = std::make_unique<localservice::LocalService>(options);
    std::string error;
    ASSERT_TRUE(service_->start(&error)) << error;
}

void ServiceTest::TearDownTestSuite()
{
    service_.reset();
}

void ServiceTest::SetUp()
{
    ASSERT_TRUE(service_ && service_->isRunning());
    service_->faults().clearAll();
    service_->requestLog().clear();
    client_ = std::make_unique<ServiceTestClient>(*service_);
}

std::vector<int64_t> ids(const QJsonArray& array)
{
    std::vector<int64_t> out;
    for (const auto& v : array)
        out.push_back(v.toInteger());
    return out;
}

} // namespace servicetest
