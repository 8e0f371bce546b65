#include "Class/Store/Core/KXPriceRequester.h"

#include "Class/Store/Core/KXStoreService.h"
#include "Platform/Foundation/Format.h"

#include <cstdio>

using foundation::Id;

struct KXPriceRequester::State {
    unsigned long long latest = 0;
    bool waiting = false;
    Log log;
};

KXPriceRequester::KXPriceRequester(std::shared_ptr<KXStoreService> service)
    : service_(std::move(service))
    , state_(std::make_shared<State>())
{
    state_->log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
}

KXPriceRequester::~KXPriceRequester() = default;

void KXPriceRequester::setLog(Log log)
{
    state_->log = std::move(log);
}

bool KXPriceRequester::request(const std::string& infoString, Apply apply, Failed failed)
{
    if (infoString.size() <= kEmptyChoiceLength) {
        retire();
        return false;
    }
    const unsigned long long number = ++state_->latest;
    state_->waiting = true;
    std::weak_ptr<State> weak = state_;
    auto service = service_ ? service_ : KXStoreService::shared();
    service->getBuyCartsPriceWithInfo(
        infoString,
        [weak, number, apply = std::move(apply), failed](const Id& reply) {
            auto state = weak.lock();
            if (!state || state->latest != number)
                return;
            state->waiting = false;
            if (!KXStoreService::succeeded(reply)) {
                if (state->log)
                    state->log(foundation::format("----%@", reply));
                if (failed)
                    failed();
                return;
            }
            if (apply)
                apply(reply["corvane_data"]);
        },
        [weak, number, failed](const foundation::Ref<foundation::Error>&) {
            auto state = weak.lock();
            if (!state || state->latest != number)
                return;
            state->waiting = false;
            if (failed)
                failed();
        });
    return true;
}

void KXPriceRequester::retire()
{
    ++state_->latest;
    state_->waiting = false;
}

bool KXPriceRequester::isWaiting() const
{
    return state_->waiting;
}
