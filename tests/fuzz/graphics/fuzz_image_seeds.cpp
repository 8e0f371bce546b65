// Seeds of an image fuzzer (the arguments: the format's type identifier and the leading bytes, in
// hex, that its fuzzer puts in front): small images of that type (opaque and with alpha, lossy and
// lossless, two frames where the format animates, one tall enough to arrive in rows), each without
// those leading bytes and behind the header of cut points the fuzzer reads first. The image
// destination writes them; a type it does not write, Qt's writer does under the type's last name
// (com.microsoft.bmp: bmp), first frames only. JPEGs come again with an EXIF segment holding an
// orientation, in both byte orders, as the destination writes none. The program fails when no image
// of the format fits behind those bytes.
#include "ImageFuzzInput.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Graphics/ImageDestination.h"
#include "Platform/Graphics/ImageProperties.h"
#include "Platform/Graphics/ImageSource.h"
#include "fuzz/SeedWriter.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <cstdint>
#include <string>
#include <vector>

using namespace foundation;

namespace {

using namespace std::string_view_literals;

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

Ref<Data> qtWritten(std::string_view type, const QImage& image)
{
    std::string_view name = type.substr(type.rfind('.') + 1);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QByteArray(name.data(), qsizetype(name.size())));
    if (!writer.write(image))
        return nullptr;
    return Data::create(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

Ref<Data> encode(std::string_view type, const std::vector<QImage>& frames, double quality)
{
    auto destination = graphics::ImageDestination::create(type, frames.size());
    if (!destination)
        return qtWritten(type, frames.front());
    destination->setProperties(
        Dictionary::create({{Id(graphics::imageProperty::lossyCompressionQuality), Id(quality)}}));
    for (const QImage& frame : frames)
        destination->addImage(frame);
    return destination->finalize();
}

// The file as its fuzzer reads it: its leading bytes, then the seed.
bool decodes(std::span<const std::uint8_t> leading, std::string_view seed)
{
    auto body = std::span(reinterpret_cast<const std::uint8_t*>(seed.data()), seed.size());
    auto source = graphics::ImageSource::create(
        Data::create(std::span<const std::uint8_t>(imagefuzz::fileOf(leading, body))));
    return source && source->count() > 0 && !source->imageAtIndex(0).isNull();
}

// The seed behind the header of cut points.
std::string withCuts(std::string_view seed)
{
    return std::string(reinterpret_cast<const char*>(imagefuzz::seedHeader), imagefuzz::headerSize)
        + std::string(seed);
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
    writer.check(writer.arguments().size() == 2, "type and leading bytes arguments");
    if (writer.arguments().size() != 2)
        return writer.finish();
    const std::string& type = writer.arguments()[0];
    const std::vector<std::uint8_t> leading = imagefuzz::fromHex(writer.arguments()[1]);
    const std::string_view leadingBytes(reinterpret_cast<const char*>(leading.data()), leading.size());
    const bool riff = leadingBytes.starts_with("RIFF"); // the fuzzer writes the length of bytes 4 to 7 itself

    const std::vector<std::vector<QImage>> images = {
        {gradient(16, 16, false)},
        {gradient(15, 9, false)},
        {gradient(9, 7, true)},
        {gradient(12, 12, true), gradient(12, 12, false)},
        {gradient(40, 48, true)}, // rows that a partial update can show before the rest
    };
    int orientation = 0;
    for (const auto& frames : images) {
        for (double quality : {1.0, 0.5}) {
            Ref<Data> data = encode(type, frames, quality);
            writer.check(data && data->length() > leading.size(), "encoded image");
            if (!data)
                continue;
            std::string_view bytes = data->view();
            std::string_view lead = bytes.substr(0, leading.size());
            bool sameLead = riff
                ? lead.substr(0, 4) == leadingBytes.substr(0, 4) && lead.substr(8) == leadingBytes.substr(8)
                : lead == leadingBytes;
            // An encoder may begin some files otherwise (HEIF adds a brand to the file type box
            // of images with even sides): those cannot follow the fuzzer's leading bytes.
            if (!sameLead)
                continue;
            std::string_view seed = bytes.substr(leading.size());
            writer.check(decodes(leading, seed), "image after the fuzzer's leading bytes");
            writer.add(withCuts(seed));
            if (type == graphics::typeIdentifier::jpeg) {
                orientation = orientation % 8 + 1;
                for (bool bigEndian : {false, true}) {
                    const std::string rotated = withExifOrientation(bytes, orientation, bigEndian);
                    writer.check(reportsOrientation(rotated, orientation), "JPEG with an EXIF orientation");
                    writer.add(withCuts(std::string_view(rotated).substr(leading.size())));
                }
            }
        }
    }
    return writer.finish();
}
