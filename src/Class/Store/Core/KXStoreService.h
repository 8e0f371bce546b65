#pragma once

#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Object.h"

#include <functional>
#include <memory>
#include <string>

// The service operations of the store, in one place so that a test or a benchmark can answer
// them. Each call sends one request; its reply (the whole decoded envelope) or failure reaches
// its block on the main queue. A reply or a failure that comes after the user signed out or
// another user signed in (KXRequestAccount) reaches the failure block with
// KXRequestAccount::endedError(), so a page that waits stops waiting and tells no one. Pages
// hold themselves weakly in the blocks.
//
// The installed service is KXStoreHTTPService (the API facade) until another is installed.
// Main thread only.
class KXStoreService {
public:
    using Reply = std::function<void(const foundation::Id& reply)>;
    using Failure = std::function<void(const foundation::Ref<foundation::Error>& error)>;

    enum class Operation { Carts, DeleteCarts, AllBrand, Brand, Price, Order, Unpaid };

    virtual ~KXStoreService() = default;

    static std::shared_ptr<KXStoreService> shared();
    // Makes this service's cart read (whichever service is installed then) the cart reader of
    // KXAccountWrites. Called where the client starts.
    static void installCartReader();
    // Installs `service` (nullptr: the API facade again) and returns the previous one.
    static std::shared_ptr<KXStoreService> install(std::shared_ptr<KXStoreService> service);

    void getBuyCartsDataSuceess(Reply reply, Failure failure); // getCarts
    void deleteBuyCartsWithFids(const std::string& fids, Reply reply, Failure failure); // delCarts
    void getAllBrandSuceess(Reply reply, Failure failure); // getAllBrand
    void getSeconAuthDataWithAuthid(const std::string& authID, Reply reply, Failure failure); // getBrand
    // getPrice and subOrder with empty "fids" and "brand_id" and the selection text as "info".
    void getBuyCartsPriceWithInfo(const std::string& info, Reply reply, Failure failure);
    void submitBuyCartsOriderWithInfo(const std::string& info, Reply reply, Failure failure);
    // The number of unpaid orders ("corvane_data" "num"), which tells whether an order whose
    // reply was lost was made.
    void getUnpaidOriderSuceess(Reply reply, Failure failure); // getUnpaid

    // The cart and brand-list readers take the status from "errorcode", a missing key being
    // success; the other replies from "errcode", which must be there and 0.
    static bool listSucceeded(const foundation::Id& reply);
    static bool succeeded(const foundation::Id& reply);

protected:
    // Sends one operation; `argument` is the ids, the category id or the selection text.
    virtual void send(Operation operation, const std::string& argument, Reply reply, Failure failure) = 0;

private:
    void guardedSend(Operation operation, const std::string& argument, Reply reply, Failure failure);
};

// The store's operations through KXHTTPBUSINESS (getCarts 155, delCarts 154, getAllBrand 164,
// getBrand 157, getPrice 158, subOrder 159, getUnpaid 160).
class KXStoreHTTPService : public KXStoreService {
protected:
    void send(Operation operation, const std::string& argument, Reply reply, Failure failure) override;
};
