#pragma once

#include "local-service/LocalService.h"

#include <filesystem>
#include <memory>

namespace benchsupport {

// The build's sample resources (catalogue, service files), or $CORVANE_RESOURCES_DIR when set.
std::filesystem::path benchResources();

// The local service over benchResources(), keeping its state in `stateDir`; this process trusts its
// certificate authority (SSL_CERT_FILE). Null, with the reason on stderr, when it cannot start.
std::unique_ptr<localservice::LocalService> startBenchService(const std::filesystem::path& stateDir);

} // namespace benchsupport
