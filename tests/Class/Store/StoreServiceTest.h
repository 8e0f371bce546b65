#pragma once

#include "Class/Store/Core/KXStoreService.h"
#include "Platform/Foundation/Array.h"
#include "Transport/TransportTestSupport.h"

#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace storetest {

// The real store service that also counts every reply that reaches the client, delivered or not.
// The counts live apart from the service: a reply that comes back after its test has ended still
// has them to count into.
class CountingService final : public KXStoreHTTPService {
public:
    int arrived(Operation operation) const;
    // Forgets the replies counted so far.
    void forget() { counts_->arrived.clear(); }
    // Every request sent has had its reply or its failure.
    bool settled() const { return counts_->answered == counts_->sent; }

protected:
    void send(Operation operation, const std::string& argument, Reply reply, Failure failure) override;

private:
    struct Counts {
        std::map<Operation, int> arrived;
        int sent = 0;
        int answered = 0;
    };
    std::shared_ptr<Counts> counts_ = std::make_shared<Counts>();
};

// The store against the local service (one for the whole test program): the user "designer"
// signed in with the first three catalogue fonts in the cart, the counting service installed,
// and a shown host window, 310 wide as the store was drawn, to lay pages on. A test ends with its
// pages gone and every request it sent answered, so that nothing it started reaches the next one.
class StoreServiceTest : public transporttest::TransportTest {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { }

protected:
    void SetUp() override;
    void TearDown() override;
    // Pins the page to the host's edges, shows and lays it out.
    QWidget* lay(QWidget* page);
    std::size_t requests(const char* path) const;

    std::shared_ptr<CountingService> counting = std::make_shared<CountingService>();
    std::shared_ptr<KXStoreService> previous;
    foundation::Ref<foundation::MutableArray> fonts;
    std::vector<int> ids;
    std::unique_ptr<QWidget> host;
};

} // namespace storetest
