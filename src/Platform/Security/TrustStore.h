#pragma once

struct x509_store_st;

namespace security {

// The system's anchor store, loaded once per value of SSL_CERT_FILE / SSL_CERT_DIR and shared;
// the caller receives its own reference and frees it with X509_STORE_free.
x509_store_st* systemTrustStore();

} // namespace security
