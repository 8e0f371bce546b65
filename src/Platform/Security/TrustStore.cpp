#include "Platform/Security/TrustStore.h"

#include <openssl/x509.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace security {

namespace {

std::string environmentKey()
{
    const char* file = std::getenv(X509_get_default_cert_file_env());
    const char* dir = std::getenv(X509_get_default_cert_dir_env());
    return std::string(file ? file : "") + '\n' + (dir ? dir : "");
}

} // namespace

x509_store_st* systemTrustStore()
{
    // Loading the system bundle costs milliseconds; keep it until the variables change.
    static std::mutex mutex;
    static X509_STORE* cached = nullptr;
    static std::string cachedKey;
    std::lock_guard lock(mutex);
    std::string key = environmentKey();
    if (!cached || key != cachedKey) {
        X509_STORE* store = X509_STORE_new();
        if (!store)
            return nullptr;
        X509_STORE_set_default_paths(store);
        if (cached)
            X509_STORE_free(cached);
        cached = store;
        cachedKey = key;
    }
    X509_STORE_up_ref(cached);
    return cached;
}

} // namespace security
