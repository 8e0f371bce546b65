#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <filesystem>
#include <memory>

namespace catalogue {

// Renders one line of text in a given font face with FreeType into an image. No shaping, no
// kerning and no fallback font (a character the face lacks draws as the face draws it): enough for
// preview strips of Latin and CJK text. Needs no QGuiApplication.
//
// A line wider than the canvas between its margins is drawn at a smaller size, so that the whole
// text shows; a line that fits keeps the style's size. The background is transparent unless the
// style gives a colour: a preview lies on whatever colour its row has (day, night, hovered).
class TextRenderer {
public:
    struct Style {
        int pixelSize = 44;
        int width = 600;
        int height = 80;
        int margin = 16;
        QColor foreground{0x33, 0x33, 0x33};
        QColor background{Qt::transparent}; // an opaque colour gives an image without alpha
    };

    // One face opened once for many renders. Renders of one face take turns (a FreeType face is
    // not to be used by two threads at once); different faces render side by side.
    class Face {
    public:
        // Null when the file or the face cannot be opened.
        static std::shared_ptr<Face> open(const std::filesystem::path& fontFile, int faceIndex);
        ~Face();
        Face(const Face&) = delete;
        Face& operator=(const Face&) = delete;

        // A null image when the face cannot be set to the style's size.
        QImage render(const QString& text, const Style& style);

        struct State;
        explicit Face(std::unique_ptr<State> state);

    private:
        std::unique_ptr<State> state_;
    };

    static Style dayStyle();
    static Style nightStyle();
    // The same style with the accent colour that marks new fonts (the dark or the light one, as
    // the style's text colour is dark or light).
    static Style newFontStyle(Style style);

    // A null image when the face cannot be opened. Opens the face for this call only, so calls from
    // several threads do not interfere.
    static QImage render(const std::filesystem::path& fontFile, int faceIndex, const QString& text,
                         const Style& style);

    // Whether a preview rendered earlier from this font file can stay: it is newer than the font
    // and than the running program, whose renderer may draw differently from the one that wrote it.
    static bool isUpToDate(const std::filesystem::path& preview, const std::filesystem::path& fontFile);
};

} // namespace catalogue
