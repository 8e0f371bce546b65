#pragma once

#include <filesystem>
#include <string>

namespace localservice {

// The service's local test CA and its server certificate for 127.0.0.1 and localhost, made on
// first start and kept in the state folder: tls/ca.pem (what a client trusts, through
// SSL_CERT_FILE or a pinned anchor), tls/ca-key.pem, tls/server.pem, tls/server-key.pem.
// Keys are written with mode 0600. Expired or incomplete sets are made again.
class TestCertificate {
public:
    struct Paths {
        std::filesystem::path caCertificate;
        std::filesystem::path caKey;
        std::filesystem::path serverCertificate;
        std::filesystem::path serverKey;
    };

    static Paths pathsIn(const std::filesystem::path& stateDir);
    static bool ensure(const std::filesystem::path& stateDir, std::string* error);
};

} // namespace localservice
