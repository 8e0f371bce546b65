#include "Support/LoopbackTlsServer.h"

#include "local-service/TestCertificate.h"

#include <httplib.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

namespace benchsupport {

struct LoopbackTlsServer::Impl {
    localservice::TestCertificate::Paths certificates;
    std::unique_ptr<httplib::SSLServer> server;
    std::thread thread;
    int port = 0;
};

LoopbackTlsServer::LoopbackTlsServer(const std::filesystem::path& certificateFolder)
    : impl_(std::make_unique<Impl>())
{
    std::string error;
    if (!localservice::TestCertificate::ensure(certificateFolder, &error))
        return;
    impl_->certificates = localservice::TestCertificate::pathsIn(certificateFolder);
    impl_->server = std::make_unique<httplib::SSLServer>(impl_->certificates.serverCertificate.c_str(),
                                                         impl_->certificates.serverKey.c_str());
    if (!impl_->server->is_valid())
        impl_->server.reset();
    else
        impl_->server->set_tcp_nodelay(true);
}

LoopbackTlsServer::~LoopbackTlsServer()
{
    stop();
}

bool LoopbackTlsServer::isValid() const
{
    return impl_->server != nullptr;
}

void LoopbackTlsServer::serveFile(const std::string& path, const std::filesystem::path& file)
{
    const std::string name = file.filename().string();
    impl_->server->Get(path, [file, name](const httplib::Request&, httplib::Response& response) {
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        if (error) {
            response.status = 404;
            return;
        }
        auto stream = std::make_shared<std::ifstream>(file, std::ios::binary);
        response.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
        response.set_content_provider(static_cast<std::size_t>(size), "application/vnd.debian.binary-package",
                                      [stream](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                          static thread_local std::vector<char> buffer(std::size_t(1) << 20);
                                          stream->seekg(static_cast<std::streamoff>(offset));
                                          const auto chunk = std::min(length, buffer.size());
                                          stream->read(buffer.data(), static_cast<std::streamsize>(chunk));
                                          const auto got = static_cast<std::size_t>(stream->gcount());
                                          return got > 0 && sink.write(buffer.data(), got);
                                      });
    });
}

void LoopbackTlsServer::start()
{
    impl_->port = impl_->server->bind_to_any_port("127.0.0.1");
    impl_->thread = std::thread([this] { impl_->server->listen_after_bind(); });
    while (!impl_->server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void LoopbackTlsServer::stop()
{
    if (!impl_->thread.joinable())
        return;
    impl_->server->stop();
    impl_->thread.join();
}

std::string LoopbackTlsServer::url(const std::string& path) const
{
    return "https://127.0.0.1:" + std::to_string(impl_->port) + path;
}

std::filesystem::path LoopbackTlsServer::caCertificate() const
{
    return impl_->certificates.caCertificate;
}

} // namespace benchsupport
