#include "Class/ServiceCore/UnitTools/KXStateFile.h"

#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"

#include <system_error>

using foundation::Ref;
namespace fs = std::filesystem;

Ref<foundation::Data> KXStateFile::read(const fs::path& path, std::uintmax_t limit)
{
    Ref<foundation::Error> error;
    auto data = foundation::Data::dataWithContentsOfRegularFile(path, limit, &error);
    if (!data && !(error && error->code() == foundation::NSFileReadNoSuchFileError))
        setAside(path);
    return data;
}

fs::path KXStateFile::setAsidePath(const fs::path& path)
{
    fs::path aside = path;
    aside += ".damaged";
    return aside;
}

void KXStateFile::setAside(const fs::path& path)
{
    std::error_code ec;
    fs::rename(path, setAsidePath(path), ec);
    if (ec)
        fs::remove(path, ec);
}
