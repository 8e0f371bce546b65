#pragma once

#include <string>

namespace localservice {

// A PNG of the QR code that encodes the text (what the WeChat sign-in panel shows).
class QrImage {
public:
    static std::string png(const std::string& text, int moduleSize = 6);
};

} // namespace localservice
