// Seeds of the image fuzzers, one format each (the argument: png, jpeg, gif, webp, tiff or heif):
// small images written by the image destination (opaque and with alpha, lossy and lossless, two
// frames where the format animates), each without the leading bytes that its fuzzer puts in front.
// JPEGs come again with an EXIF segment holding an orientation, in both byte orders, as the
// destination writes none. The program fails when no image of the format fits behind those bytes.
#include "Platform/Foundation/Foundation.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"
#include "fuzz/SeedWriter.h"

#include <QColor>
#include <QImage>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

using namespace foundation;

namespace {

struct Format {
    std::string_view type;
    std::string_view leadingBytes; // as the fuzzer writes them
    bool riff = false;             // the fuzzer writes the length of bytes 4 to 7 itself
};

using namespace std::string_view_literals;
const std::map<std::string, Format> kFormats = {
    {"png", {graphics::typeIdentifier::png, "\x89PNG\r\n\x1a\n"sv}},
    {"jpeg", {graphics::typeIdentifier::jpeg, "\xff\xd8"sv}},
    {"gif", {graphics::typeIdentifier::gif, "GIF89a"sv}},
    {"webp", {graphics::typeIdentifier::webp, "RIFF\xff\xff\xff\x7fWEBP"sv, true}},
    {"tiff", {graphics::typeIdentifier::tiff, "II*\0"sv}},
    {"heif", {graphics::typeIdentifier::heic, "\0\0\0\x18" "ftypheic"sv}},
};

QImage gradient(int width, int height, bool alpha)
{
    QImage image(width, height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QColor colour(x * 255 / width, y * 255 / height, (x + y) % 256, alpha ? (x * 16) % 256 : 255);
            image.setPixelColor(x, y, colour);
        }
    }
    return image;
}

Ref<Data> encode(std::string_view type, const std::vector<QImage>& frames, double quality)
{
    auto destination = graphics::ImageDestination::create(type, frames.size());
    if (!destination)
        return nullptr;
    destination->setProperties(
        Dictionary::create({{Id(graphics::imageProperty::lossyCompressionQuality), Id(quality)}}));
    for (const QImage& frame : frames)
        destination->addImage(frame);
    return destination->finalize();
}

// The file as its fuzzer reads it: its leading bytes, then the seed.
bool decodes(const Format& format, std::string_view seed)
{
    std::string file = std::string(format.leadingBytes) + std::string(seed);
    if (format.riff) {
        auto length = static_cast<std::uint32_t>(file.size() - 8);
        for (std::size_t i = 0; i < 4; ++i)
            file[4 + i] = static_cast<char>(length >> (8 * i));
    }
    auto source = graphics::ImageSource::create(Data::create(file));
    return source && source->count() > 0 && !source->imageAtIndex(0).isNull();
}

// `jpeg` with an "Exif\0\0" APP1 segment after its start marker whose first IFD holds a Make entry
// and then the orientation.
std::string withExifOrientation(std::string_view jpeg, int orientation, bool bigEndian)
{
    std::string tiff;
    const auto u16 = [&](unsigned value) {
        const char high = static_cast<char>(value >> 8);
        const char low = static_cast<char>(value & 0xFF);
        tiff += bigEndian ? std::string {high, low} : std::string {low, high};
    };
    const auto u32 = [&](unsigned value) {
        u16(bigEndian ? value >> 16 : value & 0xFFFF);
        u16(bigEndian ? value & 0xFFFF : value >> 16);
    };
    tiff += bigEndian ? "MM" : "II";
    u16(42);
    u32(8); // the first IFD follows the header
    u16(2); // entries
    u16(0x010F); // Make: ASCII, 4 bytes, inline
    u16(2);
    u32(4);
    tiff += "abc\0"sv;
    u16(0x0112); // Orientation: SHORT, 1 value
    u16(3);
    u32(1);
    u16(static_cast<unsigned>(orientation));
    u16(0);
    u32(0); // no next IFD
    const std::size_t length = 2 + 6 + tiff.size();
    std::string segment = "\xff\xe1";
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    segment += "Exif\0\0"sv;
    segment += tiff;
    return std::string(jpeg.substr(0, 2)) + segment + std::string(jpeg.substr(2));
}

bool reportsOrientation(std::string_view jpeg, int orientation)
{
    auto source = graphics::ImageSource::create(Data::create(std::string(jpeg)));
    if (!source || source->count() == 0 || source->imageAtIndex(0).isNull())
        return false;
    const Id properties(source->propertiesAtIndex(0));
    return properties[graphics::imageProperty::orientation].integerValue() == orientation;
}

} // namespace

int main(int argc, char** argv)
{
    fuzzseeds::SeedWriter writer(argc, argv);
    auto found = writer.arguments().empty() ? kFormats.end() : kFormats.find(writer.arguments().front());
    writer.check(found != kFormats.end(), "format argument");
    if (found == kFormats.end())
        return writer.finish();
    const Format& format = found->second;

    const std::vector<std::vector<QImage>> images = {
        {gradient(16, 16, false)},
        {gradient(15, 9, false)},
        {gradient(9, 7, true)},
        {gradient(12, 12, true), gradient(12, 12, false)},
    };
    int orientation = 0;
    for (const auto& frames : images) {
        for (double quality : {1.0, 0.5}) {
            Ref<Data> data = encode(format.type, frames, quality);
            writer.check(data && data->length() > format.leadingBytes.size(), "encoded image");
            if (!data)
                continue;
            std::string_view bytes = data->view();
            std::string_view lead = bytes.substr(0, format.leadingBytes.size());
            bool sameLead = format.riff
                ? lead.substr(0, 4) == format.leadingBytes.substr(0, 4) && lead.substr(8) == format.leadingBytes.substr(8)
                : lead == format.leadingBytes;
            // An encoder may begin some files otherwise (HEIF adds a brand to the file type box
            // of images with even sides): those cannot follow the fuzzer's leading bytes.
            if (!sameLead)
                continue;
            std::string_view seed = bytes.substr(format.leadingBytes.size());
            writer.check(decodes(format, seed), "image after the fuzzer's leading bytes");
            writer.add(seed);
            if (format.type == graphics::typeIdentifier::jpeg) {
                orientation = orientation % 8 + 1;
                for (bool bigEndian : {false, true}) {
                    const std::string rotated = withExifOrientation(bytes, orientation, bigEndian);
                    writer.check(reportsOrientation(rotated, orientation), "JPEG with an EXIF orientation");
                    writer.add(std::string_view(rotated).substr(format.leadingBytes.size()));
                }
            }
        }
    }
    return writer.finish();
}
