#include "Class/Update/KXUPDateCenterVC.h"

#include "Class/Account/KXAccountViews.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/Update/Core/KXUpdateDownload.h"
#include "Lib/LayoutConstraints/LCConstraint.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <algorithm>
#include <cstdio>

using layoutwidgets::lcView;

namespace {

// The bar's filled part: a horizontal gradient laid over the whole track, shown as far as the
// fill reaches, with rounded ends.
class GradientFill final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        const double track = parentWidget() ? parentWidget()->width() : width();
        QLinearGradient gradient(QPointF(0, 0), QPointF(track, 0));
        gradient.setColorAt(0.1, QColor(255, 198, 73));
        gradient.setColorAt(0.2, QColor(255, 87, 0));
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 5, 5);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(shape, gradient);
    }
};

// What the failed state says for each failure.
const char* failureText(KXUpdateDownload::Failure failure)
{
    using Failure = KXUpdateDownload::Failure;
    switch (failure) {
    case Failure::RefusedAddress:
    case Failure::NoPackageInfo:
    case Failure::OversizedOffer:
        return KXUPDateCenterVC::kIncompleteOffer;
    case Failure::NoSpace:
        return KXUPDateCenterVC::kNoSpace;
    case Failure::LargerThanOffer:
        return KXUPDateCenterVC::kLargerThanOffer;
    case Failure::Unverified:
    case Failure::UnsupportedFile:
        return KXUPDateCenterVC::kCheckFailed;
    case Failure::Transfer:
    case Failure::None:
        break;
    }
    return KXUPDateCenterVC::kDownloadFailed;
}

} // namespace

class KXUPDateCenterVC::DownloadDelegate final : public KXUpdateDownloadDelegate {
public:
    explicit DownloadDelegate(KXUPDateCenterVC* page)
        : page_(page)
    {
    }
    void updateDownloadProgressed(float fraction) override
    {
        if (page_)
            page_->showProgress(fraction);
    }
    void updateDownloadChanged() override
    {
        if (page_)
            page_->showState();
    }

private:
    QPointer<KXUPDateCenterVC> page_;
};

KXUPDateCenterVC::KXUPDateCenterVC(QWidget* parent, std::shared_ptr<KXUpdateDownload> download)
    : QWidget(parent)
    , download_(download ? download : KXUpdateDownload::create())
    , downloadDelegate_(std::make_shared<DownloadDelegate>(this))
{
    download_->setDelegate(downloadDelegate_);
    setupUI();
    showState();
    if (download_->state() == KXUpdateDownload::State::Idle && !download)
        setUPDownload();
}

KXUPDateCenterVC::~KXUPDateCenterVC() = default;

QWidget* KXUPDateCenterVC::bottomBg() const
{
    return bottomBg_;
}

QWidget* KXUPDateCenterVC::progressBg() const
{
    return progressBg_;
}

void KXUPDateCenterVC::setupUI()
{
    auto* top = new KXFilledView(this, QColor(247, 247, 247));
    lc_makeConstraints(lcView(top), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    auto* title = kxaccount::makeLabel(this, QStringLiteral("更新 Corvane Fonts"), 16, kxaccount::kText, true);
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(24);
    });
    bottomBg_ = new KXFilledView(this, Qt::white);
    lc_makeConstraints(lcView(bottomBg_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.top().equalTo(64);
    });

    loadingLabel_ = kxaccount::makeLabel(bottomBg_, QStringLiteral("正在下载新版本安装包，请稍候…"), 13, kxaccount::kText);
    percentLabel_ = kxaccount::makeLabel(bottomBg_, QStringLiteral("0%"), 13, kxaccount::kAccent, true);
    progressBg_ = new KXFilledView(bottomBg_, QColor(243, 243, 243), 5);
    progressView_ = new GradientFill(progressBg_);
    sucesslabel_ = kxaccount::makeLabel(bottomBg_, QStringLiteral("新版本安装包已下载并通过校验"), 15, kxaccount::kText, true);
    failureLabel_ = kxaccount::makeLabel(bottomBg_, QString(), 14, QColor(217, 42, 42));
    openBtn_ = new KXFillButton(bottomBg_, QStringLiteral("打开安装包"), kxaccount::kAccent, Qt::white, 3, [this](KXBaseButton*) { openBtnClick(); });
    retryBtn_ = new KXFillButton(bottomBg_, QStringLiteral("重试"), kxaccount::kAccent, Qt::white, 3, [this](KXBaseButton*) { retryBtnClick(); });

    lc_makeConstraints(lcView(loadingLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(36);
    });
    lc_makeConstraints(lcView(percentLabel_), [](LCConstraintMaker& make) {
        make.right().equalTo(-30);
        make.top().equalTo(36);
    });
    // The track spans the page between its margins: 840 points in a window of its designed width.
    lc_makeConstraints(lcView(progressBg_), [](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.right().equalTo(-30);
        make.top().equalTo(68);
        make.height().equalTo(10);
    });
    showFill(0);
    lc_makeConstraints(lcView(sucesslabel_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(44);
    });
    lc_makeConstraints(lcView(failureLabel_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(100);
    });
    for (QWidget* button : {static_cast<QWidget*>(openBtn_), static_cast<QWidget*>(retryBtn_)}) {
        lc_makeConstraints(lcView(button), [](LCConstraintMaker& make) {
            make.centerX().equalTo(0);
            make.top().equalTo(136);
            make.width().equalTo(160);
            make.height().equalTo(36);
        });
    }
}

void KXUPDateCenterVC::setUPDownload()
{
    download_->start();
}

void KXUPDateCenterVC::showProgress(float fraction)
{
    showFill(fraction);
    percentLabel_->setText(QString::fromStdString(KXUpdateDownload::percentText(fraction)));
}

void KXUPDateCenterVC::showFill(float fraction)
{
    fraction_ = std::clamp(fraction, 0.0f, 1.0f);
    // A share of the track, so that the fill follows the track's width when the window is narrower.
    const auto installed = lc_remakeConstraints(lcView(progressView_), [this](LCConstraintMaker& make) {
        make.left().top().bottom().equalTo(0);
        if (fraction_ > 0)
            make.width().equalTo(lc_width(lcView(progressBg_))).multipliedBy(fraction_);
        else
            make.width().equalTo(0);
    });
    progressWidth_ = installed.back();
}

void KXUPDateCenterVC::showState()
{
    using State = KXUpdateDownload::State;
    const State state = download_->state();
    const bool finished = state == State::Finished;
    const bool failed = state == State::Failed;
    for (QWidget* view : {static_cast<QWidget*>(progressBg_), static_cast<QWidget*>(progressView_)})
        view->setVisible(!finished);
    // A failed download is no longer under way: its "downloading" line and percentage would
    // contradict the failure text beneath them.
    for (QWidget* view : {static_cast<QWidget*>(percentLabel_), static_cast<QWidget*>(loadingLabel_)})
        view->setVisible(!finished && !failed);
    sucesslabel_->setVisible(finished);
    openBtn_->setVisible(finished);
    failureLabel_->setVisible(failed);
    retryBtn_->setVisible(failed);
    if (failed)
        failureLabel_->setText(QString::fromUtf8(failureText(download_->failure())));
    if (state == State::Verifying)
        showProgress(1);
}

void KXUPDateCenterVC::openBtnClick()
{
    QPointer<KXUPDateCenterVC> self(this);
    download_->open(
        [self](const std::optional<std::string>& refused) {
            if (!self)
                return;
            // A package that changed since its check is gone: the page shows that failure instead.
            if (self->download_->state() != KXUpdateDownload::State::Finished)
                return;
            if (refused)
                self->openFailed(*refused);
            else
                self->window()->hide();
        },
        [self](const std::string& reason) {
            if (self)
                self->openFailed(reason);
        });
}

void KXUPDateCenterVC::openFailed(const std::string& reason)
{
    // Shown, not only logged; the reason still helps whoever reads the console.
    std::fprintf(stderr, "%s\n", reason.c_str());
    QWidget* shown = window();
    shown->show();
    shown->raise();
    KXOpenFailedAlert::showOver(this, KXOpenFailedAlert::Kind::Package, download_->packagePath().string());
}

void KXUPDateCenterVC::retryBtnClick()
{
    showProgress(0);
    download_->start();
}
