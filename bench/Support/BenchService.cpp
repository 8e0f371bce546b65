#include "Support/BenchService.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace benchsupport {

std::filesystem::path benchResources()
{
    const char* resources = std::getenv("CORVANE_RESOURCES_DIR");
    return resources ? std::filesystem::path(resources) : std::filesystem::path(CORVANE_BENCH_RESOURCES);
}

std::unique_ptr<localservice::LocalService> startBenchService(const std::filesystem::path& stateDir)
{
    localservice::ServiceOptions options;
    options.stateDir = stateDir;
    options.resourcesDir = benchResources();
    options.quiet = true;
    auto service = std::make_unique<localservice::LocalService>(options);
    std::string error;
    if (!service->start(&error)) {
        std::fprintf(stderr, "local service: %s\n", error.c_str());
        return nullptr;
    }
    setenv("SSL_CERT_FILE", service->caCertificatePath().c_str(), 1);
    return service;
}

} // namespace benchsupport
