#include "Class/Store/Core/KXStoreService.h"

#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Store/Core/KXStoreSession.h"

#include <mutex>

using foundation::Id;

namespace {

std::mutex& installedMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<KXStoreService>& installed()
{
    static std::shared_ptr<KXStoreService> service;
    return service;
}

} // namespace

void KXStoreService::installCartReader()
{
    KXAccountWrites::setReader(KXAccountWrites::Read::Cart, [](KXAccountWrites::Done done) {
        KXStoreService::shared()->getBuyCartsDataSuceess(
            [done](const Id& reply) { done({reply.dictionary() && KXStoreService::listSucceeded(reply), reply}); },
            [done](const foundation::Ref<foundation::Error>&) { done({}); });
    });
}

std::shared_ptr<KXStoreService> KXStoreService::shared()
{
    std::lock_guard lock(installedMutex());
    if (!installed())
        installed() = std::make_shared<KXStoreHTTPService>();
    return installed();
}

std::shared_ptr<KXStoreService> KXStoreService::install(std::shared_ptr<KXStoreService> service)
{
    std::lock_guard lock(installedMutex());
    auto previous = std::move(installed());
    installed() = std::move(service);
    return previous;
}

bool KXStoreService::listSucceeded(const Id& reply)
{
    const Id status = reply["errorcode"];
    return status.isNil() || status.integerValue() == 0;
}

bool KXStoreService::succeeded(const Id& reply)
{
    const Id status = reply["errcode"];
    return !status.isNil() && status.integerValue() == 0;
}

void KXStoreService::guardedSend(
    Operation operation, const std::string& argument, Reply reply, Failure failure)
{
    // Watching from the first request on, so the state a sign-out clears never outlives it.
    KXStoreSession::shared();
    const KXRequestAccount::Mark asked = KXRequestAccount::current();
    Failure ended = failure;
    send(
        operation, argument,
        [asked, reply = std::move(reply), ended = std::move(ended)](const Id& answer) {
            if (!KXRequestAccount::isCurrent(asked)) {
                if (ended)
                    ended(KXRequestAccount::endedError());
                return;
            }
            if (reply)
                reply(answer);
        },
        // A failure of an account that has gone is no more the next account's than its reply.
        [asked, failure = std::move(failure)](const foundation::Ref<foundation::Error>& error) {
            if (failure)
                failure(KXRequestAccount::isCurrent(asked) ? error : KXRequestAccount::endedError());
        });
}

void KXStoreService::getBuyCartsDataSuceess(Reply reply, Failure failure)
{
    guardedSend(Operation::Carts, {}, std::move(reply), std::move(failure));
}

void KXStoreService::deleteBuyCartsWithFids(const std::string& fids, Reply reply, Failure failure)
{
    guardedSend(Operation::DeleteCarts, fids, std::move(reply), std::move(failure));
}

void KXStoreService::getAllBrandSuceess(Reply reply, Failure failure)
{
    guardedSend(Operation::AllBrand, {}, std::move(reply), std::move(failure));
}

void KXStoreService::getSeconAuthDataWithAuthid(const std::string& authID, Reply reply, Failure failure)
{
    guardedSend(Operation::Brand, authID, std::move(reply), std::move(failure));
}

void KXStoreService::getBuyCartsPriceWithInfo(const std::string& info, Reply reply, Failure failure)
{
    guardedSend(Operation::Price, info, std::move(reply), std::move(failure));
}

void KXStoreService::submitBuyCartsOriderWithInfo(const std::string& info, Reply reply, Failure failure)
{
    guardedSend(Operation::Order, info, std::move(reply), std::move(failure));
}

void KXStoreService::getUnpaidOriderSuceess(Reply reply, Failure failure)
{
    guardedSend(Operation::Unpaid, {}, std::move(reply), std::move(failure));
}

void KXStoreHTTPService::send(Operation operation, const std::string& argument, Reply reply, Failure failure)
{
    KXHTTPBUSINESS business;
    switch (operation) {
    case Operation::Carts:
        business.getBuyCartsDataSuceess(std::move(reply), std::move(failure));
        break;
    case Operation::DeleteCarts:
        business.deleteBuyCartsWithFids(Id(argument), std::move(reply), std::move(failure));
        break;
    case Operation::AllBrand:
        business.getAllBrandSuceess(std::move(reply), std::move(failure));
        break;
    case Operation::Brand:
        business.getSeconAuthDataWithAuthid(Id(argument), std::move(reply), std::move(failure));
        break;
    case Operation::Price:
        business.getBuyCartsPriceWithFids(Id(""), Id(""), Id(argument), std::move(reply), std::move(failure));
        break;
    case Operation::Order:
        business.submitBuyCartsOriderWithFids(
            Id(""), Id(""), Id(argument), std::move(reply), std::move(failure));
        break;
    case Operation::Unpaid:
        business.getUnpaidOriderSuceess(std::move(reply), std::move(failure));
        break;
    }
}
