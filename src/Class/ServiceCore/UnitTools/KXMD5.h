#pragma once

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"

#include <string>

// Digests as lower-case hexadecimal text.
class KXMD5 {
public:
    // The MD5 of the text's UTF-8 bytes (32 digits); "" for nil.
    static foundation::Ref<foundation::String> md5String(const foundation::Ref<foundation::String>& text);
    static foundation::Ref<foundation::String> md5Data(const foundation::Ref<foundation::Data>& data);
    // The SHA-1 of the text's UTF-8 bytes (40 digits).
    static foundation::Ref<foundation::String> getShaString(const foundation::Ref<foundation::String>& text);
    // The MD5 of a file's contents, read in chunks; nil when the file cannot be read.
    static foundation::Ref<foundation::String> getFileMD5WithPath(const foundation::Ref<foundation::String>& path);
};
