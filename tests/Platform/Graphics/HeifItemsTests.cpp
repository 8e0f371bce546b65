#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/ImageSource.h"
#include "Platform/Graphics/detail/HeifItems.h"
#include "Platform/Graphics/detail/WholeDataDecoders.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using foundation::Data;
using graphics::ImageSource;
using graphics::detail::heifDerivedImagesResolve;

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::uint64_t value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

Bytes box(const char* type, const Bytes& content)
{
    Bytes out;
    put(out, 8 + content.size(), 4);
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes fullBox(const char* type, int version, Bytes content)
{
    Bytes head{std::uint8_t(version), 0, 0, 0};
    head.insert(head.end(), content.begin(), content.end());
    return box(type, head);
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Item {
    std::uint16_t id;
    const char* type;
};

// A HEIF file of item descriptions only: the items, one 'dimg' reference from `from` to `to` (in
// an item reference box of `irefVersion`), item 1 primary with a size property. No picture data:
// what is checked is whether the references resolve.
Bytes heifFile(const std::vector<Item>& items, std::uint16_t from, const std::vector<std::uint32_t>& to, int irefVersion = 0)
{
    Bytes ftyp;
    for (char c : std::string("heic\0\0\0\0mif1heic", 16))
        ftyp.push_back(std::uint8_t(c));
    Bytes hdlr(4, 0);
    for (char c : std::string("pict"))
        hdlr.push_back(std::uint8_t(c));
    hdlr.resize(hdlr.size() + 13, 0);
    Bytes pitm;
    put(pitm, 1, 2);
    Bytes entries;
    put(entries, items.size(), 2);
    for (const Item& item : items) {
        Bytes infe;
        put(infe, item.id, 2);
        put(infe, 0, 2);
        infe.insert(infe.end(), item.type, item.type + 4);
        infe.push_back(0);
        entries = entries + fullBox("infe", 2, infe);
    }
    Bytes reference;
    const int idSize = irefVersion == 0 ? 2 : 4;
    put(reference, from, idSize);
    put(reference, to.size(), 2);
    for (std::uint32_t id : to)
        put(reference, id, idSize);
    // Each item one byte long, at the file's start: libheif wants data for every item it reads.
    Bytes iloc{0x44, 0x00};
    put(iloc, items.size(), 2);
    for (const Item& item : items) {
        put(iloc, item.id, 2);
        put(iloc, 0, 2);
        put(iloc, 1, 2);
        put(iloc, 0, 4);
        put(iloc, 1, 4);
    }
    Bytes ispe;
    put(ispe, 8, 4);
    put(ispe, 8, 4);
    Bytes ipma;
    put(ipma, 1, 4);
    put(ipma, 1, 2);
    ipma.push_back(1);
    ipma.push_back(0x81);
    const Bytes meta = fullBox("hdlr", 0, hdlr) + fullBox("pitm", 0, pitm) + fullBox("iloc", 0, iloc)
        + fullBox("iinf", 0, entries) + fullBox("iref", irefVersion, box("dimg", reference))
        + box("iprp", box("ipco", fullBox("ispe", 0, ispe)) + fullBox("ipma", 0, ipma));
    return box("ftyp", ftyp) + fullBox("meta", 0, meta);
}

} // namespace

TEST(HeifItems, DerivedImagesMustNameImageItemsOfTheFile)
{
    EXPECT_TRUE(heifDerivedImagesResolve(heifFile({{1, "iden"}, {2, "hvc1"}}, 1, {2})));
    EXPECT_TRUE(heifDerivedImagesResolve(heifFile({{1, "iovl"}, {2, "hvc1"}, {3, "grid"}}, 1, {2, 3})));
    EXPECT_TRUE(heifDerivedImagesResolve(heifFile({{1, "iden"}, {2, "hvc1"}}, 1, {2}, 1))) << "32-bit item numbers";

    EXPECT_FALSE(heifDerivedImagesResolve(heifFile({{1, "iden"}}, 1, {2}))) << "no such item";
    EXPECT_FALSE(heifDerivedImagesResolve(heifFile({{1, "iden"}, {2, "Exif"}}, 1, {2}))) << "not an image";
    EXPECT_FALSE(heifDerivedImagesResolve(heifFile({{1, "iovl"}, {2, "hvc1"}}, 1, {2, 7}))) << "one of two missing";
    EXPECT_FALSE(heifDerivedImagesResolve(heifFile({{1, "iden"}}, 1, {70000}, 1)));
    EXPECT_FALSE(heifDerivedImagesResolve(heifFile({{1, "hvc1"}, {2, "iden"}}, 2, {9}))) << "any derived item, not only the primary";

    // A grid's tiles are checked by libheif itself; other references are not derivations.
    EXPECT_TRUE(heifDerivedImagesResolve(heifFile({{1, "grid"}}, 1, {2})));

    // Cut files and files without the boxes are left to libheif, which refuses them.
    const Bytes file = heifFile({{1, "iden"}}, 1, {2});
    for (std::size_t length = 0; length < file.size(); ++length)
        heifDerivedImagesResolve(std::span(file).first(length));
    EXPECT_TRUE(heifDerivedImagesResolve({}));
}

TEST(HeifItems, AnIdentityImageOfAMissingItemShowsNothingInsteadOfEndingTheProcess)
{
    if (!graphics::detail::heifCanDecode())
        GTEST_SKIP() << "libheif has no HEVC decoder here";
    for (const Bytes& file : {heifFile({{1, "iden"}}, 1, {2}), heifFile({{1, "iovl"}, {2, "mime"}}, 1, {2})}) {
        auto data = Data::create(file);
        EXPECT_TRUE(ImageSource::create(data)->imageAtIndex(0).isNull());
        auto incremental = ImageSource::createIncremental();
        incremental->update(data, true);
        EXPECT_TRUE(incremental->imageAtIndex(0).isNull());
    }
}
