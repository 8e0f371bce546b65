#include "Class/AppShell/KXIncomingLinks.h"

#include "Platform/Foundation/LogChannel.h"

#include <algorithm>

namespace {

foundation::LogChannel& incomingLinksLog()
{
    static foundation::LogChannel channel;
    return channel;
}

// A cut that would split a surrogate pair moves back by one.
qsizetype headEnd(const QString& text, qsizetype end)
{
    return end > 0 && text.at(end - 1).isHighSurrogate() ? end - 1 : end;
}
qsizetype tailStart(const QString& text, qsizetype start)
{
    return start < text.size() && text.at(start).isLowSurrogate() ? start + 1 : start;
}

} // namespace

bool KXIncomingLinks::isLink(const QString& argument)
{
    return argument.startsWith(QLatin1String("corvane:"), Qt::CaseInsensitive);
}

QStringList KXIncomingLinks::linksOf(const QStringList& arguments)
{
    QStringList links;
    for (const QString& argument : arguments) {
        if (isLink(argument))
            links.append(argument);
    }
    return links;
}

QStringList KXIncomingLinks::linksToShow(const QStringList& arguments)
{
    QStringList shown;
    qsizetype skipped = 0;
    for (const QString& link : linksOf(arguments)) {
        if (!acceptsLink(link))
            continue;
        if (shown.size() < kMaxAlertsPerMessage)
            shown.append(link);
        else
            ++skipped;
    }
    if (skipped > 0)
        log("links not shown: " + std::to_string(skipped) + " more in one message, past the first "
            + std::to_string(kMaxAlertsPerMessage));
    return shown;
}

bool KXIncomingLinks::acceptsLink(const QString& link)
{
    if (link.size() <= kMaxLinkLength)
        return true;
    log("link refused: " + std::to_string(link.size()) + " characters, more than " + std::to_string(kMaxLinkLength));
    return false;
}

bool KXIncomingLinks::acceptsPermit(const QString& value, const char* what)
{
    if (value.size() <= kMaxPermitLength)
        return true;
    log(std::string(what) + " refused: " + std::to_string(value.size()) + " characters, more than "
        + std::to_string(kMaxPermitLength));
    return false;
}

QString KXIncomingLinks::shownText(const QString& link, qsizetype maxLength)
{
    if (link.size() <= maxLength)
        return link;
    const qsizetype kept = std::max<qsizetype>(maxLength, 2) - 1; // the ellipsis takes one
    const qsizetype head = headEnd(link, (kept + 1) / 2);
    const qsizetype tail = tailStart(link, link.size() - kept / 2);
    const QString elided = link.left(head) + QChar(0x2026) + link.mid(tail);
    // A link is one long word, which a label neither wraps nor shows past its edge: an invisible
    // break every so often lets the alert wrap it.
    constexpr qsizetype kBreakEvery = 48;
    QString shown;
    shown.reserve(elided.size() + elided.size() / kBreakEvery + 1);
    for (qsizetype start = 0; start < elided.size(); start = tailStart(elided, start + kBreakEvery)) {
        if (start > 0)
            shown += QChar(0x200b);
        shown += elided.mid(start, tailStart(elided, start + kBreakEvery) - start);
    }
    return shown;
}

KXIncomingLinks::LogSink KXIncomingLinks::setLogSink(LogSink sink)
{
    return incomingLinksLog().setSink(std::move(sink));
}

void KXIncomingLinks::log(const std::string& line)
{
    incomingLinksLog().line(line);
}
