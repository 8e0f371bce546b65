#include "Class/Favourites/Core/KXReplyGate.h"

KXReplyGate& KXReplyGate::folders()
{
    static KXReplyGate gate;
    return gate;
}

KXReplyGate& KXReplyGate::follows()
{
    static KXReplyGate gate;
    return gate;
}

KXReplyGate::Ticket KXReplyGate::issue()
{
    return {++issued_, KXRequestAccount::current()};
}

bool KXReplyGate::sameSession(const Ticket& ticket)
{
    return ticket.account.signedIn() && KXRequestAccount::isCurrent(ticket.account);
}

KXReplyGate::Verdict KXReplyGate::admit(const Ticket& ticket)
{
    if (!sameSession(ticket))
        return Verdict::OtherSession;
    if (ticket.sequence <= supersededAt_)
        return applied_ > supersededAt_ ? Verdict::Newer : Verdict::Superseded;
    if (ticket.sequence <= applied_)
        return Verdict::Newer;
    applied_ = ticket.sequence;
    return Verdict::Admitted;
}

void KXReplyGate::supersede()
{
    supersededAt_ = issued_;
}
