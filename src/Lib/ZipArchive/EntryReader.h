#pragma once

#include "Lib/ZipArchive/CentralDirectory.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct zip;
struct zip_file;
struct z_stream_s;
class AesDecoder;

// Reads one entry's uncompressed bytes through the zip library, never more than the size its
// directory record declares: data that runs past that size, or ends before it, fails the read.
//
// WinZip AES entries, stored or deflated, are read raw from the library, then decrypted and
// authenticated by AesDecoder and inflated here; the checksum of a format version 1 entry is
// checked here too. Version 2 carries no checksum (its field is 0), only the authentication code,
// yet this library version checks a checksum of 0 for such entries of 20 bytes and more; for a
// stored entry that failure cannot be told apart from a wrong code. And for a deflated entry the
// library stops reading at the end of the deflate stream, before the code it would check there.
class EntryReader {
public:
    // nil when the entry cannot be opened; `zipError` then holds the library's code (a wrong
    // password is ZIP_ER_WRONGPASSWD, or ZIP_ER_NOPASSWD when none was given).
    static std::unique_ptr<EntryReader> open(zip* archive, std::uint64_t index, const CentralDirectory::Entry& entry,
                                             const std::string& password, int& zipError);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // Bytes read, 0 at the end, -1 on failure. Only a read that returns 0 has checked the whole
    // entry against its checksum or authentication code.
    std::int64_t read(char* buffer, std::size_t length);
    // After a failed read or close: whether the failure was a checksum (or authentication) mismatch.
    bool checksumFailed() const { return checksumFailed_; }
    // After a failed read: whether the data differs in length from the declared size.
    bool sizeMismatch() const { return sizeMismatch_; }
    // After a failed read: the library's code for the failure. Faults found here take the codes the
    // library gives the same faults: ZIP_ER_CRC for a wrong authentication code, ZIP_ER_INCONS for
    // a wrong length, ZIP_ER_COMPRESSED_DATA for a broken deflate stream.
    int zipError() const { return zipError_; }
    // Closes the entry; false on a checksum mismatch found only now.
    bool close();

private:
    EntryReader(zip_file* file, std::uint64_t expectedSize);
    bool startDecrypting(zip* archive, std::uint64_t index, const std::string& password, int& zipError);
    bool startInflating(int& zipError);
    // The entry's data as stored (still compressed when inflating here), decrypted.
    std::int64_t readStored(char* buffer, std::size_t length);
    std::int64_t readDecrypted(char* buffer, std::size_t length);
    std::int64_t readInflated(char* buffer, std::size_t length);
    // Exactly `length` raw bytes from the library.
    bool readRaw(void* buffer, std::size_t length);
    std::int64_t fail();
    std::int64_t failWith(int zipError);
    std::int64_t failInflating();

    zip_file* file_;
    std::unique_ptr<AesDecoder> aes_;      // only while decrypting here
    std::uint64_t encryptedLeft_ = 0;      // encrypted bytes still to come, in front of the code
    bool authenticated_ = false;
    std::optional<std::uint32_t> expectedCrc_; // checked here: AES entries of version 1
    std::uint32_t crc_ = 0;
    std::unique_ptr<z_stream_s> stream_;   // only while inflating here
    std::vector<char> input_;
    std::uint64_t expectedSize_;
    std::uint64_t delivered_ = 0;
    bool streamEnded_ = false;
    bool checksumFailed_ = false;
    bool sizeMismatch_ = false;
    int zipError_ = 0;
};

namespace zipentry {

// Opens entry `index` of `archive`, with `password` unless it is empty; nil with `zipError` set
// when it cannot. With a password, an entry whose encryption the library cannot undo is refused
// before the library sees it (ZIP_ER_ENCRNOTSUPP, as the library would answer): this library
// version leaks the data source it has made for such an entry by then.
zip_file* openEntryFile(zip* archive, std::uint64_t index, std::uint32_t flags, const std::string& password,
                        int& zipError);

} // namespace zipentry
