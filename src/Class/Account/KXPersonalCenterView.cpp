#include "Class/Account/KXPersonalCenterView.h"

#include "Class/Account/Core/KXPersonalCenterModel.h"
#include "Class/Account/KXAccountViews.h"
#include "Class/Account/KXPersonalCenterPages.h"
#include "Class/Account/KXVipAlertView.h"
#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXOpenFailedAlert.h"
#include "Class/UIKit/KXPageColumn.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Class/UIKit/KXThinScrollBar.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/URL.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

#include <utility>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

const QColor kHeaderColor(61, 62, 64);
const QColor kBadgeColor(238, 84, 84);

// One published collection: its cover, name, number of fonts and review state.
class CollectionCard final : public QWidget {
public:
    CollectionCard(const Id& folder, QWidget* parent)
        : QWidget(parent)
    {
        auto* frame = new KXFilledView(this, Qt::white, 4, kxaccount::kCardBorder);
        lc_makeConstraints(lcView(frame), [](LCConstraintMaker& make) {
            make.left().top().equalTo(0);
            make.right().bottom().equalTo(0);
        });
        auto* cover = new ImageView(frame);
        cover->setImageScaling(ImageScaling::ProportionallyFilling);
        cover->setBackgroundColor(QColor(243, 243, 243));
        il_setImageWithURL(cover, foundation::URL::URLWithString(folder["img"].stringValue()));
        auto* name = kxaccount::makeLabel(frame, QString::fromStdString(folder["collect_name"].stringValue()), 14, kxaccount::kText, true);
        const long long state = folder["is_publish"].integerValue();
        const QString stateText = state == 2 ? QStringLiteral("已发布") : state == 1 ? QStringLiteral("审核中") : QStringLiteral("未通过");
        auto* details = kxaccount::makeLabel(frame, QStringLiteral("%1款字体 · %2").arg(folder["font_num"].integerValue()).arg(stateText), 12,
                                             kxaccount::kMutedText);
        lc_makeConstraints(lcView(cover), [](LCConstraintMaker& make) {
            make.left().top().equalTo(1);
            make.right().equalTo(-1);
            make.height().equalTo(140);
        });
        lc_makeConstraints(lcView(name), [](LCConstraintMaker& make) {
            make.left().equalTo(12);
            make.top().equalTo(150);
        });
        lc_makeConstraints(lcView(details), [](LCConstraintMaker& make) {
            make.left().equalTo(12);
            make.top().equalTo(176);
        });
        for (QWidget* child : {static_cast<QWidget*>(frame), static_cast<QWidget*>(cover), static_cast<QWidget*>(name), static_cast<QWidget*>(details)})
            child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
};

// The unpaid-order badge: white text on a red pill (corner radius 12), at least round.
class BadgeLabel final : public QLabel {
public:
    explicit BadgeLabel(QWidget* parent)
        : QLabel(parent)
    {
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignCenter);
        setFont(kxaccount::systemFont(12, true));
    }

    QSize sizeHint() const override
    {
        const int text = fontMetrics().horizontalAdvance(this->text());
        return {std::max(24, text + 14), 24};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kBadgeColor);
        painter.drawRoundedRect(QRectF(rect()), 12, 12);
        painter.setPen(Qt::white);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

// A counter: its number above its caption, centred in the `third` (0, 1 or 2) of the band's width.
QLabel* addCounter(QWidget* parent, const QString& caption, int third, QWidget*& captionLabel)
{
    auto* number = kxaccount::makeLabel(parent, QString::fromLatin1(KXPersonalCenterModel::kNoFigure), 18, kxaccount::kText, true);
    auto* label = kxaccount::makeLabel(parent, caption, 12, kxaccount::kMutedText);
    // The band's centre is half its width: a third's centre is (2 * third + 1) / 3 of it.
    const double share = (2.0 * third + 1.0) / 3.0;
    lc_makeConstraints(lcView(number), [parent, share](LCConstraintMaker& make) {
        make.centerX().equalTo(lc_centerX(lcView(parent))).multipliedBy(share);
        make.top().equalTo(10);
    });
    lc_makeConstraints(lcView(label), [parent, share](LCConstraintMaker& make) {
        make.centerX().equalTo(lc_centerX(lcView(parent))).multipliedBy(share);
        make.top().equalTo(36);
    });
    captionLabel = label;
    return number;
}

} // namespace

class KXPersonalCenterView::ModelDelegate final : public KXPersonalCenterModelDelegate {
public:
    explicit ModelDelegate(KXPersonalCenterView* page)
        : page_(page)
    {
    }
    void personalCenterShowUser(const Id& user) override
    {
        if (page_)
            page_->showUser(user);
    }
    void personalCenterShowCounts(const std::optional<std::string>& used, const std::optional<std::string>& groups,
                                  const std::optional<std::string>& collections) override
    {
        if (page_)
            page_->showCounts(used, groups, collections);
    }
    void personalCenterShowPublished(const foundation::Ref<foundation::Array>& published, bool anyFolders) override
    {
        if (page_)
            page_->showPublished(published, anyFolders);
    }
    void personalCenterShowOrderBadge(const std::optional<std::string>& text) override
    {
        if (page_)
            page_->showOrderBadge(text);
    }
    void personalCenterOpenFailed(const std::string& address) override
    {
        if (page_)
            KXOpenFailedAlert::showOver(page_, KXOpenFailedAlert::Kind::WebPage, address);
    }

private:
    QPointer<KXPersonalCenterView> page_;
};

KXPersonalCenterView::KXPersonalCenterView(QWidget* parent)
    : KXBaseView(parent)
    , model_(KXPersonalCenterModel::create())
    , modelDelegate_(std::make_shared<ModelDelegate>(this))
{
    model_->setDelegate(modelDelegate_);
    resize(kWidth, 680);
    setUPUI();
    setUPData();
}

KXPersonalCenterView::~KXPersonalCenterView() = default;

const Id& KXPersonalCenterView::dic() const
{
    return model_->dic();
}

foundation::Ref<foundation::MutableArray> KXPersonalCenterView::collectionArray() const
{
    return model_->collectionArray();
}

void KXPersonalCenterView::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(rect(), Qt::white);
    KXBaseView::paintEvent(event);
}

void KXPersonalCenterView::setUPUI()
{
    // Everything but the pages laid over it scrolls, on a window shorter than the page. The
    // content keeps the page's full width: the thin bar lies over its right margin.
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setWidgetResizable(true);
    content_ = new QWidget;
    scrollArea_->setWidget(content_);
    // The area sizes the content, outside the window's constraints: each new size is laid out.
    content_->installEventFilter(this);
    // The page paints its white under the content in both palettes.
    content_->setAutoFillBackground(false);
    scrollArea_->viewport()->setAutoFillBackground(false);
    lc_makeConstraints(lcView(scrollArea_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    kx_styleThinScrollBar(scrollBar_, kScrollBarWidth, QColor(200, 200, 200));
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    scrollBar_->hide();
    lc_makeConstraints(lcView(scrollBar_), [](LCConstraintMaker& make) {
        make.top().right().bottom().equalTo(0);
        make.width().equalTo(kScrollBarWidth);
    });
    QScrollBar* inner = scrollArea_->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, scrollBar_, [this, inner](int minimum, int maximum) {
        scrollBar_->setRange(minimum, maximum);
        scrollBar_->setPageStep(inner->pageStep());
        scrollBar_->setVisible(maximum > minimum);
    });
    connect(inner, &QScrollBar::valueChanged, scrollBar_, &QScrollBar::setValue);
    connect(scrollBar_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);

    // The body first, so that the header lies above it.
    body_ = new QWidget(content_);
    lc_makeConstraints(lcView(body_), [](LCConstraintMaker& make) {
        make.top().bottom().centerX().equalTo(0);
        make.left().right().equalTo(0).priorityHigh();
        make.width().lessThanOrEqualTo(kxpage::kMaxColumnWidth);
    });
    QWidget* page = body_;
    header_ = new KXFilledView(content_, kHeaderColor);
    lc_makeConstraints(lcView(header_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(140);
    });
    backBtn_ = kxaccount::makeLinkButton(header_, QStringLiteral("‹ 返回"), Qt::white, [this](KXBaseButton*) { bcakBtnClick(); }, 13);
    logoutBtn_ = kxaccount::makeLinkButton(header_, QStringLiteral("退出登录"), Qt::white, [this](KXBaseButton*) { offClick(); }, 13);
    settingBtn_ = kxaccount::makeLinkButton(header_, QStringLiteral("账号设置"), QColor(220, 220, 220), [this](KXBaseButton*) { settingBtnClick(); });
    avatarImg_ = new ImageView(header_);
    avatarImg_->setCornerRadius(30);
    avatarImg_->setImageScaling(ImageScaling::AxesIndependently);
    avatarImg_->setImage(KXImage::imageNamed("avatarLight"));
    nickName_ = kxaccount::makeLabel(header_, QString(), 15, Qt::white, true);
    vipButton_ = new KXFillButton(header_, QStringLiteral("VIP"), QColor(215, 178, 127), Qt::white, 8, [this](KXBaseButton*) { vipBtnClick(); });
    vipButton_->setNormalFont(kxaccount::systemFont(11, true));
    vipButton_->setNormalColor(Qt::white);
    vipButton_->setKXBaseButtonAlignment(2);
    vipButton_->hide();

    lc_makeConstraints(lcView(backBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(12);
        make.top().equalTo(10);
        make.height().equalTo(22);
    });
    lc_makeConstraints(lcView(logoutBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-12);
        make.top().equalTo(10);
        make.height().equalTo(22);
    });
    lc_makeConstraints(lcView(avatarImg_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(24);
        make.width().height().equalTo(60);
    });
    QWidget* avatar = avatarImg_;
    lc_makeConstraints(lcView(nickName_), [avatar](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(avatar))).offset(8);
    });
    QWidget* name = nickName_;
    lc_makeConstraints(lcView(vipButton_), [name](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(name))).offset(6);
        make.centerY().equalTo(lcView(name));
        make.width().equalTo(32);
        make.height().equalTo(16);
    });
    lc_makeConstraints(lcView(settingBtn_), [name](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(lc_bottom(lcView(name))).offset(4);
        make.height().equalTo(20);
    });

    // The counters, in a grey rounded band.
    tagsBg_ = new KXFilledView(page, QColor(250, 250, 250), 4, QColor(230, 230, 230));
    lc_makeConstraints(lcView(tagsBg_), [](LCConstraintMaker& make) {
        make.left().equalTo(15);
        make.right().equalTo(-15);
        make.top().equalTo(152);
        make.height().equalTo(60);
    });
    QWidget* captions[3] = {};
    useDNum_ = addCounter(tagsBg_, QStringLiteral("已用字体"), 0, captions[0]);
    groupsNum_ = addCounter(tagsBg_, QStringLiteral("收藏分组"), 1, captions[1]);
    collectedNum_ = addCounter(tagsBg_, QStringLiteral("关注合集"), 2, captions[2]);

    // The ways out, two by two, each column half the body less the margins and the gap.
    const auto entry = [page](const QString& title, bool right, double top, KXBaseButton::Action action) {
        auto* button = new KXFillButton(page, title, QColor(247, 247, 247), kxaccount::kText, 4, std::move(action));
        button->setNormalFont(kxaccount::systemFont(13));
        button->setNormalColor(kxaccount::kText);
        button->setKXBaseButtonAlignment(2);
        lc_makeConstraints(lcView(button), [page, right, top](LCConstraintMaker& make) {
            if (right) {
                make.left().equalTo(lc_centerX(lcView(page))).offset(8);
                make.right().equalTo(-15);
            } else {
                make.left().equalTo(15);
                make.right().equalTo(lc_centerX(lcView(page))).offset(-8);
            }
            make.top().equalTo(top);
            make.height().equalTo(38);
        });
        return button;
    };
    orderButton_ = entry(QStringLiteral("我的订单"), false, 224, [this](KXBaseButton*) { myOriderClick(); });
    infoButton_ = entry(QStringLiteral("个人资料"), true, 224, [this](KXBaseButton*) { settingClick(); });
    favouritesButton_ = entry(QStringLiteral("收藏的字体"), false, 270, [this](KXBaseButton*) { fontManagerClick(); });
    followsButton_ = entry(QStringLiteral("关注的合集"), true, 270, [this](KXBaseButton*) { myfocusBtnClick(); });
    vipButton_->setToolTip(QString());

    orderNumLabel_ = new BadgeLabel(page);
    QWidget* orders = orderButton_;
    lc_makeConstraints(lcView(orderNumLabel_), [orders](LCConstraintMaker& make) {
        make.right().equalTo(lc_right(lcView(orders))).offset(-8);
        make.centerY().equalTo(lcView(orders));
        make.height().equalTo(24);
    });
    orderNumLabel_->hide();

    // The published collections: the count, the way to all of them, the first one.
    collectionScorllView_ = new QWidget(page);
    lc_makeConstraints(lcView(collectionScorllView_), [](LCConstraintMaker& make) {
        make.left().equalTo(15);
        make.right().equalTo(-15);
    });
    scrollTop_ = lc_makeConstraints(lcView(collectionScorllView_), [](LCConstraintMaker& make) { make.top().equalTo(kPublishedTop); }).front();
    scrollHeigh_ = lc_makeConstraints(lcView(collectionScorllView_), [](LCConstraintMaker& make) {
        make.height().equalTo(kPublishedHeight);
    }).front();
    collectionNumLabel_ = kxaccount::makeLabel(collectionScorllView_, QString(), 13, kxaccount::kText, true);
    moreBtn_ = kxaccount::makeLinkButton(collectionScorllView_, QStringLiteral("更多 ›"), kxaccount::kAccent, [this](KXBaseButton*) { moreBtnClick(); });
    collectionTableview_ = new QTableWidget(0, 1, collectionScorllView_);
    collectionTableview_->horizontalHeader()->hide();
    collectionTableview_->verticalHeader()->hide();
    collectionTableview_->horizontalHeader()->setStretchLastSection(true);
    collectionTableview_->verticalHeader()->setDefaultSectionSize(kTableRowHeight);
    collectionTableview_->setShowGrid(false);
    collectionTableview_->setFrameShape(QFrame::NoFrame);
    collectionTableview_->setSelectionMode(QAbstractItemView::SingleSelection);
    collectionTableview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    collectionTableview_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    collectionTableview_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(collectionTableview_, &QTableWidget::cellClicked, this, [this](int row, int) { tableviewcellclick(row); });
    lc_makeConstraints(lcView(collectionNumLabel_), [](LCConstraintMaker& make) {
        make.left().top().equalTo(0);
    });
    lc_makeConstraints(lcView(moreBtn_), [](LCConstraintMaker& make) {
        make.right().top().equalTo(0);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(collectionTableview_), [](LCConstraintMaker& make) {
        make.left().right().bottom().equalTo(0);
        make.height().equalTo(kTableRowHeight);
    });
    collectionScorllView_->hide();

    versionLabel_ = kxaccount::makeLabel(page, QString::fromStdString(KXPersonalCenterModel::versionText()), 11, kxaccount::kMutedText);
    lc_makeConstraints(lcView(versionLabel_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.bottom().equalTo(-kVersionMargin);
    });
    fitContentHeight();

    // Buttons the page styles and nothing leads to: kept out of sight.
    const auto styledOnly = [this](const QString& title) {
        KXBaseButton* button = new KXFillButton(this, title, Qt::white, kxaccount::kText, 0, {});
        button->hide();
        return button;
    };
    authorizationBtn_ = styledOnly(QStringLiteral("授权管理"));
    fontCacheBtn_ = styledOnly(QStringLiteral("字体缓存"));
    feedBackBtn_ = styledOnly(QStringLiteral("意见反馈"));
    fontFormat_ = styledOnly(QStringLiteral("字体格式"));
    changePwd_ = styledOnly(QStringLiteral("修改密码"));
    upLoadBtn_ = styledOnly(QStringLiteral("上传字体"));
    aboutBtn_ = styledOnly(QStringLiteral("关于我们"));
    helpBtn_ = styledOnly(QStringLiteral("帮助中心"));
    clearLastButton_ = styledOnly(QStringLiteral("清除记录"));
}

bool KXPersonalCenterView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content_ && event->type() == QEvent::Resize)
        lcView(content_).setNeedsLayout();
    return KXBaseView::eventFilter(watched, event);
}

void KXPersonalCenterView::fitContentHeight()
{
    // The version line keeps its margin below the lowest piece shown; a shorter window scrolls.
    const int lowest = collectionScorllView_->isHidden() ? kEntriesBottom : kPublishedTop + kPublishedHeight;
    content_->setMinimumHeight(lowest + 2 * kVersionMargin + versionLabel_->sizeHint().height());
}

void KXPersonalCenterView::setUPData()
{
    model_->setUPData();
}

void KXPersonalCenterView::setUPDataWithDic(const Id& user)
{
    model_->setUPDataWithDic(user);
}

void KXPersonalCenterView::showUser(const Id& user)
{
    nickName_->setText(QString::fromStdString(user["uname"].stringValue()));
    const Id head = user["head"];
    if (!head.isNil() && !head.isNull())
        il_setImageWithURL(avatarImg_, foundation::URL::URLWithString(head.stringValue()), il_imageFromKXImage(KXImage::imageNamed("avatarLight")));
    if (KXPersonalCenterModel::isVip()) {
        vipButton_->show();
        vipButton_->setToolTip(QStringLiteral("查看VIP特权"));
        vipButton_->setToolTipTitle(QStringLiteral("查看VIP特权"));
    }
}

void KXPersonalCenterView::showCounts(const std::optional<std::string>& used, const std::optional<std::string>& groups,
                                      const std::optional<std::string>& collections)
{
    const std::pair<QLabel*, const std::optional<std::string>*> counters[] = {{useDNum_, &used}, {groupsNum_, &groups}, {collectedNum_, &collections}};
    for (const auto& [label, figure] : counters)
        if (figure->has_value())
            label->setText(QString::fromStdString(**figure));
}

void KXPersonalCenterView::showPublished(const foundation::Ref<foundation::Array>& published, bool anyFolders)
{
    if (!anyFolders || !published || published->count() == 0) {
        collectionScorllView_->hide();
        if (anyFolders)
            moreBtn_->hide();
        fitContentHeight();
        return;
    }
    collectionNumLabel_->setText(QString::fromStdString(KXPersonalCenterModel::publishedCountText(published->count())));
    collectionTableview_->setRowCount(1);
    const Id first = Id(published)[0];
    QWidget* card = KXPersonalCenterPages::make(KXPersonalCenterPages::Page::CollectionCard, first);
    if (!card)
        card = new CollectionCard(first, nullptr);
    // Clicks go to the table, which opens the detail.
    card->setAttribute(Qt::WA_TransparentForMouseEvents);
    collectionTableview_->setCellWidget(0, 0, card);
    collectionScorllView_->show();
    fitContentHeight();
}

void KXPersonalCenterView::showOrderBadge(const std::optional<std::string>& text)
{
    orderNumLabel_->setText(QString::fromStdString(text.value_or(std::string())));
    orderNumLabel_->updateGeometry();
    orderNumLabel_->setVisible(text.has_value());
}

void KXPersonalCenterView::layOver(QWidget* page)
{
    if (!page)
        return;
    page->setParent(this);
    lc_makeConstraints(lcView(page), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    page->show();
    page->raise();
}

void KXPersonalCenterView::myOriderClick()
{
    model_->myOriderClick();
}

void KXPersonalCenterView::settingBtnClick()
{
    model_->settingBtnClick();
}

void KXPersonalCenterView::settingClick()
{
    model_->settingClick();
}

void KXPersonalCenterView::moreBtnClick()
{
    layOver(KXPersonalCenterPages::make(KXPersonalCenterPages::Page::Publish, Id(model_->collectionArray())));
}

void KXPersonalCenterView::offClick()
{
    layOver(KXPersonalCenterPages::make(KXPersonalCenterPages::Page::Quit));
}

void KXPersonalCenterView::myfocusBtnClick()
{
    layOver(KXPersonalCenterPages::make(KXPersonalCenterPages::Page::FollowedCollections));
}

void KXPersonalCenterView::fontManagerClick()
{
    layOver(KXPersonalCenterPages::make(KXPersonalCenterPages::Page::FavouriteFolders));
}

void KXPersonalCenterView::vipBtnClick()
{
    layOver(new KXVipAlertView());
}

void KXPersonalCenterView::bcakBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXPersonalCenterView::tableviewcellclick(int row)
{
    const Id folder = Id(model_->collectionArray())[row];
    if (!folder.dictionary() || !KXPersonalCenterModel::opensDetail(folder))
        return;
    layOver(KXPersonalCenterPages::make(KXPersonalCenterPages::Page::CollectionDetail, folder));
}
