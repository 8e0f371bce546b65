#include "Lib/ImageLoading/ILTransformedCacheKey.h"

#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

using foundation::Ref;
using foundation::String;

// Characters a URL path keeps as they are; everything else is percent-encoded when a path is set.
constexpr std::string_view kPathAllowed = "!$&'()*+,;=:@/";

// A URL reference cut around its path: scheme and authority before it, query and fragment after,
// each kept as written.
struct PathSplit {
    std::string_view head;
    std::string_view path;
    std::string_view tail;
};

PathSplit splitAroundPath(std::string_view key)
{
    std::size_t pathStart = 0;
    if (std::size_t colon = key.find_first_of(":/?#"); colon != std::string_view::npos && key[colon] == ':')
        pathStart = colon + 1;
    if (key.substr(pathStart).starts_with("//"))
        pathStart = std::min(key.size(), key.find_first_of("/?#", pathStart + 2));
    const std::size_t pathEnd = std::min(key.size(), key.find_first_of("?#", pathStart));
    return { key.substr(0, pathStart), key.substr(pathStart, pathEnd - pathStart), key.substr(pathEnd) };
}

} // namespace

Ref<String> ILTransformedCacheKey(const Ref<String>& key, const Ref<String>& transformerKey)
{
    if (!key || !transformerKey)
        return nullptr;
    const Ref<foundation::URL> url = foundation::URL::URLWithString(key->utf8());
    Ref<String> extension = url ? url->pathExtension() : key->pathExtension();
    if (!extension || extension->utf8().empty())
        return String::create(key->utf8() + "-" + transformerKey->utf8());
    if (url && !url->isFileURL()) {
        const PathSplit split = splitAroundPath(key->utf8());
        const Ref<String> stem
            = String::create(foundation::percentDecode(split.path))->stringByDeletingPathExtension();
        const Ref<String> path = String::create(stem->utf8() + "-" + transformerKey->utf8())
                                     ->stringByAppendingPathExtension(extension->utf8());
        std::string result(split.head);
        result += foundation::percentEncode(path->utf8(), kPathAllowed);
        result += split.tail;
        return String::create(std::move(result));
    }
    return String::create(key->stringByDeletingPathExtension()->utf8() + "-" + transformerKey->utf8() + "."
        + extension->utf8());
}
