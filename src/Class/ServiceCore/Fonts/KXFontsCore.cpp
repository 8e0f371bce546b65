#include "Class/ServiceCore/Fonts/KXFontsCore.h"

#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXFontNameRecord.h"
#include "Class/ServiceCore/Fonts/KXFontScripts.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Fonts/KXSketchPlugin.h"
#include "Platform/Desktop/ScriptRunner.h"
#include "Platform/Desktop/WindowList.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Fonts/FontNames.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <array>
#include <cstdio>

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

constexpr std::array<const char*, 6> kOwnerNames = {"Microsoft Word", "Microsoft PowerPoint", "Photoshop",
                                                    "Adobe Illustrator", "InDesign", "Sketch"};
constexpr double kRetryInterval = 0.5;
constexpr long long kMaximumRetries = 10;
constexpr double kSketchMenuDelay = 3.0;
constexpr const char* kDefaultFamily = "Helvetica";

foundation::Atomic<KXFontsCore::ClientErrorReporter>& reporter()
{
    static foundation::Atomic<KXFontsCore::ClientErrorReporter> hook;
    return hook;
}

Ref<String> optionalString(const std::optional<std::string>& text)
{
    return text ? String::create(*text) : nullptr;
}

std::string text(const Id& value)
{
    return value.stringValue();
}

} // namespace

struct KXFontsCore::HandOff {
    std::string path;
    int appType = AppNone;
    std::string ownerName;
    Ref<foundation::Dictionary> record;
    long long retryCount = 0;
};

void KXFontsCore::setClientErrorReporter(ClientErrorReporter hook)
{
    reporter().set(std::move(hook));
}

KXFontsCore::Environment KXFontsCore::systemEnvironment()
{
    Environment environment;
    environment.windowList = desktop::WindowList::systemWindowList();
    environment.scriptRunner = desktop::ScriptRunner::systemScriptRunner();
    environment.isFontUsable = [](const std::string& name) { return fonts::FontRegistry::isPostScriptNameAvailable(name); };
    environment.preferredLanguages = [] { return fonts::FontNameReader::preferredLanguages(); };
    environment.defaults = &foundation::UserDefaults::standardUserDefaults();
    environment.notificationCenter = &dispatch::NotificationCenter::defaultCenter();
    environment.nameCache = &KXFontNameCache::shared();
    environment.cacheFolder = foundation::Paths::cacheDirectory();
    environment.dataHome = foundation::Paths::dataHome();
    return environment;
}

std::shared_ptr<KXFontsCore> KXFontsCore::create()
{
    return create(systemEnvironment());
}

std::shared_ptr<KXFontsCore> KXFontsCore::create(Environment environment)
{
    return std::make_shared<KXFontsCore>(std::move(environment));
}

KXFontsCore::KXFontsCore(Environment environment)
    : environment_(std::move(environment))
{
}

Ref<foundation::MutableArray> KXFontsCore::fontNamesA() const
{
    return environment_.nameCache ? environment_.nameCache->entries() : foundation::MutableArray::create();
}

Ref<foundation::MutableDictionary> KXFontsCore::tryTimeD()
{
    return tryTimeD_.getOrCreate([] { return foundation::MutableDictionary::create(); });
}

// --- The front application ------------------------------------------------------------------

int KXFontsCore::getChooseApp()
{
    if (!environment_.windowList)
        return AppNone;
    for (const auto& window : environment_.windowList->windowsFrontToBack()) {
        for (std::size_t code = 0; code < kOwnerNames.size(); ++code) {
            if (window.ownerName.find(kOwnerNames[code]) != std::string::npos) {
                ownerName_.set(window.ownerName);
                return static_cast<int>(code);
            }
        }
    }
    return AppNone;
}

std::string KXFontsCore::chosenOwnerName() const
{
    return ownerName_.get();
}

// --- Naming -----------------------------------------------------------------------------------

Ref<foundation::MutableDictionary> KXFontsCore::nameFont(const std::string& path, Naming naming)
{
    const auto languages = environment_.preferredLanguages ? environment_.preferredLanguages()
                                                           : fonts::FontNameReader::preferredLanguages();
    const auto names = fonts::FontNameReader::read(path, languages);
    if (naming != Naming::Plain)
        KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(String::create("字体解析出错"));
    if (!names)
        return nullptr;
    auto family = optionalString(names->localizedFamily ? names->localizedFamily : names->family);
    auto postScriptName = optionalString(names->postScriptName);
    const bool defaultFamily = family && family->isEqualToString(kDefaultFamily);
    if (naming == Naming::Plain) {
        if (defaultFamily && names->fullName) {
            family = String::create(*names->fullName);
            if (!postScriptName)
                postScriptName = family;
        }
    } else {
        if (defaultFamily && postScriptName && postScriptName->containsString("KX") && names->fullName)
            family = String::create(*names->fullName);
        if (naming == Naming::Cached && !postScriptName && family && family->isEqualToString(kDefaultFamily))
            postScriptName = String::create(kDefaultFamily);
    }
    return kxfontname::makeRecord(family, optionalString(names->subfamily), postScriptName, String::create(path));
}

Ref<foundation::Dictionary> KXFontsCore::cachedName(const Ref<String>& path, Naming naming)
{
    if (!path)
        return foundation::MutableDictionary::create();
    if (environment_.nameCache) {
        if (auto cached = environment_.nameCache->recordForPath(path->utf8()))
            return cached;
    }
    auto record = nameFont(path->utf8(), naming);
    if (!record)
        return foundation::MutableDictionary::create();
    if (environment_.nameCache)
        environment_.nameCache->insertRecord(path->utf8(), record);
    return record;
}

Ref<foundation::Dictionary> KXFontsCore::activeWithPath(const Ref<String>& path, long long)
{
    return cachedName(path, Naming::Cached);
}

Ref<foundation::Dictionary> KXFontsCore::getfontnamesBypath(const Ref<String>& path, long long)
{
    return cachedName(path, Naming::CachedWithoutDefault);
}

Ref<foundation::MutableDictionary> KXFontsCore::fontBaseInfoByFontPath(const Ref<String>& path)
{
    return path ? nameFont(path->utf8(), Naming::Plain) : nullptr;
}

// --- The hand-off -----------------------------------------------------------------------------

void KXFontsCore::activeFontsBypath(const Ref<String>& path, const std::function<void()>&, const std::function<void()>&)
{
    auto self = shared_from_this();
    const std::string filePath = path ? path->utf8() : std::string();
    dispatch::globalQueue().async([self, filePath] {
        auto handOff = std::make_shared<HandOff>();
        handOff->path = filePath;
        handOff->appType = self->getChooseApp();
        if (handOff->appType != AppNone)
            handOff->ownerName = self->chosenOwnerName();
        handOff->record = self->activeWithPath(String::create(filePath), handOff->appType);
        self->test(handOff);
    });
}

void KXFontsCore::testnftTyPath(const Ref<foundation::Dictionary>& record, long long appType)
{
    auto handOff = std::make_shared<HandOff>();
    handOff->record = record ? record : foundation::Dictionary::create();
    handOff->path = text(handOff->record->objectForKey(kxfontname::kPath));
    handOff->appType = static_cast<int>(appType);
    handOff->ownerName = chosenOwnerName();
    test(handOff);
}

void KXFontsCore::test(const std::shared_ptr<HandOff>& handOff)
{
    const std::string postScriptName = text(handOff->record->objectForKey(kxfontname::kPostScriptName));
    if (environment_.isFontUsable && environment_.isFontUsable(postScriptName)) {
        handOffFont(handOff->appType, handOff->record, handOff->ownerName, handOff->path);
        return;
    }
    auto self = shared_from_this();
    dispatch::mainQueue().after(kRetryInterval, [self, handOff] {
        if (handOff->retryCount > kMaximumRetries) {
            self->handOffFont(handOff->appType, handOff->record, handOff->ownerName, handOff->path);
            return;
        }
        self->test(handOff);
        handOff->retryCount += 1;
    });
}

void KXFontsCore::setTextFontWithSonftType(long long appType, const Ref<foundation::Dictionary>& record)
{
    auto safeRecord = record ? record : foundation::Dictionary::create();
    handOffFont(static_cast<int>(appType), safeRecord, chosenOwnerName(),
                text(safeRecord->objectForKey(kxfontname::kPath)));
}

void KXFontsCore::handOffFont(int appType, const Ref<foundation::Dictionary>& record, const std::string& ownerName,
                              const std::string& fallbackPath)
{
    const std::string postScriptName = text(record->objectForKey(kxfontname::kPostScriptName));
    std::string ttfPath = text(record->objectForKey(kxfontname::kPath));
    // A record cut short by a missing name has no path; the lists still wait for this one.
    if (ttfPath.empty())
        ttfPath = fallbackPath;
    std::string fontName = postScriptName;
    if (appType == AppInDesign) {
        fontName = text(record->objectForKey(kxfontname::kFamilyName)) + "\t"
            + text(record->objectForKey(kxfontname::kStyleName));
    }
    if (appType < AppWord || appType > AppSketch) {
        postEndCellLoading(ttfPath);
        return;
    }
    runApplicationScript(appType, fontName, ownerName, ttfPath);
}

void KXFontsCore::wordSetFontName(const std::string& fontName, const std::string& ttfPath)
{
    runApplicationScript(AppWord, fontName, chosenOwnerName(), ttfPath);
}

void KXFontsCore::powerPointSetFontName(const std::string& fontName, const std::string& ttfPath)
{
    runApplicationScript(AppPowerPoint, fontName, chosenOwnerName(), ttfPath);
}

void KXFontsCore::PSSetFontName(const std::string& fontName, const std::string& ttfPath)
{
    runApplicationScript(AppPhotoshop, fontName, chosenOwnerName(), ttfPath);
}

void KXFontsCore::AISetFontName(const std::string& fontName, const std::string& ttfPath)
{
    runApplicationScript(AppIllustrator, fontName, chosenOwnerName(), ttfPath);
}

void KXFontsCore::IDSetFontName(const std::string& fontName, const std::string& ttfPath)
{
    runApplicationScript(AppInDesign, fontName, chosenOwnerName(), ttfPath);
}

void KXFontsCore::sketchSetFontName(const std::string& fontName, const std::string& ttfPath)
{
    runApplicationScript(AppSketch, fontName, chosenOwnerName(), ttfPath);
}

void KXFontsCore::runApplicationScript(int appType, const std::string& fontName, const std::string& ownerName,
                                       const std::string& ttfPath)
{
    namespace scripts = kxfontscripts;
    // Names come from downloaded files: they are quoted, and refused when they cannot be.
    const auto name = appType == AppSketch ? scripts::javaScriptLiteral(fontName) : scripts::appleScriptLiteral(fontName);
    const auto owner = scripts::appleScriptLiteral(ownerName);
    if (!name || !owner) {
        std::fprintf(stderr, "font hand-off: refused a font name with control characters for %s\n", ttfPath.c_str());
        postEndCellLoading(ttfPath);
        return;
    }
    switch (appType) {
    case AppWord:
        runScptTaskWithScptStr(scripts::wordScript(*name), ttfPath);
        return;
    case AppPowerPoint:
        runScptTaskWithScptStr(scripts::powerPointScript(*name), ttfPath);
        return;
    case AppPhotoshop:
        runScptTaskWithScptStr(scripts::photoshopScript(*owner, *name), ttfPath);
        return;
    case AppIllustrator:
        runScptTaskWithScptStr(scripts::illustratorScript(*name), ttfPath);
        return;
    case AppInDesign:
        runScptTaskWithScptStr(scripts::inDesignScript(*owner, *name), ttfPath);
        return;
    case AppSketch:
        break;
    default:
        postEndCellLoading(ttfPath);
        return;
    }
    std::string error;
    if (!KXSketchPlugin::install(*name, environment_.cacheFolder, environment_.dataHome, &error))
        std::fprintf(stderr, "font hand-off: %s\n", error.c_str());
    const bool chinese = environment_.defaults && environment_.defaults->stringForKey("sketch")
        && environment_.defaults->stringForKey("sketch")->isEqualToString("zh");
    const std::string menuScript = scripts::sketchMenuScript(chinese);
    // The application needs a moment to load the rewritten plug-in before its menu is clicked.
    auto self = shared_from_this();
    dispatch::mainQueue().after(kSketchMenuDelay, [self, menuScript, ttfPath] {
        self->runScptTaskWithScptStr(menuScript, ttfPath);
    });
}

Ref<String> KXFontsCore::runScptTaskWithScptStr(const std::string& script, const std::string& ttfPath)
{
    auto self = shared_from_this();
    dispatch::mainQueue().async([self, script] {
        if (!self->environment_.scriptRunner)
            return;
        if (auto error = self->environment_.scriptRunner->run(script))
            self->scriptFailed(*error);
    });
    postEndCellLoading(ttfPath);
    return String::create("");
}

void KXFontsCore::scriptFailed(const std::string& errorText)
{
    if (errorText.find("menu bar item ") != std::string::npos && environment_.defaults) {
        auto current = environment_.defaults->stringForKey("sketch");
        const bool english = current && current->isEqualToString("en");
        environment_.defaults->setObject(Id(english ? "zh" : "en"), "sketch");
        environment_.defaults->synchronize();
    }
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(String::create("交互失败"));
    const ClientErrorReporter hook = reporter().get();
    if (hook)
        hook(String::create(""), String::create(""), String::create("mac"), String::create(errorText));
}

void KXFontsCore::postEndCellLoading(const std::string& ttfPath)
{
    auto* center = environment_.notificationCenter;
    if (!center)
        return;
    auto post = [center, ttfPath] {
        center->post(kEndCellLoadingNotification,
                     Id(foundation::Dictionary::create({{Id("ttfPath"), Id(ttfPath)}})));
    };
    if (dispatch::isMainThread() && (!dispatch::Queue::current() || dispatch::mainQueue().isCurrent()))
        post();
    else
        dispatch::mainQueue().async(post);
}

// --- Registration and unpacking ---------------------------------------------------------------

namespace {

// The file path of a path or "file://" URL text.
std::string registrationPath(const Ref<String>& text)
{
    std::string path = text ? text->utf8() : std::string();
    if (path.starts_with("file://"))
        path.erase(0, 7);
    return path;
}

} // namespace

void KXFontsCore::registerFontWithPath(const Ref<String>& path)
{
    const std::string file = registrationPath(path);
    if (file.empty() || !fonts::FontRegistry::registerFontFile(file))
        std::fprintf(stderr, "font registration failed: %s\n", file.c_str());
}

void KXFontsCore::UnRegisterFontWithPath(const Ref<String>& path)
{
    fonts::FontRegistry::unregisterFontFile(registrationPath(path));
}
