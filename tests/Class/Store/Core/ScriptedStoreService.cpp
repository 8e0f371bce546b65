#include "ScriptedStoreService.h"

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"

#include <gtest/gtest.h>
#include <stdexcept>

using foundation::Id;

namespace storetest {

std::size_t ScriptedStoreService::count(Operation operation) const
{
    std::size_t n = 0;
    for (const Call& c : calls)
        n += c.operation == operation ? 1 : 0;
    return n;
}

ScriptedStoreService::Call& ScriptedStoreService::call(Operation operation, std::size_t n)
{
    for (Call& c : calls) {
        if (c.operation == operation && n-- == 0)
            return c;
    }
    throw std::out_of_range("no such request");
}

void ScriptedStoreService::answer(Operation operation, std::size_t n, const Id& reply)
{
    call(operation, n).reply(reply);
}

void ScriptedStoreService::fail(Operation operation, std::size_t n)
{
    call(operation, n)
        .failure(foundation::Error::create("NSURLErrorDomain", -1001, "The request timed out."));
}

void ScriptedStoreService::send(
    Operation operation, const std::string& argument, Reply reply, Failure failure)
{
    calls.push_back({ operation, argument, std::move(reply), std::move(failure) });
}

ScopedScriptedService::ScopedScriptedService()
    : service_(std::make_shared<ScriptedStoreService>())
    , previous_(KXStoreService::install(service_))
{
}

ScopedScriptedService::~ScopedScriptedService()
{
    KXStoreService::install(previous_);
}

Id envelope(long long errcode, const Id& data)
{
    return Id(foundation::Dictionary::create(
        { { Id("errcode"), Id(errcode) }, { Id("message"), Id("") }, { Id("corvane_data"), data } }));
}

} // namespace storetest
