#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

// What the client takes from the "corvane:" links it is started with, or that a later start hands
// over, and from the activation permits that come with them. Whoever can run a program as the user
// can send anything: what is taken is bounded before it reaches the environment or an alert, and
// what is refused is logged. Widget-free; main thread only, except for the log.
class KXIncomingLinks {
public:
    // The desktop hands over one link per start, at most 128 KiB per argument: a longer one is
    // none of its.
    static constexpr qsizetype kMaxLinkLength = 128 * 1024;
    // An activation token or a startup id is a few dozen characters.
    static constexpr qsizetype kMaxPermitLength = 1024;
    // Alerts opened for one message; its further links are logged.
    static constexpr int kMaxAlertsPerMessage = 3;
    // A link longer than this is shown with its middle left out.
    static constexpr qsizetype kMaxShownLength = 2000;

    static bool isLink(const QString& argument);
    // The "corvane:" arguments, in order: all a later start hands over.
    static QStringList linksOf(const QStringList& arguments);

    // The links of one message that an alert is opened for: the first kMaxAlertsPerMessage of its
    // "corvane:" arguments no longer than kMaxLinkLength. Longer ones and those past the count
    // are logged.
    static QStringList linksToShow(const QStringList& arguments);
    // Whether a link may be shown at all; a longer one is logged.
    static bool acceptsLink(const QString& link);
    // Whether an activation token or startup id (`what` names it in the log) may be used.
    static bool acceptsPermit(const QString& value, const char* what);

    // The link as an alert shows it: up to `maxLength` characters as it is; past that, its
    // beginning and end with "…" between them, `maxLength` characters in all, and with invisible
    // breaks (zero-width spaces) so that it wraps.
    static QString shownText(const QString& link, qsizetype maxLength = kMaxShownLength);

    using LogSink = std::function<void(const std::string& line)>;
    // Installs a sink for the log lines (empty: stderr) and answers the one it replaces.
    static LogSink setLogSink(LogSink sink);
    static void log(const std::string& line);
};
