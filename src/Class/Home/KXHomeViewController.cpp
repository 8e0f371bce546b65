// The hub's construction: fields, left menu, side tables, list, observers, update prompt,
// first-run guide, cart state, layout, filter tags and the migration check.
#include "Class/Home/KXHomeViewController.h"
#include "Class/UIKit/KXLabelText.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"

#include "Class/Account/KXRegisterAgreementWC.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXFontManagerDetailView.h"
#include "Class/Favourites/KXGroupExtendView.h"
#include "Class/Favourites/KXHomeRecomDetailView.h"
#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/Core/KXHoverTracker.h"
#include "Class/Home/Core/KXOrderReminder.h"
#include "Class/Home/Core/KXSignInGate.h"
#include "Class/Home/KXHomeGroupCell.h"
#include "Class/Home/KXHomeGroupModel.h"
#include "Class/Home/KXHomeGroupTableView.h"
#include "Class/Home/KXHomeHubDelegates.h"
#include "Class/Store/KXFontsSaleOrderView.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXWindowDrag.h"
#include "Class/Update/KXUPDateCenterWC.h"

#include "Class/AppShell/KXDataMoveView.h"
#include "Class/AppShell/KXDefaults.h"
#include "Class/AppShell/KXMigration.h"
#include "Class/AppShell/KXStartupTrace.h"
#include "Class/Home/KXHomeStyle.h"
#include "Class/Home/KXNewHomeUserGuideView.h"
#include "Class/Account/KXLoginWindowController.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Class/ServiceCore/UnitTools/KXReplyShape.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXBaseTextField.h"
#include "Class/UIKit/KXClickShield.h"
#include "Class/UIKit/KXImage.h"
#include "Class/Update/Core/KXVersionCheck.h"
#include "Class/Update/KXUPDateAPPView.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QShowEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;

namespace {

void ignoreError(const Ref<foundation::Error>&) { }

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

QLabel* imageLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const KXImage image = KXImage::imageNamed(name);
    if (!image.isNull())
        label->setPixmap(QPixmap::fromImage(image.image()));
    return label;
}

QWidget* lineView(QWidget* parent)
{
    auto* line = new QWidget(parent);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, kxhome::kMenuLine);
    line->setPalette(palette);
    return line;
}

} // namespace

namespace {

bool& animationsOn()
{
    static bool enabled = true;
    return enabled;
}

} // namespace

void KXHomeViewController::setAnimationsEnabled(bool enabled)
{
    animationsOn() = enabled;
}

bool KXHomeViewController::animationsEnabled()
{
    return animationsOn();
}

long long& KXHomeViewController::sideTableRowMemory()
{
    return KXHomeProcessState::shared().sideTableRowMemory;
}

KXHomeViewController::KXHomeViewController(QWidget* parent)
    : QWidget(parent)
    , delegates_(std::make_shared<KXHomeHubDelegates>(this))
    , hoverTracker_(KXHoverTracker::create())
    , orderReminder_(KXOrderReminder::create())
{
    hoverTracker_->setDelegate(delegates_);
    orderReminder_->setDelegate(delegates_);
    // Every window of the client: a second click never lands on what a click made appear.
    kx_installClickShield();
    viewDidLoad();
    // The local tab's first click shows rows at once when the fonts were read before it: the read
    // starts once the window's own start-up work has had its turn.
    dispatch::mainQueue().after(kLocalFontsFirstReadDelay,
                                dispatch::guardedQt(this, [](KXHomeViewController& self) { self.readLocalFonts(); }));
}

KXHomeViewController::~KXHomeViewController()
{
    orderReminder_->stop();
    // Nobody is left to hear the agreement's answer: no sign-in without consent.
    KXSignInGate::abandon();
    // The kept detail panel is the hub's while it lies off the view.
    if (recomDetailView_ && !recomDetailView_->parentWidget())
        delete recomDetailView_.data();
}

KXFontManagerDetailView* KXHomeViewController::detailView() const
{
    return detailView_;
}

KXHomeRecomDetailView* KXHomeViewController::myfocusDetailView() const
{
    return myfocusDetailView_;
}

KXHomeRecomDetailView* KXHomeViewController::recomDetailView() const
{
    return recomDetailView_;
}

KXGroupExtendView* KXHomeViewController::groupExtendView() const
{
    return groupExtendView_;
}

std::vector<KXLeftTabView*> KXHomeViewController::tabs() const
{
    return {recommendBtn_, cloudBtn_, fontStoreBtn_, localBtn_, recentBtn_, fontManagerBtn_, myFocusBtn_};
}

Ref<foundation::MutableArray> KXHomeViewController::groupArray()
{
    if (!groupArray_) {
        auto stored = KXUserCenterConfig::sharedKXUserCenterConfig().groupsInfo();
        groupArray_ = stored && stored->count() > 0 ? std::dynamic_pointer_cast<foundation::MutableArray>(stored->mutableCopy())
                                                    : foundation::MutableArray::create();
    }
    return groupArray_;
}

Ref<foundation::MutableArray> KXHomeViewController::followArray()
{
    if (!followArray_) {
        auto stored = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray();
        followArray_ = stored && stored->count() > 0 ? stored : foundation::MutableArray::create();
    }
    return followArray_;
}

Ref<foundation::MutableArray> KXHomeViewController::filterData()
{
    if (!filterData_)
        filterData_ = foundation::MutableArray::create();
    return filterData_;
}

std::shared_ptr<KXHTTPBUSINESS> KXHomeViewController::bussinessR()
{
    if (!bussinessR_)
        bussinessR_ = std::make_shared<KXHTTPBUSINESS>();
    return bussinessR_;
}

QLabel* KXHomeViewController::buyCartNumLabel()
{
    if (!buyCartNumLabel_) {
        buyCartNumLabel_ = new QLabel(leftMenu_);
        buyCartNumLabel_->setTextFormat(Qt::PlainText);
        buyCartNumLabel_->setAlignment(Qt::AlignCenter);
        buyCartNumLabel_->setStyleSheet(QStringLiteral("background: rgb(238, 84, 84); border-radius: 4px; color: white; font-size: 8px;"));
        buyCartNumLabel_->hide();
    }
    return buyCartNumLabel_;
}

QLabel* KXHomeViewController::vipMarkIMG()
{
    if (!vipMarkIMG_) {
        vipMarkIMG_ = imageLabel("vipAvatarIMG", menuColumnContent_);
        vipMarkIMG_->installEventFilter(this);
        vipMarkIMG_->setToolTip(QStringLiteral("查看VIP特权"));
        vipMarkIMG_->setCursor(Qt::PointingHandCursor);
    }
    return vipMarkIMG_;
}

void KXHomeViewController::observeNotifications()
{
    using Handler = void (*)(KXHomeViewController&, const dispatch::Notification&);
    const std::pair<const char*, Handler> table[] = {
        {"homeNotificationCenter", [](KXHomeViewController& hub, const dispatch::Notification& n) { hub.receiveNotification(n); }},
        {"createNewGroup", [](KXHomeViewController& hub, const dispatch::Notification&) { hub.addNewGroup(); }},
        {"updateappnoti", [](KXHomeViewController& hub, const dispatch::Notification&) { hub.upDateAppNoti(); }},
        {"KXBigFontsSet", [](KXHomeViewController& hub, const dispatch::Notification&) { hub.upDateFontsSet(); }},
        {"KXHomeRecomAttention", [](KXHomeViewController& hub, const dispatch::Notification& n) { hub.focusExpandNoti(&n); }},
        {"myFocusToFoundMore", [](KXHomeViewController& hub, const dispatch::Notification&) { hub.myFocusToFoundMore(); }},
        {"cellBuyCartsClick", [](KXHomeViewController& hub, const dispatch::Notification& n) { hub.cellBuyCartsClick(n); }},
        {"buyCartsGoToOrder", [](KXHomeViewController& hub, const dispatch::Notification& n) { hub.buyCartsGoToOrder(n); }},
        {KXFontsSaleOrderView::kCheckOrderNotification, [](KXHomeViewController& hub, const dispatch::Notification&) { hub.buyCartsCheckOrder(); }},
        {KXFolderSession::kFoldersStored, [](KXHomeViewController& hub, const dispatch::Notification&) { hub.foldersStored(); }},
        {KXFolderSession::kFollowsStored, [](KXHomeViewController& hub, const dispatch::Notification&) { hub.followsStored(); }},
        {KXAccountWrites::kReadBackNotification, [](KXHomeViewController& hub, const dispatch::Notification& n) { hub.readBack(n); }},
        {KXSignInGate::kWaitEndedNotification, [](KXHomeViewController& hub, const dispatch::Notification&) { hub.closeAgreement(); }},
        {KXUserCenterConfig::kUserInfoStored, [](KXHomeViewController& hub, const dispatch::Notification& n) { hub.userInfoStored(n); }},
        {KXHTTPBUSINESS::kUnpaidCountNotification, [](KXHomeViewController& hub, const dispatch::Notification& n) { hub.unpaidCountRead(n); }},
    };
    QPointer<KXHomeViewController> self(this);
    for (const auto& entry : table) {
        const Handler handler = entry.second;
        observations_.push_back(notiCenter_->addObserver(entry.first, Id(), nullptr, [self, handler](const dispatch::Notification& notification) {
            if (self)
                handler(*self, notification);
        }));
    }
}

void KXHomeViewController::viewDidLoad()
{
    notiCenter_ = &dispatch::NotificationCenter::defaultCenter();
    observeNotifications();
    setupBaseUI();
    setupData();
    requestNewVersion();

    // Settings that could not be read make no first run: their "install" is unknown, not absent.
    if (defaults().objectForKey("install").isNil() && !defaults().isUnreadable()) {
        defaults().setObject(Id("yes"), "install");
        defaults().synchronize();
        addOverlay(new KXNewHomeUserGuideView());
        kxtrace::mark("first-run-guide");
    }
    if (KXSignInGate::isWaiting()) {
        // The start-up's sign-in came back for a user who has not agreed: asked once the window is
        // up, and nothing of that user is shown or asked for before the answer.
        dispatch::mainQueue().async(dispatch::guardedQt(this, [](KXHomeViewController& self) {
            if (KXSignInGate::isWaiting())
                self.askAgreement();
        }));
    } else {
        upDateBuyCartState();
    }
}

void KXHomeViewController::setShownName(const QString& name)
{
    // The name is cut at the tail to the label's width, which follows the menu's.
    shownName_ = name;
    const int width = nickNameLabel_->width() > 1 ? nickNameLabel_->width() : menuWidth_;
    nickNameLabel_->setText(kx_elidedText(QFontMetrics(nickNameLabel_->font()), name, Qt::ElideRight, width));
}

KXLeftTabView* KXHomeViewController::makeTab(const char* title, const char* icon, const char* iconActive)
{
    auto* tab = new KXLeftTabView(menuColumnContent_);
    tab->resize(100, 40);
    tab->setInfoD(foundation::Dictionary::create({{Id("title"), Id(title)}, {Id("icon"), Id(icon)}, {Id("iconActive"), Id(iconActive)}}));
    tab->setDelegate(delegates_);
    tab->setIdentifier(QString::fromUtf8(title));
    return tab;
}

void KXHomeViewController::addTriangle(KXLeftTabView* tab, void (KXHomeViewController::*toggle)())
{
    QLabel* triangle = imageLabel("HomeTriangle", tab);
    triangle->setScaledContents(true);
    lc_makeConstraints(lcView(triangle), [](LCConstraintMaker& make) {
        make.right().equalTo(0).offset(-4);
        make.bottom().equalTo(0).offset(-10);
        make.width().height().equalTo(3);
    });
    auto* button = KXBaseButton::buttonWithTitle(QString(), [this, toggle](KXBaseButton*) { (this->*toggle)(); }, tab);
    lc_makeConstraints(lcView(button), [](LCConstraintMaker& make) {
        make.top().bottom().right().equalTo(0);
        make.width().equalTo(22);
    });
    (toggle == &KXHomeViewController::colletExpand ? collectionToggle_ : followToggle_) = button;
}

KXHomeGroupTableView* KXHomeViewController::makeSideTable(QWidget* scrollView, QMenu* menu, int tag, const char* identifier)
{
    auto* table = new KXHomeGroupTableView(scrollView);
    table->setTag(tag);
    auto* rows = new KXHomeGroupModel(table);
    table->setModel(rows);
    table->setItemDelegate(new KXHomeGroupCell(QString::fromUtf8(identifier),
                                               [this, table](int row) { return isSideRowSelected(table, row); }, table));
    table->setAction([this](KXHomeGroupTableView* clicked) { tableViewCellClick(clicked); });
    connect(table, &QWidget::customContextMenuRequested, menu,
            [table, menu](const QPoint& point) { menu->popup(table->viewport()->mapToGlobal(point)); });
    lc_makeConstraints(lcView(table), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    // A list scrolls its rows: on a short window it gives up height before the menu's column must
    // scroll.
    lcView(table).setContentCompressionResistancePriority(autolayout::priority::defaultLow, autolayout::LayoutAxis::Vertical);
    return table;
}

void KXHomeViewController::setupBaseUI()
{
    leftMenu_ = new QWidget(this);
    leftMenu_->resize(100, 640);
    leftMenu_->setAutoFillBackground(true);
    QPalette menuPalette = leftMenu_->palette();
    menuPalette.setColor(QPalette::Window, kxhome::kMenuBackground);
    leftMenu_->setPalette(menuPalette);

    leftMenuBgImg_ = imageLabel("leftMenuBg", leftMenu_);
    leftMenuBgImg_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setUpMenuColumn();
    QWidget* column = menuColumnContent_;

    stretchBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("rightArrow"), [this](KXBaseButton*) { changewidthClick(); }, column);
    stretchBtn_->setAutoFillBackground(true);
    QPalette stretchPalette = stretchBtn_->palette();
    stretchPalette.setColor(QPalette::Window, kxhome::kStretchBackground);
    stretchPalette.setColor(QPalette::Button, kxhome::kStretchBackground);
    stretchBtn_->setPalette(stretchPalette);

    avatarImg_ = new ImageView(column);
    avatarImg_->setImageScaling(ImageScaling::AxesIndependently);
    avatarImg_->setImage(KXImage::imageNamed("default_avatar"));
    avatarImg_->setCornerRadius(25);
    avatarImg_->setCursor(Qt::PointingHandCursor);
    avatarImg_->installEventFilter(this);

    nickNameLabel_ = new KXBaseTextField(column);
    nickNameLabel_->setTextFormat(Qt::PlainText);
    nickNameLabel_->setAlignment(Qt::AlignCenter);
    nickNameLabel_->setFont(kxhome::systemFont(12));
    kxhome::setTextColor(nickNameLabel_, kxhome::kMenuText);
    nickNameLabel_->setCursor(Qt::PointingHandCursor);
    nickNameLabel_->installEventFilter(this);
    // The name a sign-in stored is the account's only while that account is signed in.
    const std::string storedName = KXAccountState::signedIn() ? Id(defaults().stringForKey("Name")).stringValue() : std::string();
    setShownName(storedName.empty() ? QStringLiteral("登录/注册") : QString::fromStdString(storedName));

    orderNumLabel_ = new QLabel(column);
    orderNumLabel_->setTextFormat(Qt::PlainText);
    orderNumLabel_->setAlignment(Qt::AlignCenter);
    orderNumLabel_->setStyleSheet(QStringLiteral("background: rgb(217, 42, 42); border-radius: 8px; color: white; font-size: 11px;"));
    orderNumLabel_->hide();

    leftMenuLine_ = lineView(column);
    recommendBtn_ = makeTab("推荐", "recommend-hover", "recommend-active");
    cloudBtn_ = makeTab("云字库", "cloud-hover", "cloud-active");
    fontStoreBtn_ = makeTab("字体商城", "fontStore", "fontStore_Sel");
    tabViewTouched(cloudBtn_);
    localBtn_ = makeTab("本地字库", "local-hover", "local-active");
    recentBtn_ = makeTab("最近常用", "history-hover", "history-active");
    leftMenuLine2_ = lineView(column);
    fontManagerBtn_ = makeTab(KXLeftTabView::kFavouritesTitle, "naviFontMana", "naviFontMana");
    addTriangle(fontManagerBtn_, &KXHomeViewController::colletExpand);

    alertBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("alertBtnImg"), [this](KXBaseButton*) { alertBtnClick(); }, leftMenu_);
    alertBtn_->setHidden(Id(defaults().stringForKey("questionnaire")).stringValue().empty());

    shoppingCartBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("shoppingCartNormal"),
                                                     [this](KXBaseButton*) { shoppingCartBtnClick(); }, leftMenu_);
    shoppingCartBtn_->setButtonType(KXBaseButton::ButtonType::CheckBox);
    shoppingCartBtn_->setAlternateImage(KXImage::imageNamed("shoppingCartSele"));
    shoppingCartBtn_->setToolTip(QStringLiteral("购物车"));
    shoppingCartBtn_->setToolTipTitle(QStringLiteral("购物车"));

    extendBtn_ = KXBaseButton::buttonWithImage(KXImage::imageNamed("extendLogo"), [this](KXBaseButton*) { extendButtonClick(); }, leftMenu_);
    extendBtn_->setToolTip(QStringLiteral("拓展"));
    extendBtn_->setToolTipTitle(QStringLiteral("拓展"));

    rightListview_ = new KXHomeListView(QRect(0, 0, 310, 680), this);
    rightListview_->setDelegate(delegates_);
    rightListview_->listTableView()->viewport()->installEventFilter(this);

    myFocusBtn_ = makeTab(KXLeftTabView::kFollowedTitle, "naviMyFocus", "naviMyFocusSel");
    addTriangle(myFocusBtn_, &KXHomeViewController::focusExpandAction);

    setupSideTables();
}

void KXHomeViewController::setUpMenuColumn()
{
    menuColumn_ = new QWidget(leftMenu_);
    menuColumnContent_ = new QWidget(menuColumn_);
    menuColumn_->installEventFilter(this);
    menuColumnContent_->installEventFilter(this);
    menuColumnBar_ = new QScrollBar(Qt::Vertical, leftMenu_);
    kxhome::styleMenuScrollBar(menuColumnBar_);
    menuColumnBar_->setFocusPolicy(Qt::NoFocus);
    menuColumnBar_->hide();
    connect(menuColumnBar_, &QScrollBar::valueChanged, this, [this](int value) { scrollMenuColumn(value); });
}

int KXHomeViewController::bottomStripHeight() const
{
    // From the top of the highest bottom button, with a little air above it.
    return alertBtn_ && !alertBtn_->isHidden() ? 110 + 48 + 4 : 50 + 50 + 4;
}

int KXHomeViewController::menuColumnWheelPixels(const QWheelEvent& event)
{
    // A touchpad that reports pixels moves the column by them, as it moves any list.
    if (!event.pixelDelta().isNull()) {
        menuColumnWheelRest_ = 0;
        return event.pixelDelta().y();
    }
    // Touchpads and fine wheels send many steps of a fraction of a notch; what each step leaves
    // under a pixel is kept for the next, so the steps of one notch move it as far as the notch.
    const int delta = event.angleDelta().y();
    if ((delta > 0 && menuColumnWheelRest_ < 0) || (delta < 0 && menuColumnWheelRest_ > 0))
        menuColumnWheelRest_ = 0;
    menuColumnWheelRest_ += delta * kMenuColumnWheelStep;
    const int pixels = menuColumnWheelRest_ / kWheelNotch;
    menuColumnWheelRest_ -= pixels * kWheelNotch;
    return pixels;
}

int KXHomeViewController::menuColumnScrollRange() const
{
    // The column's last piece is the followed table, under the open one or the closed ones.
    const int natural = followScrollView_->geometry().bottom() + 1 + kMenuColumnFoot;
    return std::max(0, natural - menuColumn_->height());
}

void KXHomeViewController::scrollMenuColumn(int offset)
{
    menuColumnOffset_ = std::clamp(offset, 0, menuColumnScrollRange());
    // The content fills the column and grows only by what does not fit once the side tables
    // have shrunk to their least; the offset moves it within what it has grown.
    QWidget* column = menuColumn_;
    lc_remakeConstraints(lcView(menuColumnContent_), [column, offset = menuColumnOffset_](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().lessThanOrEqualTo(0);
        make.bottom().greaterThanOrEqualTo(0);
        make.height().equalTo(lc_height(lcView(column))).priority(kMenuColumnFillPriority);
        make.top().equalTo(-offset).priority(kMenuColumnOffsetPriority);
    });
    syncMenuColumnBar();
}

void KXHomeViewController::syncMenuColumnBar()
{
    const int range = menuColumnScrollRange();
    const QSignalBlocker quiet(menuColumnBar_);
    menuColumnBar_->setRange(0, range);
    menuColumnBar_->setPageStep(std::max(1, menuColumn_->height()));
    menuColumnBar_->setValue(menuColumnOffset_);
    menuColumnBar_->setVisible(range > 0);
    menuColumnBar_->raise();
}

void KXHomeViewController::setupSideTables()
{
    // The menus' title is kept for its own sake: a context menu shows none.
    collectionMenu_ = new QMenu(QStringLiteral("12345678"), this);
    collectionMenu_->addAction(QStringLiteral("删除分组"), this, [this] { deleteGroupAction(); });
    collectionMenu_->addAction(QStringLiteral("分组重命名"), this, [this] { renameGroupAction(); });
    followMenu_ = new QMenu(QStringLiteral("12345678"), this);
    followMenu_->addAction(QStringLiteral("取消关注"), this, [this] { canceFollowAction(); });
    followMenu_->addAction(QStringLiteral("查看详情"), this, [this] { detailFollowAction(); });

    collectionScrollView_ = new QWidget(menuColumnContent_);
    followScrollView_ = new QWidget(menuColumnContent_);
    collectionTableview_ = makeSideTable(collectionScrollView_, collectionMenu_, 0, KXHomeGroupCell::kGroupIdentifier);
    followTableview_ = makeSideTable(followScrollView_, followMenu_, KXHomeGroupTableView::kFollowTag, KXHomeGroupCell::kFollowIdentifier);
    followScrollView_->installEventFilter(this);
    collectionTableview_->groupModel()->setRows(groupArray());
    followTableview_->groupModel()->setRows(followArray());

    newgroupBtn_ = KXBaseButton::buttonWithTitle(QStringLiteral("新建分组"), KXImage::imageNamed("newgroupAdd"),
                                                 [this](KXBaseButton*) { newgroupClick(); }, menuColumnContent_);
    // The font first: the colour builds the title with it.
    newgroupBtn_->setNormalFont(kxhome::systemFont(11));
    newgroupBtn_->setNormalColor(kxhome::kMenuText);
    newgroupBtn_->hide();
}

void KXHomeViewController::setupData()
{
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    if (session.islogin()) {
        const Id user(session.userinfo());
        if (user.dictionary() && user.count() > 0) {
            il_setImageWithURL(avatarImg_, foundation::URL::URLWithString(user["head"].stringValue()),
                               il_imageFromKXImage(KXImage::imageNamed("default_avatar")));
            showName(user);
        }
    }
    kx_storeDefault(defaults(), "the", Id("0"));
    defaults().synchronize();
}

void KXHomeViewController::requestNewVersion()
{
    KXHTTPBUSINESS().getNewAppVersionInfoSuceess(
        dispatch::guardedQt(this, [](KXHomeViewController& self, const Id& reply) {
            kxtrace::mark("version-checked");
            const Id installed = Id(defaults().stringForKey("appVersion"));
            std::fprintf(stderr, "%s\n", foundation::format("---%@", installed).c_str());
            if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                return;
            const Id data = reply["corvane_data"];
            if (!KXVersionCheck::isNewer(data["version"].stringValue(), installed.stringValue(), KXVersionCheck::Rule::Startup))
                return;
            auto* prompt = new KXUPDateAPPView();
            prompt->setVersion(QString::fromStdString(data["version"].stringValue()));
            prompt->setContent(QString::fromStdString(data["content"].stringValue()));
            self.addOverlay(prompt);
            const Id download = data["download"];
            KXGlobalDataBase::sharedKXGlobalDataBase().setDownLoadUrl(download.string() ? download.string() : nullptr);
        }),
        ignoreError);
}

void KXHomeViewController::addOverlay(QWidget* overlay)
{
    // An overlay that held the keys (the first-run guide takes them) gives them back to the font
    // list when it goes, so that PageDown scrolls the list again instead of landing wherever the
    // focus chain leads.
    if (rightListview_)
        kx_giveKeysBackTo(overlay, rightListview_->listTableView());
    overlay->setParent(this);
    lc_remakeConstraints(lcView(overlay), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    overlay->show();
    overlay->raise();
}

void KXHomeViewController::addPanel(QWidget* panel)
{
    placeBesideMenu(panel);
    panel->show();
    panel->raise();
}

void KXHomeViewController::placeBesideMenu(QWidget* page)
{
    page->setParent(this);
    QWidget* menu = leftMenu_;
    lc_remakeConstraints(lcView(page), [menu](LCConstraintMaker& make) {
        make.top().bottom().equalTo(0);
        make.left().equalTo(lc_right(lcView(menu)));
        make.right().equalTo(0).priorityHigh();
        make.width().greaterThanOrEqualTo(kPageWidth);
    });
}

void KXHomeViewController::addPage(QWidget* page)
{
    placeBesideMenu(page);
    page->show();
    page->raise();
    // Keys the list held would scroll it unseen beneath the page: the page takes them, and gives
    // them back to the list when it goes.
    QWidget* focus = QApplication::focusWidget();
    if (rightListview_ && focus && rightListview_->isAncestorOf(focus))
        kx_takeKeys(page, rightListview_->listTableView());
}

void KXHomeViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    viewWillAppear();
    dispatch::mainQueue().async(dispatch::guardedQt(this, [](KXHomeViewController& self) { self.viewDidAppear(); }));
}

void KXHomeViewController::viewWillAppear()
{
    layOutLeftMenu();
    if (KXAccountState::signedIn() && !Id(defaults().stringForKey("vip_type")).stringValue().empty())
        showVipMark();
    QLabel* cartBadge = buyCartNumLabel();
    QWidget* menu = leftMenu_;
    lc_remakeConstraints(lcView(cartBadge), [menu](LCConstraintMaker& make) {
        make.bottom().equalTo(lc_bottom(lcView(menu))).offset(-80);
        make.width().height().equalTo(8);
        make.centerX().equalTo(lc_centerX(lcView(menu))).offset(13);
    });
    lc_remakeConstraints(lcView(rightListview_), [menu](LCConstraintMaker& make) {
        make.top().right().bottom().equalTo(0);
        make.left().equalTo(lc_right(lcView(menu)));
    });
    upDateBuyCartState();
    // The first keys scroll the list (PageDown, End), unless something shown over it has
    // already taken them.
    if (!window()->focusWidget())
        rightListview_->listTableView()->setFocus(Qt::OtherFocusReason);
}

void KXHomeViewController::layOutLeftMenu()
{
    QWidget* menu = leftMenu_;
    lc_remakeConstraints(lcView(menu), [width = menuWidth_](LCConstraintMaker& make) {
        make.left().top().bottom().equalTo(0);
        make.width().equalTo(width);
    });
    lc_remakeConstraints(lcView(leftMenuBgImg_), [](LCConstraintMaker& make) { make.left().right().top().equalTo(0); });
    lc_remakeConstraints(lcView(menuColumn_), [strip = bottomStripHeight()](LCConstraintMaker& make) {
        make.left().right().top().equalTo(0);
        make.bottom().equalTo(0).offset(-strip);
    });
    QWidget* column = menuColumn_;
    lc_remakeConstraints(lcView(menuColumnBar_), [column](LCConstraintMaker& make) {
        make.right().equalTo(0);
        make.width().equalTo(kxhome::kMenuScrollBarWidth);
        make.top().equalTo(lc_top(lcView(column)));
        make.bottom().equalTo(lc_bottom(lcView(column)));
    });
    scrollMenuColumn(menuColumnOffset_);
    lc_remakeConstraints(lcView(stretchBtn_), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(22);
        make.height().equalTo(20);
    });
    const int avatarSize = isMenuCollapsed() ? 30 : 50;
    lc_remakeConstraints(lcView(avatarImg_), [avatarSize](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(56);
        make.width().height().equalTo(avatarSize);
    });
    ImageView* avatar = avatarImg_;
    lc_remakeConstraints(lcView(orderNumLabel_), [avatar](LCConstraintMaker& make) {
        make.right().equalTo(lc_right(lcView(avatar)));
        make.top().equalTo(56);
        make.width().height().equalTo(16);
    });
    lc_remakeConstraints(lcView(nickNameLabel_), [avatar, menu](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(avatar))).offset(8);
        make.centerX().equalTo(0);
        make.width().equalTo(lc_width(lcView(menu)));
    });
    QWidget* name = nickNameLabel_;
    lc_remakeConstraints(lcView(leftMenuLine_), [name](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(name))).offset(18);
        make.left().right().equalTo(0);
        make.height().equalTo(1);
    });
    QWidget* above = leftMenuLine_;
    double gap = 10;
    for (KXLeftTabView* tab : {recommendBtn_, fontStoreBtn_, cloudBtn_, localBtn_, recentBtn_}) {
        lc_remakeConstraints(lcView(tab), [above, gap](LCConstraintMaker& make) {
            make.top().equalTo(lc_bottom(lcView(above))).offset(gap);
            make.left().equalTo(0);
            make.right().equalTo(0).offset(3);
            make.height().equalTo(30);
        });
        above = tab;
        gap = 5;
    }
    lc_remakeConstraints(lcView(leftMenuLine2_), [above](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(above))).offset(5);
        make.left().right().equalTo(0);
        make.height().equalTo(1);
    });
    layOutSideTables();
    lc_remakeConstraints(lcView(alertBtn_), [](LCConstraintMaker& make) {
        make.bottom().equalTo(0).offset(-110);
        make.width().height().equalTo(48);
        make.centerX().equalTo(0).offset(3);
    });
    lc_remakeConstraints(lcView(shoppingCartBtn_), [](LCConstraintMaker& make) {
        make.bottom().equalTo(0).offset(-50);
        make.width().equalTo(52);
        make.height().equalTo(50);
        make.centerX().equalTo(0);
    });
    lc_remakeConstraints(lcView(extendBtn_), [](LCConstraintMaker& make) {
        make.bottom().equalTo(0).offset(-14);
        make.width().height().equalTo(20);
        make.centerX().equalTo(0);
    });
}

void KXHomeViewController::viewDidAppear()
{
    setUPFilterData();
    moveData();
}

const KXReplyShape& KXHomeViewController::filterTagsShape()
{
    static const KXReplyShape shape = [] {
        const auto groups = KXReplyShape::dictionary(
            {{"classname", KXReplyShape::field()},
             {"data", KXReplyShape::dictionary({{"tagname", KXReplyShape::field()}, {"tagid", KXReplyShape::field()}})}});
        return KXReplyShape::dictionary({{"ENG", groups}, {"ZH", groups}});
    }();
    return shape;
}

Ref<foundation::MutableArray> KXHomeViewController::filterGroups(const Id& tags)
{
    auto languages = foundation::MutableArray::create();
    for (const char* language : {"ENG", "ZH"}) {
        auto groups = foundation::MutableArray::create();
        if (auto elements = tags[language].array()) {
            for (const Id& element : elements->objects()) {
                auto list = KXFilterTagList::fromReply(element["data"]);
                const Id className = element["classname"];
                if (!list || className.isNil() || className.isNull())
                    continue;
                auto group = foundation::MutableDictionary::create();
                group->setObject(Id(list), className);
                groups->addObject(Id(group));
            }
        }
        languages->addObject(Id(groups));
    }
    return languages;
}

void KXHomeViewController::setUPFilterData()
{
    KXHTTPBUSINESS().GetTagListSuceess(
        dispatch::guardedQt(this, [](KXHomeViewController& self, const Id& tags) {
            kxtrace::mark("filter-tags");
            if (!tags.dictionary())
                return;
            KXFileManager::sharedKXFileManager().writeEncryptDataInBackground(filterTagsShape().keep(tags),
                                                                              foundation::String::create("filterData"));
            // Each appearance asks again: the latest reply's pair replaces the one kept, so the
            // list holds one pair however often the window shows. A filter page open meanwhile
            // keeps the pair it was given.
            self.filterData_ = filterGroups(tags);
            self.rightListview_->setFilterDataArray(self.filterData());
        }),
        ignoreError);
}

void KXHomeViewController::moveData()
{
    if (!defaults().objectForKey("datemove").isNil() || defaults().isUnreadable())
        return;
    defaults().setObject(Id("YES"), "datemove");
    defaults().synchronize();
    kxtrace::mark("migration-check");
    auto migration = KXMigration::create();
    if (!KXMigration::shouldOffer(migration->sources(), KXUserCenterConfig::sharedKXUserCenterConfig()))
        return;
    // An account file that holds nothing to migrate never puts the overlay on the window.
    if (migration->account().isNil())
        return;
    auto* overlay = new KXDataMoveView(nullptr, migration);
    addOverlay(overlay);
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("数据迁移错误"));
    overlay->setUPMover();
}

bool KXHomeViewController::eventFilter(QObject* watched, QEvent* event)
{
    // The avatar and the name are one link to the account; the VIP mark opens the privileges.
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == avatarImg_ || watched == nickNameLabel_) {
            avatarClick();
            return true;
        }
        if (vipMarkIMG_ && watched == vipMarkIMG_) {
            vipIMGClick();
            return true;
        }
    }
    if (event->type() == QEvent::Resize && watched == nickNameLabel_)
        setShownName(shownName_);
    if (watched == menuColumn_ || watched == menuColumnContent_ || watched == followScrollView_) {
        // A wheel turn that nothing in the column took moves the column, when it has to scroll.
        if (event->type() == QEvent::Wheel && watched == menuColumn_ && menuColumnScrollRange() > 0) {
            scrollMenuColumn(menuColumnOffset_ - menuColumnWheelPixels(*static_cast<QWheelEvent*>(event)));
            return true;
        }
        // A taller window or shorter tables leave less to scroll; the followed table, the column's
        // last piece, tells where its content ends.
        if (event->type() == QEvent::Resize || (event->type() == QEvent::Move && watched == followScrollView_)) {
            if (menuColumnOffset_ > menuColumnScrollRange())
                scrollMenuColumn(menuColumnOffset_);
            else
                syncMenuColumnBar();
        }
    }
    // The first paint of the list's rows: marked on the turn after the paint, once it is done.
    if (event->type() == QEvent::Paint && rightListview_ && watched == rightListview_->listTableView()->viewport()) {
        const auto& rows = rightListview_->dataArray();
        if (rows && rows->count() > 0) {
            rightListview_->listTableView()->viewport()->removeEventFilter(this);
            const std::string detail = std::to_string(rows->count());
            dispatch::mainQueue().async([detail] { kxtrace::markOnce("main-window-rows", detail); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KXHomeViewController::mousePressEvent(QMouseEvent* event)
{
    // The window moves when dragged by its background.
    if (!kx_pressMovesWindow(this, event))
        QWidget::mousePressEvent(event);
}
