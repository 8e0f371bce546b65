#include "Class/AppShell/KXMigration.h"

#include "Class/Account/Core/KXSignInEvents.h"

#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Crypto/Base64.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/Unicode.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Serialization/JSONSerialization.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"

#include <QStandardPaths>

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;
using foundation::Ref;

namespace {

bool isBase64Character(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
}

Ref<foundation::String> utf8Text(const fs::path& file)
{
    std::error_code error;
    if (!fs::is_regular_file(file, error))
        return nullptr;
    auto data = foundation::Data::dataWithContentsOfFile(file);
    if (!data || foundation::unicode::classifyUTF8(data->view()) == foundation::unicode::UTF8Kind::Invalid)
        return nullptr;
    return foundation::String::create(data->view());
}

} // namespace

KXMigration::Sources KXMigration::systemSources()
{
    Sources sources;
    sources.accountFile = foundation::Paths::dataHome() / "墨舟" / "UsrMsg.json";
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const fs::path documentsFolder = documents.isEmpty() ? foundation::Paths::homeDirectory() / "Documents"
                                                         : fs::path(documents.toStdString());
    sources.usedFonts = documentsFolder / "CorvaneFont" / "downft" / "used";
    sources.fontsFolder = foundation::Paths::userFontsDirectory();
    sources.fontMap = &KXDownloadedFontMap::shared();
    return sources;
}

std::shared_ptr<KXMigration> KXMigration::create(Sources sources)
{
    return std::shared_ptr<KXMigration>(new KXMigration(std::move(sources)));
}

KXMigration::KXMigration(Sources sources)
    : sources_(std::move(sources))
{
}

bool KXMigration::isAccountFileReadable(const fs::path& accountFile)
{
    return utf8Text(accountFile) != nullptr;
}

Id KXMigration::readOldLocalFile(const fs::path& accountFile)
{
    auto text = utf8Text(accountFile);
    if (!text)
        return Id();
    std::string alphabet;
    for (char c : text->utf8()) {
        if (isBase64Character(c))
            alphabet += c;
    }
    auto bytes = crypto::base64Decode(alphabet);
    if (!bytes)
        return Id();
    return foundation::JSONSerialization::JSONObjectWithData(bytes, 0);
}

bool KXMigration::shouldOffer(const Sources& sources, KXUserCenterConfig& session)
{
    if (session.islogin())
        return false;
    if (sources.fontMap && sources.fontMap->map()->count() > 0)
        return false;
    return isAccountFileReadable(sources.accountFile);
}

Id KXMigration::account() const
{
    const Id account = readOldLocalFile(sources_.accountFile);
    if (!account.dictionary() || account["user"].stringValue().empty())
        return Id();
    return account;
}

void KXMigration::moveOldFiles(std::function<void(float)> progress,
                               std::function<void(const Ref<foundation::Dictionary>&)> done)
{
    auto self = shared_from_this();
    auto engine = KXFontsCore::create();
    dispatch::globalQueue().async([self, engine, progress = std::move(progress), done = std::move(done)] {
        const Sources& sources = self->sources_;
        std::error_code error;
        std::vector<fs::directory_entry> entries;
        for (const auto& entry : fs::directory_iterator(sources.usedFonts, error))
            entries.push_back(entry);
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
        if (entries.empty()) {
            dispatch::mainQueue().async([done] { done(nullptr); });
            return;
        }
        auto report = [&progress](float width) {
            if (progress)
                dispatch::mainQueue().async([progress, width] { progress(width); });
        };

        fs::create_directories(sources.fontsFolder, error);
        auto recorded = foundation::MutableDictionary::create();
        const auto count = static_cast<float>(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            const fs::path source = entries[i].path();
            // Only regular files are taken: a link could point anywhere.
            if (source.filename() != ".DS_Store" && entries[i].is_regular_file(error) && !entries[i].is_symlink(error)) {
                const fs::path copy = sources.fontsFolder / source.filename();
                std::error_code copyError;
                // A copy that fails (a file of that name is there already) still leaves a file to record.
                fs::copy_file(source, copy, fs::copy_options::none, copyError);
                if (fs::is_regular_file(fs::symlink_status(copy, error))) {
                    const auto path = foundation::String::create(copy.string());
                    engine->registerFontWithPath(path);
                    const Id family = Id(engine->getfontnamesBypath(path, 0))["fName"];
                    if (!family.stringValue().empty())
                        recorded->setObject(Id(copy.string()), family);
                }
            }
            report(static_cast<float>(i) * kFullWidth / count);
        }
        fonts::FontRegistry::rescanFolder(sources.fontsFolder);
        report(kFullWidth);
        Ref<foundation::Dictionary> result = recorded;
        dispatch::mainQueue().async([self, done, result] {
            self->recordFonts(result);
            done(result);
        });
    });
}

bool KXMigration::recordFonts(const Ref<foundation::Dictionary>& recorded) const
{
    if (!sources_.fontMap)
        return false;
    return sources_.fontMap->update([&recorded](foundation::MutableDictionary& map) {
        if (recorded)
            map.addEntriesFromDictionary(*recorded);
    });
}

void KXMigration::signIn(const Id& account, std::function<void(bool)> done)
{
    auto finish = std::make_shared<std::function<void(bool)>>(std::move(done));
    const KXSignInEvents::Attempt attempt = KXSignInEvents::startAttempt();
    KXHTTPBUSINESS().LoginWithName(
        account["user"], account["pass"],
        [finish, attempt](const Id& reply) {
            const bool accepted = !reply["errcode"].isNil() && reply["errcode"].integerValue() == 0;
            // Someone signed in while the former account was asked for: that account stays.
            const bool signedIn = accepted && KXSignInEvents::postLoginMessage(reply["corvane_data"], attempt);
            if (*finish)
                (*finish)(signedIn);
        },
        [finish](const Ref<foundation::Error>&) {
            if (*finish)
                (*finish)(false);
        });
}
