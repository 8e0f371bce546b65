#include "Class/Home/Core/KXSignInGate.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;

namespace {

KXHomeProcessState& processState()
{
    return KXHomeProcessState::shared();
}

// The one way a wait ends: no acceptance of it is confirmed any more, with `leaveNothing` whatever
// the account left (its token and mark, name, record, folders, follows, addresses) goes as at a
// sign-out (nobody is told of a sign-out, since nobody was signed in), and whatever asks is told.
void endWait(bool leaveNothing)
{
    auto& state = processState();
    const bool waited = !state.pendingSignIn.isNil();
    state.pendingSignIn = Id();
    state.confirmingAgreement = 0;
    if (leaveNothing)
        KXUserCenterConfig::sharedKXUserCenterConfig().removeUserInfo();
    if (waited)
        dispatch::NotificationCenter::defaultCenter().post(KXSignInGate::kWaitEndedNotification);
}

void clearSession()
{
    endWait(true);
}

// The waiting user, now known to have agreed.
Id agreedUser(const Id& waiting)
{
    auto user = waiting.dictionary() ? foundation::MutableDictionary::dictionaryWithDictionary(*waiting.dictionary())
                                     : foundation::MutableDictionary::create();
    user->setObject(Id(1), Id("is_agree"));
    return Id(user);
}

void announceSignedIn(const Id& user)
{
    dispatch::NotificationCenter::defaultCenter().post(KXAccountState::kSignedInNotification, Id(),
                                                       foundation::Dictionary::create({{Id("user"), user}}));
}

// The outcome of the confirmation numbered `confirmation`, if it is still the one that counts.
// Every end of the wait it was asked for (endWait) and every new wait (receive) put the number
// out of date, so a late reply neither signs in a user whose wait ended nor the one waiting now.
void settle(unsigned long long confirmation, bool agreed, const KXSignInGate::Answered& answered)
{
    auto& state = processState();
    if (state.confirmingAgreement != confirmation)
        return;
    state.confirmingAgreement = 0;
    if (!agreed) {
        answered(KXSignInGate::Outcome::StillWaiting, state.pendingSignIn);
        return;
    }
    const Id user = agreedUser(state.pendingSignIn);
    endWait(false);
    KXAccountState::accept();
    announceSignedIn(user);
    answered(KXSignInGate::Outcome::SignedIn, user);
}

unsigned long long nextConfirmation()
{
    static unsigned long long last = 0;
    return ++last;
}

} // namespace

KXSignInGate::Step KXSignInGate::receive(const Id& user)
{
    const bool agreed = user["is_agree"].integerValue() != 0;
    processState().confirmingAgreement = 0;
    if (agreed) {
        // A user who had to answer before is no longer the one signing in.
        endWait(false);
        KXAccountState::store(user["token"], true);
        announceSignedIn(user);
        return Step::SignIn;
    }
    // Nothing of an account signed in before stays beside a user who is nobody's account yet.
    if (KXAccountState::state() == KXAccountState::State::SignedIn)
        clearSession();
    KXAccountState::store(user["token"], false);
    processState().pendingSignIn = user;
    return Step::AwaitAgreement;
}

void KXSignInGate::answer(const Id& isAgree, Answered answered)
{
    auto& state = processState();
    if (state.pendingSignIn.isNil() || state.confirmingAgreement != 0) {
        answered(Outcome::NobodyWaits, Id());
        return;
    }
    if (isAgree.integerValue() == 0) {
        clearSession();
        answered(Outcome::Refused, Id());
        return;
    }
    const unsigned long long confirmation = nextConfirmation();
    state.confirmingAgreement = confirmation;
    KXHTTPBUSINESS().agreementProtocolSuceess(
        [confirmation, answered](const Id& reply) {
            settle(confirmation, reply.dictionary() && reply["errcode"].integerValue() == 0, answered);
        },
        [confirmation, answered](const foundation::Ref<foundation::Error>& error) {
            if (!KXAccountWrites::outcomeUnknown(error))
                return; // the waiting sign-in has ended
            // The agreement may have reached the service: its read (already on its way) says.
            KXAccountWrites::readBack("118", [confirmation, answered](const KXAccountWrites::Result& result) {
                settle(confirmation, result.ok && result.reply["corvane_data"]["is_agree"].integerValue() != 0, answered);
            });
        });
}

bool KXSignInGate::isWaiting()
{
    return !processState().pendingSignIn.isNil();
}

bool KXSignInGate::isConfirming()
{
    return processState().confirmingAgreement != 0;
}

void KXSignInGate::abandon()
{
    if (!isWaiting())
        return;
    clearSession();
}

bool KXSignInGate::discardUnanswered()
{
    if (isWaiting() || KXAccountState::state() != KXAccountState::State::AwaitingAgreement)
        return false;
    clearSession();
    return true;
}
