#pragma once

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"

// Base64 and the AES text helpers that the service core keeps beside its state files.

// Lenient base64: white space and "=" are skipped; any other character outside the alphabet, text
// that is not ASCII, or a last group of one character gives nil; empty text gives empty data.
// A nil text is a misuse (NSInvalidArgumentException).
foundation::Ref<foundation::Data> dataWithBase64EncodedString(const foundation::Ref<foundation::String>& text);
// Base64 with "=" padding and no line breaks; "" for empty data.
foundation::Ref<foundation::String> base64Encodings(const foundation::Data& data);

// AES-128-CBC with PKCS#7 under the client's fixed key and IV: the text's UTF-8 bytes encrypted and
// given as base64, and back. nil when the cipher fails or the result is not UTF-8.
foundation::Ref<foundation::String> AES128EncryptWithPlainText(const foundation::Ref<foundation::String>& plainText);
foundation::Ref<foundation::String> AES128DecryptWithCiphertext(const foundation::Ref<foundation::String>& cipherText);
