#include "Lib/CrashGuard/CrashGuard.h"

#include "Lib/CrashGuard/CallStackMethod.h"
#include "Lib/CrashGuard/CrashGuardReporter.h"
#include "Platform/Foundation/Atomic.h"

#include <mutex>
#include <regex>

using foundation::Array;
using foundation::Id;
using foundation::Ref;

namespace {

struct UnrecognizedSelectorLists {
    std::once_flag classNamesSet;
    std::once_flag prefixesSet;
    foundation::Atomic<Ref<Array>> classNames;
    foundation::Atomic<Ref<Array>> prefixes;
};

UnrecognizedSelectorLists& lists()
{
    static UnrecognizedSelectorLists lists;
    return lists;
}

// The strings of `list` that `refused` lets through; nil for nil.
template <class Refused> Ref<Array> filtered(const Ref<Array>& list, Refused refused)
{
    if (!list)
        return nullptr;
    std::vector<Id> kept;
    for (const Id& entry : *list)
        if (entry.string() && !refused(entry.stringValue()))
            kept.push_back(entry);
    return Array::create(std::move(kept));
}

} // namespace

void CrashGuard::makeAllEffective()
{
    effectiveIfDealWithNoneSel(true);
}

void CrashGuard::becomeEffective()
{
    effectiveIfDealWithNoneSel(false);
}

void CrashGuard::effectiveIfDealWithNoneSel(bool dealWithNoneSel)
{
    static std::once_flag installed;
    std::call_once(installed, [dealWithNoneSel] {
        // The first stack taken loads the unwinder library: do it now rather than inside a misuse.
        (void)crashguard::captureReturnAddresses();
        auto reporter = crashguard::CrashGuardReporter::shared();
        reporter->setDealWithUnrecognizedSelectors(dealWithNoneSel);
        foundation::setMisuseHandler(
            [reporter](const foundation::MisuseReport& misuse) { return reporter->handle(misuse); });
    });
}

void CrashGuard::setupNoneSelClassStringsArr(const Ref<Array>& classNames)
{
    auto& state = lists();
    std::call_once(state.classNamesSet, [&] {
        state.classNames.set(filtered(classNames,
            [](const std::string& name) { return name.starts_with("UI") || name == "NSObject"; }));
    });
}

void CrashGuard::setupNoneSelClassStringPrefixsArr(const Ref<Array>& prefixes)
{
    auto& state = lists();
    std::call_once(state.prefixesSet, [&] {
        state.prefixes.set(filtered(prefixes,
            [](const std::string& prefix) { return prefix.starts_with("UI") || prefix.starts_with("NS"); }));
    });
}

Ref<Array> CrashGuard::noneSelClassStrings()
{
    return lists().classNames.get();
}

Ref<Array> CrashGuard::noneSelClassStringPrefixs()
{
    return lists().prefixes.get();
}

Ref<foundation::String> CrashGuard::getMainCallStackSymbolMessageWithCallStackSymbols(
    const std::vector<crashguard::CallStackFrame>& frames)
{
    static const std::regex method(R"([-\+]\[.+\])", std::regex::icase);
    for (const auto& frame : frames) {
        // Code outside the application is the platform's: decided first, as it is the cheap test.
        if (!crashguard::isApplicationFrame(frame))
            continue;
        const std::string text = crashguard::methodText(frame);
        std::smatch match;
        if (text.empty() || !std::regex_search(text, match, method))
            continue;
        const std::string candidate = match.str();
        std::string className = candidate.substr(0, candidate.find(' '));
        className.erase(0, className.rfind('[') + 1);
        // A class text ending in ")" is a category's.
        if (className.ends_with(')'))
            continue;
        return foundation::String::create(candidate);
    }
    return nullptr;
}

void CrashGuard::noteErrorWithException(
    const Ref<foundation::ExceptionObject>& exception, std::string_view defaultToDo)
{
    crashguard::CrashGuardReporter::shared()->note(exception, std::string(defaultToDo));
}

const char* CrashGuard::defaultToDoText(foundation::MisuseDefault instead)
{
    switch (instead) {
    case foundation::MisuseDefault::ReturnNil:
        return kDefaultToReturnNil;
    case foundation::MisuseDefault::ReturnEmptyString:
        return kDefaultToReturnEmptyString;
    case foundation::MisuseDefault::RebuiltArray:
        return kDefaultToRebuildArray;
    case foundation::MisuseDefault::RebuiltDictionary:
        return kDefaultToRebuildDictionary;
    case foundation::MisuseDefault::UnassignedCharacter:
        return kDefaultToLeaveCharacter;
    case foundation::MisuseDefault::Ignore:
        break;
    }
    return kDefaultToIgnore;
}

unsigned long CrashGuard::unreportedMisuseCount()
{
    return crashguard::CrashGuardReporter::shared()->unreportedCount();
}
