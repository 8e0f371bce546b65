#pragma once

#include "Platform/Foundation/Object.h"

#include <functional>
#include <memory>
#include <string>

class KXStoreService;

// Asks the service for the totals of the order page's choice, keeping only the latest question:
// a reply is applied only when no request was made, and no empty choice shown, after the one it
// answers, so a slow reply never overwrites the totals of a newer choice. Replies with a non-zero
// "errcode" are written to the debug log; they and failures of the latest question reach only its
// `failed` block, so the owner can stop showing totals that belong to an earlier choice.
//
// The owner (the page) keeps the requester; a reply that arrives after the requester is gone is
// dropped. Main thread only.
class KXPriceRequester {
public:
    // Receives the "corvane_data" of an accepted reply.
    using Apply = std::function<void(const foundation::Id& data)>;
    // The latest question got no totals: a refused reply or a failure.
    using Failed = std::function<void()>;
    // Where the refused replies' lines go ("----%@" with the reply); stderr by default.
    using Log = std::function<void(const std::string& line)>;

    // A text of 3 characters or fewer holds no entry ("[]").
    static constexpr std::size_t kEmptyChoiceLength = 3;

    explicit KXPriceRequester(std::shared_ptr<KXStoreService> service = nullptr);
    ~KXPriceRequester();
    KXPriceRequester(const KXPriceRequester&) = delete;
    KXPriceRequester& operator=(const KXPriceRequester&) = delete;

    void setLog(Log log);

    // Asks for the totals of `infoString`; its accepted reply goes to `apply`, a refusal or a
    // failure to `failed`. An empty choice sends nothing, retires the requests in flight and
    // returns false.
    bool request(const std::string& infoString, Apply apply, Failed failed = {});
    // No reply to an earlier request will be applied.
    void retire();
    // A request has been sent whose reply has not come yet and is still wanted.
    bool isWaiting() const;

private:
    struct State;
    std::shared_ptr<KXStoreService> service_;
    std::shared_ptr<State> state_;
};
