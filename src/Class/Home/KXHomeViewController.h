#pragma once

#include "Class/Home/Core/KXSideTableAccordion.h"
#include "Class/Home/KXLeftTabView.h"
#include "Class/Home/KXLocalFontRows.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class ImageView;
class KXAppSettingWindowController;
class KXBaseButton;
class KXBaseTextField;
class KXDeleteGroupView;
class KXFontManagerDetailView;
class KXGroupExtendView;
class KXHTTPBUSINESS;
class KXHomeGroupCell;
class KXHomeGroupModel;
class KXHomeGroupTableView;
class KXHomeHubDelegates;
class KXHomeListView;
class KXHomeRecomDetailView;
class KXHoverTracker;
class KXLoginWindowController;
class KXOrderReminder;
class KXRegisterAgreementWC;
class KXReplyShape;
class KXUPDateCenterWC;
class QLabel;
class QMenu;
class QScrollBar;
class QVariantAnimation;
class QWheelEvent;
namespace dispatch {
class NotificationCenter;
struct Notification;
} // namespace dispatch

// The hub of the main window: the left menu (account area, seven tabs, the two side tables, the
// questionnaire, cart and extend buttons) and, to its right, the font list; every other page opens
// as an overlay on this view, so the top overlay is the topmost subview. The left menu and the
// list are the first two subviews and stay.
//
// Construction follows the platform's controller: viewDidLoad at construction, viewWillAppear at
// each non-spontaneous show, viewDidAppear on the next turn of the main queue. tabViewTouched()
// is the one road by which the window changes what it shows. The behaviour is spread over one
// source file per concern: construction, tab switching, side tables and the group pop-ups' actions,
// context menus, hover pop-ups and the menu's collapse, the extend menu, the account area, the
// cart and the order reminder, and the notification handlers. Their state machines live in
// HomeCore (KXHoverTracker, KXOrderReminder, KXSideTableAccordion, KXSignInGate) and the values
// kept for the whole process in KXHomeProcessState.
//
// Replies and delayed blocks hold the hub weakly. Main thread only.
class KXHomeViewController : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMenuWidth = 90;
    static constexpr int kCollapsedMenuWidth = 50;
    // The window grows or shrinks by this much when the menu expands or collapses.
    static constexpr int kCollapseShift = 60;
    static constexpr int kPageWidth = 310;
    static constexpr double kPopUpCloseDelay = 0.8;
    static constexpr double kMenuCloseDelay = 0.5;
    static constexpr double kExtendViewClicksDelay = 1.0;
    static constexpr double kDeletedFolderDelay = 0.5;
    static constexpr double kOrderHandOverDelay = 5.0;
    // From the window's making to the first read of the installed fonts, in the background.
    static constexpr double kLocalFontsFirstReadDelay = 0.5;
    static constexpr const char* kDefaultFolderToast = "默认分组不支持修改";
    // Shown at the store tab's click, while the desktop starts the browser.
    static constexpr const char* kOpeningStoreMessage = "正在打开字体商城…";
    // The group pop-up's origins: the favourite folders and the followed collections.
    static constexpr const char* kFoldersOrigin = "fontManage";
    static constexpr const char* kFollowedOrigin = "myfocus";

    explicit KXHomeViewController(QWidget* parent = nullptr);
    ~KXHomeViewController() override;

    // The menu's collapse, the flying dot and the folding of nothing else are animated; tests
    // switch animations off and see every end state at once.
    static void setAnimationsEnabled(bool enabled);
    static bool animationsEnabled();

    // Left menu.
    QWidget* leftMenu() const { return leftMenu_; }
    // The part of the menu above its bottom buttons (account area, tabs and side tables): it
    // scrolls its content when the window is too short for it.
    QWidget* menuColumn() const { return menuColumn_; }
    QWidget* menuColumnContent() const { return menuColumnContent_; }
    QScrollBar* menuColumnBar() const { return menuColumnBar_; }
    QLabel* leftMenuBgImg() const { return leftMenuBgImg_; }
    KXBaseButton* stretchBtn() const { return stretchBtn_; }
    // The menu's collapse or expansion under way, or nullptr.
    QVariantAnimation* menuAnimation() const;
    ImageView* avatarImg() const { return avatarImg_; }
    KXBaseTextField* nickNameLabel() const { return nickNameLabel_; }
    QLabel* orderNumLabel() const { return orderNumLabel_; }
    QWidget* leftMenuLine() const { return leftMenuLine_; }
    QWidget* leftMenuLine2() const { return leftMenuLine2_; }
    KXLeftTabView* recommendBtn() const { return recommendBtn_; }
    KXLeftTabView* cloudBtn() const { return cloudBtn_; }
    KXLeftTabView* fontStoreBtn() const { return fontStoreBtn_; }
    KXLeftTabView* localBtn() const { return localBtn_; }
    KXLeftTabView* recentBtn() const { return recentBtn_; }
    KXLeftTabView* fontManagerBtn() const { return fontManagerBtn_; }
    KXLeftTabView* myFocusBtn() const { return myFocusBtn_; }
    std::vector<KXLeftTabView*> tabs() const;
    KXBaseButton* alertBtn() const { return alertBtn_; }
    KXBaseButton* shoppingCartBtn() const { return shoppingCartBtn_; }
    KXBaseButton* extendBtn() const { return extendBtn_; }
    KXBaseButton* newgroupBtn() const { return newgroupBtn_; }
    QWidget* collectionScrollView() const { return collectionScrollView_; }
    KXBaseButton* collectionToggle() const { return collectionToggle_; }
    KXBaseButton* followToggle() const { return followToggle_; }
    QWidget* followScrollView() const { return followScrollView_; }
    KXHomeGroupTableView* collectionTableview() const { return collectionTableview_; }
    KXHomeGroupTableView* followTableview() const { return followTableview_; }
    QMenu* collectionMenu() const { return collectionMenu_; }
    QMenu* followMenu() const { return followMenu_; }
    const KXSideTableAccordion& accordion() const { return accordion_; }
    // Created on first use.
    QLabel* buyCartNumLabel();
    QLabel* vipMarkIMG();

    // The font list.
    KXHomeListView* rightListview() const { return rightListview_; }

    foundation::Ref<foundation::MutableArray> groupArray();
    foundation::Ref<foundation::MutableArray> followArray();
    foundation::Ref<foundation::MutableArray> filterData();
    dispatch::NotificationCenter& notiCenter() const { return *notiCenter_; }
    std::shared_ptr<KXHTTPBUSINESS> bussinessR();

    KXLeftTabView* selectedTabView() const { return selectedTabView_; }
    KXLoginWindowController* loginWindow() const { return loginWindow_.get(); }
    KXRegisterAgreementWC* greeWc() const { return greeWc_.get(); }
    KXUPDateCenterWC* updateAppWindow() const { return updateAppWindow_.get(); }
    // The client's one settings window, kept by the application delegate for the menu bar too.
    KXAppSettingWindowController* settingWC() const;
    KXFontManagerDetailView* detailView() const;
    KXHomeRecomDetailView* myfocusDetailView() const;
    KXHomeRecomDetailView* recomDetailView() const;
    KXGroupExtendView* groupExtendView() const;
    QWidget* extendView() const { return extendView_; }
    QWidget* extendContentView() const { return extendContentView_; }
    // The extend menu's entries, top to bottom, while it is open.
    std::vector<KXBaseButton*> extendEntries() const;
    QWidget* roView() const { return roView_; }
    QPointF currentEventPoint() const { return currentEventPoint_; }
    void setCurrentEventPoint(QPointF point) { currentEventPoint_ = point; }

    // The filter tags as the list takes them: the "ENG" groups, then the "ZH" groups, each group a
    // one-entry dictionary {classname: KXFilterTagList}; a group whose "data" is not a list is left out.
    static foundation::Ref<foundation::MutableArray> filterGroups(const foundation::Id& tags);
    // What of the tag reply the "filterData" archive keeps: what filterGroups reads.
    static const KXReplyShape& filterTagsShape();

    // The side-table row memory the side tables share with tab switching (the process-wide
    // KXHomeProcessState value); -2 until a row is clicked.
    static long long& sideTableRowMemory();

    // Tab switching: closes the overlays down to a new-version prompt, which holds the window, and
    // shows the tab's list or page. The store tab only opens the store's address (not while the
    // prompt is up): the pages, the list and the selected tab stay.
    void tabViewTouched(KXLeftTabView* tab);
    void backToCloudBtn();
    void loginClick();

    // Side tables and the group pop-ups' actions.
    void tableViewCellClick(KXHomeGroupTableView* table);
    void KXGroupExtendBtnClik(const foundation::Id& row, bool fristBtnClick);
    void KXGroupExtendCellClik(const foundation::Id& row, const QString& from);
    void KXGroupExtendBottomBtnClikFrom(const QString& from);
    void colletExpand();
    void focusExpandAction();
    void newgroupClick();

    // Context menus of the side tables and small actions.
    void deleteGroupAction();
    void renameGroupAction();
    void canceFollowAction();
    void detailFollowAction();
    void vipIMGClick();
    void testAppFrom();

    // Hover pop-ups and the menu's collapse.
    void KXLeftTabViewMouseEntered(const QString& identifier);
    void KXLeftTabViewMouseExited(const QString& identifier);
    void MouseOnMyCollection();
    void MouseOnMyFocus();
    // What the two show once their rows arrive: a new pop-up of `from` ("fontManage" or
    // "myfocus") beside `anchor`, replacing the kept one, with its closing monitor.
    void showGroupExtendView(const char* from, KXLeftTabView* anchor, const foundation::Ref<foundation::Array>& rows);
    void changewidthClick();
    bool isMenuCollapsed() const { return menuWidth_ == kCollapsedMenuWidth; }

    // Extend menu and questionnaire.
    void extendButtonClick();
    void newUserBtnClick();
    void helpBtnClick();
    void feedBackBtnClick();
    void settingBtnClick();
    void alertBtnClick();
    void extendViewClicks();

    // Sign-in, sign-out and the account area.
    void receiveNotification(const dispatch::Notification& notification);
    void loginUpDateWithUserInfo(const foundation::Id& user);
    // Opens the agreement window for the sign-in the gate holds (or raises the one on show).
    void askAgreement();
    // The answer of the window askAgreement opened (and of no other agreement window).
    void agreeAgreementA(bool agreed);
    // The question's wait has ended, whatever ended it (KXSignInGate::kWaitEndedNotification).
    void closeAgreement();
    void loginBusiness(const foundation::Id& user);
    void logoutBussiness();
    // The account area, badges and side tables as a client that never signed in shows them.
    void showNobodySignedIn();
    // Nobody is signed in, and nobody signed out: a waiting sign-in ended, or one that now waits
    // took the place of the account signed in. The pages laid over the list close, and nothing of
    // the account shows.
    void waitingSignInEnded();
    void avatarClick();
    void buttonClick();

    // Cart badge, adding to the cart and the order reminder.
    void upDateBuyCartState();
    void shoppingCartBtnClick();
    void cellBuyCartsClick(const dispatch::Notification& notification);
    void buyCartsGoToOrder(const dispatch::Notification& notification);
    // An order the store found made while its reply was lost: the reminder starts, the store stays.
    void buyCartsCheckOrder();
    void tempCheckOrder();
    void checkMyOrderState();
    void askMyOrderState();

    // Notification handlers.
    void upDateAppNoti();
    void addNewGroup();
    void addNewGroup(const QString& menuItemTitle);
    void upDateFontsSet();
    void focusExpandNoti(const dispatch::Notification* notification);
    void myFocusToFoundMore();
    // The session stored new folders, wherever they were changed: the folder table shows them.
    void foldersStored();
    // The session stored the followed collections (a load, or the read back of a follow).
    void followsStored();
    // The user's record stored, whoever read it (a sign-in, the personal centre's renewal): the
    // side menu shows its avatar, name and VIP mark.
    void userInfoStored(const dispatch::Notification& notification);
    // A write's read back: the cart's shows in the badge.
    void readBack(const dispatch::Notification& notification);
    // A count of unpaid orders, whoever asked for it: the order badge shows it while an order
    // awaits a look, as the reminder's polls do.
    void unpaidCountRead(const dispatch::Notification& notification);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class KXHomeHubDelegates;

    void viewDidLoad();
    void observeNotifications();
    void setupBaseUI();
    void setupSideTables();
    void setupData();
    void viewWillAppear();
    void viewDidAppear();
    void setUPFilterData();
    void moveData();
    void requestNewVersion();

    KXLeftTabView* makeTab(const char* title, const char* icon, const char* iconActive);
    // The section tab's disclosure mark; a click on it (the tab's right 22 points) opens or
    // closes the tab's side table with `toggle`, a click elsewhere on the tab touches the tab.
    void addTriangle(KXLeftTabView* tab, void (KXHomeViewController::*toggle)());
    KXHomeGroupTableView* makeSideTable(QWidget* scrollView, QMenu* menu, int tag, const char* identifier);
    void layOutLeftMenu();
    // The height kept at the menu's foot for the questionnaire, cart and extend buttons.
    int bottomStripHeight() const;
    void setUpMenuColumn();
    // The column's content at the scroll offset `offset`, kept within what there is to scroll.
    void scrollMenuColumn(int offset);
    int menuColumnScrollRange() const;
    // How far a wheel or touchpad step moves the column towards its top, in pixels.
    int menuColumnWheelPixels(const QWheelEvent& event);
    void syncMenuColumnBar();
    // An overlay over the whole view, pinned to every edge.
    void addOverlay(QWidget* overlay);
    // A page from the left menu's right edge to the view's right edge, the window's height; it
    // takes the keys the list held.
    void addPage(QWidget* page);
    // A panel placed as a page is.
    void addPanel(QWidget* panel);
    // The one rule for where pages and panels lie: from the menu's right edge to the view's,
    // never narrower than kPageWidth; the page lays its content out for the width it gets.
    void placeBesideMenu(QWidget* page);
    // Takes away every page and overlay above the menu and the list, whatever its class, down to a
    // new-version prompt, which holds the window (false then).
    bool closeOverlays();
    void showRecentlyUsed();
    // Reads the installed fonts and makes their rows off the main thread; the local tab, while
    // shown, shows them once they are made.
    void readLocalFonts();
    void showLocalFontRows();
    void openStorePage();

    // Side tables.
    bool isSideRowSelected(const KXHomeGroupTableView* table, int row) const;
    void reloadSideTables();
    void sideRowsChanged();
    void layOutSideTables();
    void openFolderDialog(const QString& title, const foundation::Id& groupid);
    // The folder dialog's answer: a renamed folder changes its name in place, a new one is added.
    // `renamedId`: the folder a rename dialog was opened for (its answer carries the name only).
    void groupCreated(const foundation::Ref<foundation::Dictionary>& group, const foundation::Id& renamedId);
    // A deleted folder leaves the folders.
    void dropFolder(const foundation::Id& id);
    // A delete whose reply was lost may have been done: the dialog reads the folders again, and a
    // folder they no longer hold is not left on the list.
    void readFoldersAfterLostDelete(KXDeleteGroupView& dialog, const foundation::Id& id);
    // Selects the default folder and shows it, kDeletedFolderDelay after a deletion.
    void showDefaultFolderLater();
    // Whether the list shows this folder of the folder table.
    bool listShowsFolder(const foundation::Id& id) const;
    foundation::Ref<foundation::MutableArray> fontRecords(const foundation::Id& group) const;

    // Pop-ups.
    void removeKeptPopUp();
    bool isInsidePopUpControls(const QPointF& globalPosition) const;
    QRect frameInView(const QWidget* view) const;
    void animateMenu(int fromWidth, int toWidth, std::function<void()> completion);
    void applyMenuMetrics(double menuWidth);
    void moveWindowForCollapse(bool collapsing);
    void layOutNewGroupButton();

    // Account area.
    void showAvatar(const foundation::Id& user);
    // The user's name by kx_displayName; a user without any keeps the name shown.
    void showName(const foundation::Id& user);
    void setShownName(const QString& name);
    void showVipMark();
    // Paints every font row on screen again: the rows read their favourite mark as they paint.
    void repaintFontRows();

    // Cart.
    void requestCartState();
    void showCartBadge(const foundation::Id& reply);
    void addCartPage();
    void addPersonalCenterPage();
    void flyDotToCart(const QPointF& pointInView);

    // The menu's column gives way in this order when the window is short: first the open side
    // table shrinks towards two rows, then the content grows past the column and scrolls. The
    // offset holds wherever there is that much to scroll.
    static constexpr float kSideTableFullPriority = 500;
    static constexpr float kMenuColumnOffsetPriority = 550;
    static constexpr float kMenuColumnFillPriority = 600;
    // Room under the column's last piece.
    static constexpr int kMenuColumnFoot = 6;
    // Pixels per notch of a wheel; a notch is 120 in the wheel's angle units.
    static constexpr int kMenuColumnWheelStep = 40;
    static constexpr int kWheelNotch = 120;

    QWidget* leftMenu_ = nullptr;
    QLabel* leftMenuBgImg_ = nullptr;
    QWidget* menuColumn_ = nullptr;
    QWidget* menuColumnContent_ = nullptr;
    QScrollBar* menuColumnBar_ = nullptr;
    int menuColumnOffset_ = 0;
    // What the last wheel steps left under a pixel, in angle units times kMenuColumnWheelStep.
    int menuColumnWheelRest_ = 0;
    KXBaseButton* stretchBtn_ = nullptr;
    ImageView* avatarImg_ = nullptr;
    KXBaseTextField* nickNameLabel_ = nullptr;
    QString shownName_;
    QLabel* orderNumLabel_ = nullptr;
    QWidget* leftMenuLine_ = nullptr;
    QWidget* leftMenuLine2_ = nullptr;
    KXLeftTabView* recommendBtn_ = nullptr;
    KXLeftTabView* cloudBtn_ = nullptr;
    KXLeftTabView* fontStoreBtn_ = nullptr;
    KXLeftTabView* localBtn_ = nullptr;
    KXLeftTabView* recentBtn_ = nullptr;
    KXLeftTabView* fontManagerBtn_ = nullptr;
    KXLeftTabView* myFocusBtn_ = nullptr;
    KXBaseButton* alertBtn_ = nullptr;
    KXBaseButton* shoppingCartBtn_ = nullptr;
    KXBaseButton* extendBtn_ = nullptr;
    KXBaseButton* newgroupBtn_ = nullptr;
    QLabel* buyCartNumLabel_ = nullptr;
    QLabel* vipMarkIMG_ = nullptr;
    QWidget* collectionScrollView_ = nullptr;
    KXBaseButton* collectionToggle_ = nullptr;
    KXBaseButton* followToggle_ = nullptr;
    QWidget* followScrollView_ = nullptr;
    KXHomeGroupTableView* collectionTableview_ = nullptr;
    KXHomeGroupTableView* followTableview_ = nullptr;
    QMenu* collectionMenu_ = nullptr;
    QMenu* followMenu_ = nullptr;
    KXHomeListView* rightListview_ = nullptr;
    KXSideTableAccordion accordion_;
    int menuWidth_ = kMenuWidth;
    // The favourites tab moves 7 points in once the accordion has laid it out.
    double fontManagerInset_ = 0;
    int expandedMinimumWidth_ = 0;
    // Whether the window's normal width holds the collapsed menu's shift.
    bool windowShrunkForMenu_ = false;
    QPointer<QVariantAnimation> menuAnimation_;

    foundation::Ref<foundation::MutableArray> groupArray_;
    foundation::Ref<foundation::MutableArray> followArray_;
    foundation::Ref<foundation::MutableArray> filterData_;
    dispatch::NotificationCenter* notiCenter_ = nullptr;
    std::shared_ptr<KXHTTPBUSINESS> bussinessR_;
    KXLeftTabView* selectedTabView_ = nullptr;
    KXLocalFontRows localFontRows_;
    std::unique_ptr<KXLoginWindowController> loginWindow_;
    std::unique_ptr<KXRegisterAgreementWC> greeWc_;
    std::unique_ptr<KXUPDateCenterWC> updateAppWindow_;
    QPointer<KXFontManagerDetailView> detailView_;
    QPointer<KXHomeRecomDetailView> myfocusDetailView_;
    QPointer<KXHomeRecomDetailView> recomDetailView_;
    QPointer<KXGroupExtendView> groupExtendView_;
    QPointer<QWidget> extendView_;
    QPointer<QWidget> extendContentView_;
    QPointer<QWidget> roView_;
    QPointer<QVariantAnimation> dotAnimation_;
    QPointF currentEventPoint_;

    std::shared_ptr<KXHomeHubDelegates> delegates_;
    std::shared_ptr<KXHoverTracker> hoverTracker_;
    std::shared_ptr<KXOrderReminder> orderReminder_;
    std::vector<dispatch::Subscription> observations_;
    dispatch::Subscription agreementObservation_;
    bool laidOut_ = false;
};
