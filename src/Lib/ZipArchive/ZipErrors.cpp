#include "Lib/ZipArchive/ZipErrors.h"

#include "Platform/Foundation/Dictionary.h"

namespace zipentry {

foundation::Ref<foundation::Error> archiveError(long long code, std::string_view message)
{
    return domainError(ZipArchiveErrorDomain, code, message);
}

foundation::Ref<foundation::Error> domainError(std::string_view domain, long long code, std::string_view message)
{
    if (message.empty())
        return foundation::Error::errorWithDomain(domain, code, nullptr);
    auto info = foundation::MutableDictionary::create();
    info->setObject(foundation::Id(message), foundation::Id(foundation::NSLocalizedDescriptionKey));
    return foundation::Error::errorWithDomain(domain, code, info);
}

} // namespace zipentry
