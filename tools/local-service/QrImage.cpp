#include "local-service/QrImage.h"

#include "local-service/PngEncoding.h"

#include <QImage>
#include <qrencode.h>

namespace localservice {

std::string QrImage::png(const std::string& text, int moduleSize)
{
    QRcode* code = QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M);
    if (!code)
        return {};
    const int quiet = 4;
    const int side = (code->width + 2 * quiet) * moduleSize;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < moduleSize; ++dy) {
                uchar* line = image.scanLine((y + quiet) * moduleSize + dy);
                for (int dx = 0; dx < moduleSize; ++dx)
                    line[(x + quiet) * moduleSize + dx] = 0;
            }
        }
    }
    QRcode_free(code);
    return encodePng(image);
}

} // namespace localservice
