#include "Class/Home/Core/KXOrderReminder.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;

namespace {

unsigned& remainingPolls()
{
    return KXHomeProcessState::shared().remainingOrderPolls;
}

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

} // namespace

std::shared_ptr<KXOrderReminder> KXOrderReminder::create(Ask ask)
{
    if (!ask) {
        ask = [](KXHTTPBUSINESS::Success success, KXHTTPBUSINESS::Failure failure) {
            KXHTTPBUSINESS().getUnpaidOriderSuceess(std::move(success), std::move(failure));
        };
    }
    return std::shared_ptr<KXOrderReminder>(new KXOrderReminder(std::move(ask)));
}

KXOrderReminder::KXOrderReminder(Ask ask)
    : ask_(std::move(ask))
{
}

bool KXOrderReminder::orderAwaitsAttention()
{
    return !Id(defaults().stringForKey(kOrderKey)).stringValue().empty();
}

void KXOrderReminder::endChain()
{
    ++chain_;
    waiting_ = false;
    asking_ = false;
}

void KXOrderReminder::tempCheckOrder()
{
    auto delegate = delegate_.lock();
    endChain();
    if (!orderAwaitsAttention()) {
        if (delegate)
            delegate->orderReminderHideBadge();
        remainingPolls() = 0;
        return;
    }
    remainingPolls() = kPolls;
    checkMyOrderState();
    if (delegate)
        delegate->orderReminderStarted();
}

void KXOrderReminder::checkMyOrderState()
{
    if (remainingPolls() == 0) {
        waiting_ = false;
        defaults().setObject(Id(""), kOrderKey);
        defaults().synchronize();
        return;
    }
    --remainingPolls();
    waiting_ = true;
    dispatch::mainQueue().after(kInterval, [weak = weak_from_this(), chain = chain_] {
        auto self = weak.lock();
        if (!self || self->chain_ != chain)
            return;
        self->waiting_ = false;
        self->askMyOrderState();
    });
}

void KXOrderReminder::askMyOrderState()
{
    if (!orderAwaitsAttention()) {
        if (auto delegate = delegate_.lock())
            delegate->orderReminderHideBadge();
        remainingPolls() = 0;
        return;
    }
    if (auto delegate = delegate_.lock())
        delegate->orderReminderPrepareBadge();
    asking_ = true;
    const auto chain = chain_;
    auto weak = weak_from_this();
    ask_(
        [weak, chain](const Id& reply) {
            auto self = weak.lock();
            if (!self || self->chain_ != chain)
                return;
            self->asking_ = false;
            // Any other errcode ends the polling, leaving the key and the badge as they are.
            if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                return;
            const Id num = reply["corvane_data"]["num"];
            std::string text = num.stringValue();
            if (num.integerValue() == kStopNumber) {
                remainingPolls() = 0;
                text.clear();
            }
            if (auto delegate = self->delegate_.lock()) {
                delegate->orderReminderShowBadge(text);
                if (num.integerValue() < 1)
                    delegate->orderReminderHideBadge();
                else
                    delegate->orderReminderUnpaidOrders();
            }
            self->checkMyOrderState();
        },
        [weak, chain](const foundation::Ref<foundation::Error>&) {
            auto self = weak.lock();
            if (!self || self->chain_ != chain)
                return;
            self->asking_ = false;
            if (remainingPolls() > 0)
                --remainingPolls();
            self->checkMyOrderState();
        });
}

void KXOrderReminder::stop()
{
    endChain();
    remainingPolls() = 0;
}
