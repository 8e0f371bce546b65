#include "Platform/Graphics/detail/HeifItems.h"

#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace graphics::detail {

namespace {

// A bounded big-endian reader; reading past the end yields nothing and stops every later read.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data)
        : data_(data)
    {
    }

    bool atEnd() const { return failed_ || offset_ >= data_.size(); }
    std::size_t remaining() const { return failed_ ? 0 : data_.size() - offset_; }

    std::optional<std::uint64_t> read(std::size_t bytes)
    {
        if (failed_ || remaining() < bytes) {
            failed_ = true;
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            value = value << 8 | data_[offset_ + i];
        offset_ += bytes;
        return value;
    }

    bool skip(std::size_t bytes)
    {
        take(bytes);
        return !failed_;
    }

    std::span<const std::uint8_t> take(std::size_t bytes)
    {
        if (failed_ || remaining() < bytes) {
            failed_ = true;
            return {};
        }
        auto part = data_.subspan(offset_, bytes);
        offset_ += bytes;
        return part;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

constexpr std::uint32_t fourcc(std::string_view code)
{
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16
        | std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint8_t(code[3]);
}

struct BoxHeader {
    std::uint32_t type = 0;
    std::size_t headerSize = 0;
    std::optional<std::uint64_t> size; // the whole box; none when it runs to the end
};

std::optional<BoxHeader> readHeader(Reader& reader)
{
    auto size = reader.read(4);
    auto type = reader.read(4);
    if (!size || !type)
        return std::nullopt;
    BoxHeader header{std::uint32_t(*type), 8, *size};
    if (*size == 1) {
        auto large = reader.read(8);
        if (!large)
            return std::nullopt;
        header.size = *large;
        header.headerSize = 16;
    } else if (*size == 0) {
        header.size.reset();
    }
    if (header.type == fourcc("uuid")) {
        if (!reader.skip(16))
            return std::nullopt;
        header.headerSize += 16;
    }
    return header;
}

// The content of each box in `data` after its header, by type, first of each type only.
std::map<std::uint32_t, std::span<const std::uint8_t>> children(std::span<const std::uint8_t> data)
{
    std::map<std::uint32_t, std::span<const std::uint8_t>> found;
    Reader reader(data);
    while (!reader.atEnd()) {
        auto header = readHeader(reader);
        if (!header)
            break;
        std::size_t content = reader.remaining();
        if (header->size) {
            if (*header->size < header->headerSize || *header->size - header->headerSize > reader.remaining())
                break;
            content = std::size_t(*header->size - header->headerSize);
        }
        found.emplace(header->type, reader.take(content));
    }
    return found;
}

bool isImageType(std::uint32_t type)
{
    for (std::string_view image : {"hvc1", "grid", "iden", "iovl", "av01", "vvc1"})
        if (type == fourcc(image))
            return true;
    return false;
}

// Item types by ID from 'iinf' (its 'infe' entries of version 2 and 3 carry a type; the first entry
// of an ID counts, as in libheif).
std::map<std::uint32_t, std::uint32_t> itemTypes(std::span<const std::uint8_t> iinf)
{
    std::map<std::uint32_t, std::uint32_t> types;
    Reader reader(iinf);
    auto version = reader.read(1);
    if (!version || !reader.skip(3))
        return types;
    auto count = reader.read(*version > 0 ? 4 : 2);
    if (!count || *count == 0)
        return types;
    while (!reader.atEnd()) {
        auto header = readHeader(reader);
        if (!header || !header->size || *header->size < header->headerSize
            || *header->size - header->headerSize > reader.remaining())
            break;
        Reader entry(reader.take(std::size_t(*header->size - header->headerSize)));
        if (header->type != fourcc("infe"))
            continue;
        auto entryVersion = entry.read(1);
        if (!entryVersion || *entryVersion < 2 || !entry.skip(3))
            continue;
        auto id = entry.read(*entryVersion == 2 ? 2 : 4);
        auto protection = entry.read(2);
        auto type = entry.read(4);
        if (id && protection && type)
            types.emplace(std::uint32_t(*id), std::uint32_t(*type));
    }
    return types;
}

struct Reference {
    std::uint32_t type = 0;
    std::uint32_t from = 0;
    std::vector<std::uint32_t> to;
};

// The references of 'iref'. libheif reads each reference's fields one after another through the
// whole box, whatever the size its header gives, and keeps a list cut short by the end.
std::vector<Reference> references(std::span<const std::uint8_t> iref)
{
    std::vector<Reference> found;
    Reader reader(iref);
    auto version = reader.read(1);
    if (!version || !reader.skip(3))
        return found;
    const std::size_t idSize = *version == 0 ? 2 : 4;
    while (!reader.atEnd()) {
        auto header = readHeader(reader);
        auto from = reader.read(idSize);
        auto count = reader.read(2);
        if (!header || !from || !count)
            break;
        Reference reference{header->type, std::uint32_t(*from), {}};
        for (std::uint64_t i = 0; i < *count; ++i) {
            auto to = reader.read(idSize);
            if (!to)
                break;
            reference.to.push_back(std::uint32_t(*to));
            if (reader.atEnd())
                break;
        }
        found.push_back(std::move(reference));
    }
    return found;
}

} // namespace

bool heifDerivedImagesResolve(std::span<const std::uint8_t> data)
{
    const auto top = children(data);
    const auto meta = top.find(fourcc("meta"));
    if (meta == top.end() || meta->second.size() < 4)
        return true;
    const auto boxes = children(meta->second.subspan(4));
    const auto iinf = boxes.find(fourcc("iinf"));
    const auto iref = boxes.find(fourcc("iref"));
    if (iinf == boxes.end() || iref == boxes.end())
        return true;
    const auto types = itemTypes(iinf->second);
    const auto links = references(iref->second);
    for (const auto& [id, type] : types) {
        if (type != fourcc("iden") && type != fourcc("iovl"))
            continue;
        // libheif follows the first 'dimg' reference from the item.
        for (const Reference& reference : links) {
            if (reference.from != id || reference.type != fourcc("dimg"))
                continue;
            for (std::uint32_t target : reference.to) {
                const auto known = types.find(target);
                if (known == types.end() || !isImageType(known->second))
                    return false;
            }
            break;
        }
    }
    return true;
}

} // namespace graphics::detail
