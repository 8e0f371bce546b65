#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace benchsupport {

// An HTTPS server on 127.0.0.1 at a free port with a test CA of its own (made in
// `certificateFolder`: ca.pem is what a client trusts), serving files from disk in chunks, with a
// Content-Length and a Content-Disposition that names the file. For network benchmarks that must
// pay for TLS as the client does against the service.
class LoopbackTlsServer {
public:
    explicit LoopbackTlsServer(const std::filesystem::path& certificateFolder);
    ~LoopbackTlsServer();
    LoopbackTlsServer(const LoopbackTlsServer&) = delete;
    LoopbackTlsServer& operator=(const LoopbackTlsServer&) = delete;

    // Whether the certificates were made and the server could be set up.
    bool isValid() const;
    // Serves `file` at `path` ("/update/x.deb"). Before start().
    void serveFile(const std::string& path, const std::filesystem::path& file);
    void start();
    void stop();

    // "https://127.0.0.1:<port><path>"
    std::string url(const std::string& path) const;
    std::filesystem::path caCertificate() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace benchsupport
