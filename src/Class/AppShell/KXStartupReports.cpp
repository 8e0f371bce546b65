#include "Class/AppShell/KXStartupReports.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <cmath>
#include <memory>

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

Ref<String> errorLogKey()
{
    return String::create(KXHTTPErrorLog::kFileKey);
}

void ignoreReply(const Id&) { }
void ignoreError(const Ref<foundation::Error>&) { }

// After a successful upload: the log keeps what was appended meanwhile, or goes.
void dropSentText(const std::string& sent)
{
    auto& files = KXFileManager::sharedKXFileManager();
    const Id log = files.returnDecryptDataByPathKey(errorLogKey());
    const std::string rest = KXStartupReports::remainderAfterUpload(log["errorinfo"].stringValue(), sent);
    if (rest.empty()) {
        files.removeFileByPathkey(errorLogKey());
        return;
    }
    auto kept = foundation::MutableDictionary::dictionaryWithDictionary(*log.dictionary());
    kept->setObject(Id(rest), Id("errorinfo"));
    files.writeEncryptDataWithDictionary(Id(kept), errorLogKey());
}

} // namespace

std::string KXStartupReports::remainderAfterUpload(const std::string& current, const std::string& sent)
{
    if (current.starts_with(sent))
        return current.substr(sent.size());
    // The log keeps only its newest lines, so appending may have dropped whole lines from the
    // front of what was sent: find the longest tail of `sent`, starting at a line, that begins the
    // current text.
    for (size_t line = sent.find('\n'); line != std::string::npos; line = sent.find('\n', line + 1)) {
        const std::string_view tail = std::string_view(sent).substr(line + 1);
        if (!tail.empty() && current.starts_with(tail))
            return current.substr(tail.size());
    }
    return current;
}

bool KXStartupReports::uploadhttpError(std::function<void(bool)> done)
{
    auto& files = KXFileManager::sharedKXFileManager();
    const Id log = files.returnDecryptDataByPathKey(errorLogKey());
    const Ref<String> text = log["errorinfo"].string();
    if (!text || text->utf8().empty())
        return false;
    if (text->containsString(kUnreadableDataText)) {
        files.removeFileByPathkey(errorLogKey());
        return false;
    }
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(String::create("HTTP及服务器错误"));
    const std::string sent = text->utf8();
    auto finish = std::make_shared<std::function<void(bool)>>(std::move(done));
    KXHTTPBUSINESS().upLoadActivationErrorWithClientName(
        Id(""), Id(""), Id("mac"), Id(text),
        [sent, finish](const Id& reply) {
            // A refusal is no upload: the log stays for the next start.
            const bool accepted = !reply["errcode"].isNil() && reply["errcode"].integerValue() == 0;
            if (accepted)
                dropSentText(sent);
            if (*finish)
                (*finish)(accepted);
        },
        [finish](const Ref<foundation::Error>&) {
            if (*finish)
                (*finish)(false);
        });
    return true;
}

void KXStartupReports::sendFirstStartReport(foundation::UserDefaults& defaults)
{
    // Settings that could not be read do not tell whether this is the first start.
    if (defaults.objectForKey("install").isNil() && !defaults.isUnreadable())
        KXHTTPBUSINESS().appFirstLunchSuceess(ignoreReply, ignoreError);
}

void KXStartupReports::sendLaunchReport()
{
    KXHTTPBUSINESS().appFinishLunchSuceess(ignoreReply, ignoreError);
}

void KXStartupReports::sendUsedTime(std::function<void()> done)
{
    const auto now = static_cast<long long>(std::floor(dispatch::Clock::current()->secondsSince1970()));
    const long long seconds = now - KXGlobalDataBase::sharedKXGlobalDataBase().appStartTime();
    auto finish = std::make_shared<std::function<void()>>(std::move(done));
    KXHTTPBUSINESS().appUsedTime(
        seconds,
        [finish](const Id&) {
            if (*finish)
                (*finish)();
        },
        [finish](const Ref<foundation::Error>&) {
            if (*finish)
                (*finish)();
        });
}
