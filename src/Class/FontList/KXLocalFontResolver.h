#pragma once

#include <QFont>
#include <QString>

#include <atomic>
#include <mutex>
#include <string>
#include <unordered_map>

// The font a local row draws its name in: the installed font of the record's PostScript name,
// found through fontconfig and added to the application's fonts once per file; the system font
// when no installed font has that name. Answers are kept per name, so rows repaint without asking
// fontconfig again. Thread-safe: the rows' names are drawn on the pool (KXLocalNameImages), since
// the first use of a font on a thread matches it against every installed font.
class KXLocalFontResolver {
public:
    static KXLocalFontResolver& shared();

    // The font of that PostScript name at `pixelSize` (the system font when none is installed).
    QFont fontForPostScriptName(const std::string& postScriptName, double pixelSize);
    // Whether the last answer for the name found an installed font.
    bool hasFont(const std::string& postScriptName);

    // Installed fonts handed out on the main thread so far: painting rows must leave it alone.
    long long mainThreadFonts() const { return mainThreadFonts_.load(); }

private:
    struct Face {
        bool found = false;
        QString family;
        QString style;
    };
    Face face(const std::string& postScriptName);

    std::mutex mutex_; // guards faces_ and addedFiles_
    std::unordered_map<std::string, Face> faces_;
    std::unordered_map<std::string, int> addedFiles_; // font file -> application font id
    std::atomic<long long> mainThreadFonts_{0};
};
