#pragma once

#include <QLoggingCategory>
#include <QString>

#include <cstring>
#include <vector>

namespace testsupport {

// Collects the lines of the pages' trace ("corvane.pages") while it lives, switched on or left as
// it is by default. One at a time; GUI thread only.
class PageTrace {
public:
    explicit PageTrace(bool switchedOn)
    {
        current() = this;
        previous_ = qInstallMessageHandler(&PageTrace::handle);
        QLoggingCategory::setFilterRules(switchedOn ? QStringLiteral("corvane.pages.debug=true") : QString());
    }
    ~PageTrace()
    {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    PageTrace(const PageTrace&) = delete;
    PageTrace& operator=(const PageTrace&) = delete;

    const std::vector<QString>& lines() const { return lines_; }

private:
    static PageTrace*& current()
    {
        static PageTrace* trace = nullptr;
        return trace;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (current() && context.category && std::strcmp(context.category, "corvane.pages") == 0)
            current()->lines_.push_back(message);
        else if (current() && current()->previous_)
            current()->previous_(type, context, message);
    }

    std::vector<QString> lines_;
    QtMessageHandler previous_ = nullptr;
};

} // namespace testsupport
