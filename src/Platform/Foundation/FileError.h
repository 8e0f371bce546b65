#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace foundation {

class Error;

// File error codes of NSCocoaErrorDomain.
enum CocoaFileError : long long {
    NSFileNoSuchFileError = 4,
    NSFileReadUnknownError = 256,
    NSFileReadNoPermissionError = 257,
    NSFileReadNoSuchFileError = 260,
    NSFileReadCorruptFileError = 259,
    NSFileReadTooLargeError = 263,
    NSFileWriteUnknownError = 512,
    NSFileWriteNoPermissionError = 513,
    NSFileWriteFileExistsError = 516,
    NSFileWriteOutOfSpaceError = 640,
    NSPropertyListReadCorruptError = 3840,
    NSPropertyListWriteStreamError = 3851,
    NSPropertyListWriteInvalidError = 3852,
    NSCoderReadCorruptError = 4864,
    NSCoderValueNotFoundError = 4865,
};

// A read or write failure of `path` as the platform reports it: NSCocoaErrorDomain with the
// English text, the path under NSFilePath and the errno as an NSPOSIXErrorDomain underlying error.
Ref<Error> fileReadError(const std::filesystem::path& path, int posixError);
Ref<Error> fileWriteError(const std::filesystem::path& path, int posixError);

// Writes all the bytes to an open file, retrying interrupted writes; 0, or the errno of the write
// that failed.
int writeAllBytes(int fd, std::span<const std::uint8_t> bytes);

// Writes the bytes to a temporary file in the same folder, flushes it and renames it over `path`;
// a failure leaves any older file as it was and removes the temporary file. The new file gets
// `permissions` less the process umask (0600 keeps a private file from other users from the start).
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         Ref<Error>* error = nullptr, unsigned permissions = 0666);

} // namespace foundation
