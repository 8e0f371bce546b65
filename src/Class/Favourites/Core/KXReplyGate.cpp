#include "Class/Favourites/Core/KXReplyGate.h"

#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

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

std::string KXReplyGate::currentToken()
{
    const auto token = foundation::UserDefaults::standardUserDefaults().objectForKey("token");
    return token.isNil() ? std::string() : token.stringValue();
}

KXReplyGate::Ticket KXReplyGate::issue()
{
    return {++issued_, currentToken()};
}

bool KXReplyGate::sameSession(const Ticket& ticket)
{
    return !ticket.token.empty() && ticket.token == currentToken();
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
