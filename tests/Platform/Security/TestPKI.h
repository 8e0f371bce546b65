#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace testpki {

// Keys and certificates made at test time with OpenSSL: a CA, leaves it signs, self-signed
// leaves and expired ones. Files are PEM, written into a scratch folder for the test servers.
struct Identity {
    std::string certificatePEM;
    std::string keyPEM;
    std::vector<unsigned char> certificateDER;
    std::filesystem::path certificateFile;
    std::filesystem::path keyFile;
};

struct LeafOptions {
    std::vector<std::string> dnsNames{"localhost"};
    std::vector<std::string> ipAddresses{"127.0.0.1"};
    long notBeforeOffsetDays = -1;
    long notAfterOffsetDays = 30;
};

class Authority {
public:
    // A fresh CA named `name`, its files in `folder`.
    Authority(const std::filesystem::path& folder, const std::string& name);
    ~Authority();
    Authority(const Authority&) = delete;
    Authority& operator=(const Authority&) = delete;

    const Identity& identity() const { return identity_; }
    Identity issue(const std::string& name, const LeafOptions& options = {}) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::filesystem::path folder_;
    Identity identity_;
};

// A certificate signed by its own key.
Identity selfSigned(const std::filesystem::path& folder, const std::string& name, const LeafOptions& options = {});

// DER bytes of the first certificate in a PEM text.
std::vector<unsigned char> derFromPEM(const std::string& pem);

} // namespace testpki
