#pragma once

namespace crypto {

// Sets the crypto and TLS library up without its clean-up at exit: the process's exit handlers
// would otherwise tear it down while a worker thread may still hash a cache key or close a
// connection. The memory it keeps is the process's until the end. Call first in main(), before
// anything uses the library (the first set-up decides); false when the library refused.
bool initialiseWithoutExitCleanup();

} // namespace crypto
