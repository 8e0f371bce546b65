#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <filesystem>

namespace catalogue {

// Renders one line of text in a given font face with FreeType into an image. No shaping and no
// kerning: enough for preview strips of Latin and CJK text. Needs no QGuiApplication, and each
// call owns its FreeType objects, so calls from several threads do not interfere.
class TextRenderer {
public:
    struct Style {
        int pixelSize = 44;
        int width = 600;
        int height = 80;
        int margin = 16;
        QColor foreground{0x33, 0x33, 0x33};
        QColor background{0xff, 0xff, 0xff};
    };

    static Style dayStyle();
    static Style nightStyle();

    // A null image when the face cannot be opened.
    static QImage render(const std::filesystem::path& fontFile, int faceIndex, const QString& text,
                         const Style& style);
};

} // namespace catalogue
