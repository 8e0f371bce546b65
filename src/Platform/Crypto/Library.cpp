#include "Platform/Crypto/Library.h"

#include <openssl/crypto.h>

namespace crypto {

bool initialiseWithoutExitCleanup()
{
    return OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr) == 1;
}

} // namespace crypto
