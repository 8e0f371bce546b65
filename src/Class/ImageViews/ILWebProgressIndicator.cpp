#include "Class/ImageViews/ILWebProgressIndicator.h"

#include <cmath>

namespace {
constexpr int kRange = 1000; // the bar counts in tenths of a percent
}

ILWebProgressIndicator::ILWebProgressIndicator()
    : bar_(new QProgressBar)
{
    bar_->setTextVisible(false);
    bar_->setRange(0, kRange);
    bar_->setValue(0);
    bar_->resize(160, std::max(6, bar_->sizeHint().height() / 2));
    bar_->hide();
}

ILWebProgressIndicator::~ILWebProgressIndicator()
{
    if (bar_ && !bar_->parent())
        delete bar_.data();
}

void ILWebProgressIndicator::startAnimatingIndicator()
{
    if (!bar_)
        return;
    bar_->show();
    bar_->setRange(0, 0);
    value_ = 0;
}

void ILWebProgressIndicator::stopAnimatingIndicator()
{
    if (!bar_)
        return;
    bar_->hide();
    bar_->setRange(0, kRange);
    value_ = 100;
    bar_->setValue(kRange);
}

void ILWebProgressIndicator::updateIndicatorProgress(double progress)
{
    if (!bar_)
        return;
    value_ = progress * 100;
    if (progress <= 0) {
        bar_->setRange(0, 0);
        return;
    }
    bar_->setRange(0, kRange);
    bar_->setValue(static_cast<int>(std::lround(progress * kRange)));
}

bool ILWebProgressIndicator::isIndeterminate() const
{
    return bar_ && bar_->maximum() == 0;
}

double ILWebProgressIndicator::value() const
{
    return value_;
}
