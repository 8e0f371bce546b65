// The extend menu at the foot of the left menu (guide, help, feedback, settings) and the
// questionnaire button.
#include "Class/Account/KXPersonalFeedBack.h"
#include "Class/AppShell/AppDelegate.h"
#include "Class/AppShell/KXHomeAlertView.h"
#include "Class/AppShell/KXRoundedBox.h"
#include "Class/Home/KXEventMonitor.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXNewHomeUserGuideView.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QRegion>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

constexpr const char* kClosingProperty = "kxClosing";

// The service's help page when the start-up data named none: "HelpURL" of the distribution
// config.
std::string fixedHelpAddress()
{
    auto data = foundation::Data::dataWithContentsOfFile(foundation::Paths::resourceDirectory() / "config.plist");
    if (!data)
        return {};
    return foundation::PropertyListSerialization::propertyListWithData(data, 0)["HelpURL"].stringValue();
}

// The menu's container: it lies over the window below its top 50 points and swallows the
// pointer there (nothing beneath reacts while the menu is open), except over the extend button,
// whose second click closes the menu.
class ExtendContainer final : public QWidget {
public:
    ExtendContainer(QWidget* parent, QWidget* passThrough)
        : QWidget(parent)
        , passThrough_(passThrough)
    {
        setAttribute(Qt::WA_NoMousePropagation);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        QRegion region(rect());
        if (passThrough_)
            region -= QRect(passThrough_->mapTo(parentWidget(), QPoint(0, 0)) - pos(), passThrough_->size());
        setMask(region);
    }

private:
    QPointer<QWidget> passThrough_;
};

} // namespace

std::vector<KXBaseButton*> KXHomeViewController::extendEntries() const
{
    std::vector<KXBaseButton*> entries;
    if (!extendContentView_)
        return entries;
    for (QObject* child : extendContentView_->children()) {
        if (auto* button = dynamic_cast<KXBaseButton*>(child))
            entries.push_back(button);
    }
    return entries;
}

void KXHomeViewController::extendButtonClick()
{
    if (extendView_ && kx_topSubview(this) == extendView_) {
        kx_removeFromSuperview(extendView_);
        return;
    }
    auto* container = new ExtendContainer(this, extendBtn_);
    auto* panel = new KXRoundedBox(container, Qt::white, 2);
    auto* shadow = new QGraphicsDropShadowEffect(panel);
    shadow->setColor(Qt::lightGray);
    shadow->setOffset(0, 0);
    shadow->setBlurRadius(2);
    panel->setGraphicsEffect(shadow);
    const std::pair<const char*, void (KXHomeViewController::*)()> entries[] = {
        {"新手指引", &KXHomeViewController::newUserBtnClick},
        {"帮助", &KXHomeViewController::helpBtnClick},
        {"反馈", &KXHomeViewController::feedBackBtnClick},
        {"设置", &KXHomeViewController::settingBtnClick},
    };
    std::vector<KXBaseButton*> buttons;
    for (const auto& entry : entries) {
        const auto action = entry.second;
        auto* button = KXBaseButton::buttonWithTitle(QString::fromUtf8(entry.first), [this, action](KXBaseButton*) { (this->*action)(); }, panel);
        button->setNormalColor(QColor(102, 102, 102));
        button->setKXBaseButtonAlignment(2);
        buttons.push_back(button);
    }
    extendView_ = container;
    extendContentView_ = panel;
    container->show();
    container->raise();

    lc_makeConstraints(lcView(container), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.top().equalTo(50);
    });
    QWidget* menu = leftMenu_;
    lc_makeConstraints(lcView(panel), [menu](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(menu)));
        make.width().equalTo(80);
        make.bottom().equalTo(0).offset(-16);
        make.height().equalTo(120);
    });
    lc_makeConstraints(lcView(buttons[0]), [](LCConstraintMaker& make) {
        make.top().left().right().equalTo(0);
        make.height().equalTo(39);
    });
    for (std::size_t i = 1; i + 1 < buttons.size(); ++i) {
        QWidget* above = buttons[i - 1];
        lc_makeConstraints(lcView(buttons[i]), [above](LCConstraintMaker& make) {
            make.left().right().equalTo(0);
            make.top().equalTo(lc_bottom(lcView(above))).offset(-12);
            make.height().equalTo(39);
        });
    }
    lc_makeConstraints(lcView(buttons.back()), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(39);
    });

    // Closes this menu, and never a later one, half a second after an event outside it and the
    // extend button.
    QPointer<QWidget> watched(container);
    QPointer<QWidget> watchedPanel(panel);
    QPointer<KXHomeViewController> hub(this);
    new KXEventMonitor(container, KXEventMonitor::kMenuMask, [hub, watched, watchedPanel](const QPointF& position) {
        if (!hub || !watched || watched->property(kClosingProperty).toBool())
            return;
        const QPoint point = hub->mapFromGlobal(position).toPoint();
        if (hub->frameInView(watchedPanel).contains(point) || hub->frameInView(hub->extendBtn_).contains(point))
            return;
        watched->setProperty(kClosingProperty, true);
        dispatch::mainQueue().after(kMenuCloseDelay, [watched] {
            if (watched && watched->parentWidget())
                kx_removeFromSuperview(watched);
        });
    });
}

void KXHomeViewController::newUserBtnClick()
{
    addOverlay(new KXNewHomeUserGuideView());
    kx_removeFromSuperview(extendView_);
}

void KXHomeViewController::helpBtnClick()
{
    std::string address = Id(foundation::UserDefaults::standardUserDefaults().stringForKey("help_url")).stringValue();
    if (address.empty())
        address = fixedHelpAddress();
    KXOpenFailedAlert::openURL(this, address);
    kx_removeFromSuperview(extendView_);
}

void KXHomeViewController::feedBackBtnClick()
{
    if (qobject_cast<KXPersonalFeedBack*>(kx_topSubview(this)))
        return;
    addOverlay(new KXPersonalFeedBack());
    kx_removeFromSuperview(extendView_);
}

void KXHomeViewController::settingBtnClick()
{
    kx_removeFromSuperview(extendView_);
    AppDelegate::sharedAppDelegate().appSettingClick(this);
}

KXAppSettingWindowController* KXHomeViewController::settingWC() const
{
    return AppDelegate::sharedAppDelegate().settingWindow();
}

void KXHomeViewController::alertBtnClick()
{
    addOverlay(new KXHomeAlertView());
}

void KXHomeViewController::extendViewClicks()
{
    dispatch::mainQueue().after(kExtendViewClicksDelay, dispatch::guardedQt(this, [](KXHomeViewController& self) {
        if (self.extendView_ && self.extendView_->parentWidget())
            kx_removeFromSuperview(self.extendView_);
    }));
}
