#pragma once

#include "Class/Account/Core/KXCountDown.h"

#include <QPointer>
#include <QString>

#include <QAbstractButton>

// A button that must wait counts down on its own title: while counting the title is the counting
// format filled with the count (at least two digits: "%.2zd", so 60, 09, 01) and the button is
// disabled; when the count is over the button gets the final title back, enabled. A KXBaseButton
// keeps its title's colour and alignment.
//
// The adapter belongs to the button's owner; it holds the button weakly and its count ends with
// it (KXCountDown), and a new start replaces a running count. Main thread only.
class KXButtonCountDown {
public:
    KXButtonCountDown(QAbstractButton* button, QString countingFormat);

    void start(long long seconds, const QString& finalTitle);
    bool isCounting() const { return countDown_.isCounting(); }
    QAbstractButton* button() const { return button_.data(); }

    // The counting format filled with `count`.
    static QString countingTitle(const QString& format, long long count);
    // Sets a button's title, keeping a KXBaseButton's attributes.
    static void setTitle(QAbstractButton* button, const QString& title);

private:
    QPointer<QAbstractButton> button_;
    QString countingFormat_;
    KXCountDown countDown_;
};
