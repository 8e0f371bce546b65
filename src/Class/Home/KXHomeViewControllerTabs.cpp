// Tab switching: the one road by which the main window changes what it shows.
#include "Class/Account/KXLoginWindowController.h"
#include "Class/Favourites/KXFontManagerView.h"
#include "Class/Favourites/KXHomeRecommendView.h"
#include "Class/Favourites/KXMyfocusSetView.h"
#include "Class/FontList/Core/KXRecentUsedStore.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/Home/KXTopSubview.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/Update/KXUPDateAPPView.h"
#include "Class/Theme/ToastPresenter.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"


using foundation::Id;
using foundation::Ref;

namespace {

bool isSignedIn()
{
    return KXUserCenterConfig::sharedKXUserCenterConfig().islogin();
}

void reloadSelectedRow(KXHomeGroupTableView* table)
{
    if (table)
        table->reloadRow(table->selectedRow());
}

bool showsUpdatePrompt(const QWidget* view)
{
    for (QWidget* subview : kx_subviews(view))
        if (qobject_cast<KXUPDateAPPView*>(subview))
            return true;
    return false;
}

} // namespace

bool KXHomeViewController::closeOverlays()
{
    // The left menu and the list stay; everything above them goes, down to a new-version prompt,
    // which keeps the window where it is.
    if (kx_subviews(this).size() < 3)
        return true;
    while (kx_subviews(this).size() > 2) {
        QWidget* top = kx_topSubview(this);
        if (qobject_cast<KXUPDateAPPView*>(top))
            return false;
        kx_removeFromSuperview(top);
    }
    return true;
}

void KXHomeViewController::tabViewTouched(KXLeftTabView* tab)
{
    const QString identifier = tab ? tab->identifier() : QString();
    // The store is a web page: the window keeps its pages, its list and its selected tab.
    if (identifier == QStringLiteral("字体商城")) {
        if (!showsUpdatePrompt(this))
            openStorePage();
        return;
    }
    if (!closeOverlays())
        return;
    // The cart page went with the other overlays: its button is no longer the one selected.
    if (shoppingCartBtn_)
        shoppingCartBtn_->setState(0);
    if (identifier.contains(QStringLiteral("推荐"))) {
        if (rightListview_)
            rightListview_->setTabTypeNum(0);
        addPage(new KXHomeRecommendView(QRect(0, 0, 310, 680)));
    } else if (identifier == QStringLiteral("云字库")) {
        if (rightListview_)
            rightListview_->setTabTypeNum(1);
    } else if (identifier == QStringLiteral("本地字库")) {
        // The rows of the last read at once, none before the first one has ended; a read in the
        // background brings what changed since.
        auto rows = localFontRows_.rows();
        if (rightListview_) {
            rightListview_->setTabTypeNum(2);
            rightListview_->setDataArray(rows ? std::move(rows) : foundation::MutableArray::create());
        }
        KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("本地字库"));
        readLocalFonts();
    } else if (identifier == QStringLiteral("最近常用")) {
        if (!isSignedIn()) {
            loginClick();
            tabViewTouched(cloudBtn_);
            return;
        }
        if (rightListview_)
            rightListview_->setTabTypeNum(3);
        showRecentlyUsed();
    } else if (identifier == QString::fromUtf8(KXLeftTabView::kFavouritesTitle)) {
        if (!isSignedIn()) {
            loginClick();
            return;
        }
        auto* page = new KXFontManagerView();
        page->setFrom(QString::fromUtf8(KXLeftTabView::kFavouritesTitle));
        page->setGroupDataA(groupArray());
        addPage(page);
    } else if (identifier == QString::fromUtf8(KXLeftTabView::kFollowedTitle)) {
        if (!isSignedIn()) {
            loginClick();
            return;
        }
        if (rightListview_)
            rightListview_->setTabTypeNum(4);
        auto* page = new KXMyfocusSetView(QRect(0, 0, 310, 680));
        page->setFrom(QString::fromUtf8(KXLeftTabView::kFollowedTitle));
        addPage(page);
    }

    if (selectedTabView_ && selectedTabView_ != tab)
        selectedTabView_->setSelected(false);
    if (tab) {
        selectedTabView_ = tab;
        tab->setSelected(true);
    }

    long long& rowMemory = sideTableRowMemory();
    if (rowMemory < 0)
        return;
    rowMemory = 0;
    reloadSelectedRow(followTableview_);
    reloadSelectedRow(collectionTableview_);
}

void KXHomeViewController::readLocalFonts()
{
    auto shown = dispatch::guardedOnMain(this, [](KXHomeViewController& self) { self.showLocalFontRows(); });
    KXHomeLocalManager().readLocalFontsInBackground(
        [make = localFontRows_.maker(), shown = std::move(shown)](const Ref<foundation::Array>& records) {
            make(records);
            shown();
        });
}

void KXHomeViewController::showLocalFontRows()
{
    // The user has moved on to another tab: the rows wait for the next click.
    if (selectedTabView_ != localBtn_ || !rightListview_ || rightListview_->tabTypeNum() != KXHomeListView::ModeLocal)
        return;
    auto rows = localFontRows_.rows();
    if (rows && rows != rightListview_->dataArray())
        rightListview_->setDataArray(std::move(rows));
}

void KXHomeViewController::showRecentlyUsed()
{
    KXHTTPBUSINESS().getRecentUserDataSuceess(
        dispatch::guardedQt(this, [](KXHomeViewController& self, const Id& reply) {
            if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                return;
            // The user has moved on to another tab: the late list must not replace what is shown.
            if (self.selectedTabView_ != self.recentBtn_)
                return;
            const Id data = reply["corvane_data"];
            if (self.rightListview_) {
                self.rightListview_->setTabTypeNum(3);
                self.rightListview_->setDataArray(KXFilterData().recentDataWithIDs(data["active"].stringValue()));
            }
            KXRecentUsedStore::replaceWithServiceList(data);
        }),
        [](const Ref<foundation::Error>&) { });
}

void KXHomeViewController::openStorePage()
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    const std::string address = Id(defaults.stringForKey(KXAccountState::signedIn() ? "my_shop_url" : "shop_url")).stringValue();
    if (address.empty())
        return;
    // The desktop takes a moment to start the browser, or to fail: the click is answered at once.
    const auto toasts = ToastPresenter::shared();
    const bool announced = toasts && desktop::URLOpener::acceptedWebAddress(address);
    if (announced)
        toasts->show(kOpeningStoreMessage, ToastStyle::Info, ToastWindow{window()});
    if (!KXOpenFailedAlert::openURL(this, address) && announced)
        toasts->dismiss(); // the alert says why instead
}

void KXHomeViewController::backToCloudBtn()
{
    tabViewTouched(cloudBtn_);
}

void KXHomeViewController::loginClick()
{
    if (loginWindow_ && loginWindow_->window()->isVisible()) {
        loginWindow_->showCentred();
        return;
    }
    loginWindow_ = std::make_unique<KXLoginWindowController>(QStringLiteral("KXLoginWindowController"), window());
    loginWindow_->showCentred();
}
