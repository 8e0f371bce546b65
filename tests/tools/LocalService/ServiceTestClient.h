#pragma once

#include "local-service/FormParams.h"
#include "local-service/FaultScript.h"
#include "local-service/LocalService.h"
#include "local-service/RequestLog.h"
#include "local-service/ServiceControls.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace httplib {
class Client;
}

namespace servicetest {

// A client of the local service written from the protocol, not from the service's code: it
// adds the common parameters and signs them with its own implementation of the rule.
class ServiceTestClient {
public:
    struct Reply {
        int status = 0;
        std::string body;
        std::string contentType;
        QJsonObject json;
        bool isJson = false;

        int errcode() const { return json.value("errcode").toInt(-1); }
        std::string message() const { return json.value("message").toString().toStdString(); }
        QJsonObject data() const { return json.value("corvane_data").toObject(); }
    };

    explicit ServiceTestClient(const localservice::LocalService& service);
    ~ServiceTestClient();

    static localservice::FormParams withCommon(localservice::FormParams own, const std::string& token);
    static std::string secretFor(const localservice::FormParams& params);

    Reply call(const std::string& path, localservice::FormParams own, const std::string& token = "");
    Reply post(const std::string& path, const std::string& body);
    Reply get(const std::string& pathAndQuery);
    void setReadTimeoutSeconds(int seconds);

    std::string signIn(const std::string& name, const std::string& password);
    // Registers a new phone user through getCode and register; returns its token.
    std::string registerNewUser(localservice::LocalService& service);

private:
    std::unique_ptr<httplib::Client> http_;
};

// Starts one plain-HTTP service per test suite, with a fresh state folder.
class ServiceTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    static localservice::LocalService& service() { return *service_; }
    ServiceTestClient& client() { return *client_; }
    static std::filesystem::path resourcesDir();

private:
    static std::unique_ptr<localservice::LocalService> service_;
    std::unique_ptr<ServiceTestClient> client_;
};

std::vector<int64_t> ids(const QJsonArray& array);

} // namespace servicetest
