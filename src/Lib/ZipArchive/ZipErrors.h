#pragma once

#include "Lib/ZipArchive/ZipTypes.h"

#include <string>
#include <string_view>

namespace zipentry {

// An error of ZipArchiveErrorDomain with its message under NSLocalizedDescriptionKey.
foundation::Ref<foundation::Error> archiveError(long long code, std::string_view message);
// An error of another domain with a message, or none when `message` is empty.
foundation::Ref<foundation::Error> domainError(std::string_view domain, long long code, std::string_view message);

} // namespace zipentry
