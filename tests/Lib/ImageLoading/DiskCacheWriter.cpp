// Stores one key many times into a disk cache folder: the writer process of the disk cache's
// concurrency test. Arguments: folder, key, fill character, count.
#include "Lib/ImageLoading/ILDiskCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Platform/Foundation/Data.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const auto cache = ILDiskCache::create(argv[1], ILImageCacheConfig::create());
    const auto data = foundation::Data::create(std::string(65536, argv[3][0]));
    for (int i = std::atoi(argv[4]); i > 0; --i)
        cache->setData(data, argv[2]);
    return 0;
}
