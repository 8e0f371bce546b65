#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Archives written byte by byte, with every header field chosen: the hostile and unusual cases of
// the tests, and seeds of the fuzzers. Needs zlib only.
namespace ziptest {

struct RawEntry {
    std::string name; // raw name bytes
    std::string data; // stored as is
    std::uint16_t versionMadeBy = 0x031E; // Unix host
    std::uint16_t flag = 0;
    std::uint32_t dosDate = 0x50A16D2F; // 2020-05-01 13:41:30
    std::uint32_t externalFa = (0100644u << 16);
    std::uint16_t method = 0; // 0 stored; 8 with `data` already deflated
    std::uint32_t uncompressedSize = 0xFFFFFFFF; // default: data.size()
    bool corruptCrc = false;
    std::optional<std::uint32_t> crc; // default: of `data` when stored, else 0
    std::optional<std::uint32_t> compressedSize; // default: data.size()
    // Set: both sizes are 0xFFFFFFFF in the records and a zip64 field gives this uncompressed size.
    std::optional<std::uint64_t> zip64Size;
    // Set: no local header of its own; the directory record points at that entry's.
    std::optional<std::size_t> sharesLocalHeaderOf;
    std::string extra; // further extra fields, in both headers
};

std::string rawArchive(const std::vector<RawEntry>& entries);
// Raw deflate data of `plain` (no zlib header), as method 8 stores it; throws std::runtime_error
// when zlib fails.
std::string deflated(const std::string& plain);
// Raw deflate data of `mebibytes` MiB of zero bytes, about a kilobyte a MiB: a deflate bomb.
std::string deflatedZeros(std::uint64_t mebibytes);
// A deflated entry of `plain` with its true checksum.
RawEntry deflatedEntry(const std::string& name, const std::string& plain);

// The traditional encryption, and its undoing, of `data` under `password`. An entry's encrypted
// data is 12 header bytes, the last of them the check byte (the top byte of the checksum),
// followed by the entry's stored bytes, all encrypted in one go.
std::string traditionalEncrypted(const std::string& password, const std::string& data);
std::string traditionalDecrypted(const std::string& password, const std::string& data);

RawEntry fileEntry(const std::string& name, const std::string& data);
RawEntry symlinkEntry(const std::string& name, const std::string& target);
RawEntry folderEntry(const std::string& name);

} // namespace ziptest
