#include "Class/Account/KXButtonCountDown.h"

#include "Class/UIKit/KXBaseButton.h"
#include "Platform/Foundation/Format.h"

KXButtonCountDown::KXButtonCountDown(QAbstractButton* button, QString countingFormat)
    : button_(button)
    , countingFormat_(std::move(countingFormat))
{
}

QString KXButtonCountDown::countingTitle(const QString& format, long long count)
{
    return QString::fromStdString(foundation::format(format.toStdString(), count));
}

void KXButtonCountDown::setTitle(QAbstractButton* button, const QString& title)
{
    if (auto* kit = dynamic_cast<KXBaseButton*>(button)) {
        KXAttributedTitle attributed = kit->attributedTitle();
        attributed.text = title;
        kit->setAttributedTitle(attributed);
        return;
    }
    button->setText(title);
}

void KXButtonCountDown::start(long long seconds, const QString& finalTitle)
{
    // The first tick comes through the count's queue; the button waits from this moment on.
    if (button_ && seconds >= 1) {
        setTitle(button_, countingTitle(countingFormat_, seconds));
        button_->setEnabled(false);
    }
    countDown_.start(
        seconds,
        [this](long long count) {
            if (!button_)
                return;
            setTitle(button_, countingTitle(countingFormat_, count));
            button_->setEnabled(false);
        },
        [this, finalTitle] {
            if (!button_)
                return;
            setTitle(button_, finalTitle);
            button_->setEnabled(true);
        });
}
