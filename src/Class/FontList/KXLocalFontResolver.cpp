#include "Class/FontList/KXLocalFontResolver.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Fonts/FontNames.h"
#include "Platform/Fonts/FontRegistry.h"

#include <QApplication>
#include <QFontDatabase>

KXLocalFontResolver& KXLocalFontResolver::shared()
{
    static KXLocalFontResolver resolver;
    return resolver;
}

KXLocalFontResolver::Face KXLocalFontResolver::face(const std::string& postScriptName)
{
    // One lock over the lookup too: two threads asking for one new name add its file once.
    const std::lock_guard lock(mutex_);
    if (const auto known = faces_.find(postScriptName); known != faces_.end())
        return known->second;
    Face face;
    if (const auto file = fonts::FontRegistry::fileForPostScriptName(postScriptName)) {
        const std::string path = file->file.string();
        auto added = addedFiles_.find(path);
        if (added == addedFiles_.end())
            added = addedFiles_.emplace(path, QFontDatabase::addApplicationFont(QString::fromStdString(path))).first;
        const QStringList families = added->second >= 0 ? QFontDatabase::applicationFontFamilies(added->second) : QStringList();
        const auto names = fonts::FontNameReader::read(file->file, {"en"});
        if (!families.isEmpty()) {
            face.found = true;
            face.family = families.first();
            if (names && names->subfamily)
                face.style = QString::fromStdString(*names->subfamily);
        }
    }
    return faces_.emplace(postScriptName, std::move(face)).first->second;
}

QFont KXLocalFontResolver::fontForPostScriptName(const std::string& postScriptName, double pixelSize)
{
    QFont font = QApplication::font();
    const Face found = face(postScriptName);
    if (found.found) {
        if (dispatch::isMainThread())
            mainThreadFonts_ += 1;
        font = QFont(found.family);
        if (!found.style.isEmpty())
            font.setStyleName(found.style);
    }
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    return font;
}

bool KXLocalFontResolver::hasFont(const std::string& postScriptName)
{
    return face(postScriptName).found;
}
