#pragma once

#include <cstddef>
#include <cstdint>

namespace net::detail {

// Trampolines with the signatures libcurl expects; `user` is the Transfer.
std::size_t curlHeader(char* data, std::size_t size, std::size_t count, void* user);
std::size_t curlWrite(char* data, std::size_t size, std::size_t count, void* user);
std::size_t curlRead(char* buffer, std::size_t size, std::size_t count, void* user);
int curlSeek(void* user, std::int64_t offset, int origin);
int curlProgress(void* user, std::int64_t downloadTotal, std::int64_t downloaded, std::int64_t uploadTotal, std::int64_t uploaded);
int curlSslContext(void* curl, void* sslContext, void* user);

} // namespace net::detail
