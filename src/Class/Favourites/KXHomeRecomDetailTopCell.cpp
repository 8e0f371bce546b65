#include "Class/Favourites/KXHomeRecomDetailTopCell.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Favourites/Core/KXCollectionHeaderLayout.h"
#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Storage/UserDefaults.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>

#include <algorithm>

using foundation::Id;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

namespace {

constexpr int kCoverHeight = 200;
const QColor kDescriptionColor(72, 72, 72);
// The follow request's tag, whose read-back is the followed list.
constexpr std::string_view kFollowTag = "138";

} // namespace

// The description, drawn from the document the row height is measured with.
class KXHomeRecomDetailTopCell::Description final : public QWidget {
public:
    Description(QWidget* parent, QTextDocument* document)
        : QWidget(parent)
        , document_(document)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, kDescriptionColor);
        document_->documentLayout()->draw(&painter, context);
    }

private:
    QTextDocument* document_;
};

KXHomeRecomDetailTopCell::KXHomeRecomDetailTopCell(QWidget* parent)
    : QWidget(parent)
{
    setUPUI();
    // A follow or unfollow made elsewhere (the side table's menu) shows here as well.
    attentionChanges_ = dispatch::NotificationCenter::defaultCenter().addObserver(kAttentionNotification, Id(), nullptr,
        [cell = QPointer<KXHomeRecomDetailTopCell>(this)](const dispatch::Notification& n) {
            if (cell)
                cell->attentionChanged(n);
        });
    // A sign-out decides whose collection it is no longer; a sign-in that has passed the
    // agreement completes a waiting click (a user still to agree is nobody's account yet).
    sessionChanges_ = dispatch::NotificationCenter::defaultCenter().addObserver(KXSignInEvents::kNotification, Id(),
        nullptr, [cell = QPointer<KXHomeRecomDetailTopCell>(this)](const dispatch::Notification& n) {
            if (cell)
                cell->receiveNotification(n);
        });
    followsStored_ = dispatch::NotificationCenter::defaultCenter().addObserver(KXFolderSession::kFollowsStored, Id(),
        nullptr, [cell = QPointer<KXHomeRecomDetailTopCell>(this)](const dispatch::Notification&) {
            if (cell)
                cell->followsStored();
        });
    signedIns_ = dispatch::NotificationCenter::defaultCenter().addObserver(KXAccountState::kSignedInNotification, Id(),
        nullptr, [cell = QPointer<KXHomeRecomDetailTopCell>(this)](const dispatch::Notification& n) {
            if (cell)
                cell->signedIn(Id(n.userInfo)["user"]);
        });
}

KXHomeRecomDetailTopCell::~KXHomeRecomDetailTopCell() = default;

void KXHomeRecomDetailTopCell::setUPUI()
{
    contentImg_ = new ImageView(this);
    contentImg_->setImageScaling(ImageScaling::ProportionallyFilling);
    contentImg_->setBackgroundColor(QColor(243, 243, 243));
    avatarImg_ = new ImageView(this);
    avatarImg_->setImageScaling(ImageScaling::AxesIndependently);
    avatarImg_->setCornerRadius(13);
    avatarImg_->setBackgroundColor(QColor(230, 230, 230));
    titleLabel_ = style::label(QString(), 17, QColor(34, 34, 34), this);
    authorNameLabel_ = style::label(QString(), 13, QColor(102, 102, 102), this);
    groupDetailLabel_ = style::label(QString(), 12, QColor(153, 153, 153), this);
    timeLabel_ = style::label(QString(), 12, QColor(153, 153, 153), this);
    detailContent_ = new QTextDocument(this);
    detailContentLabel_ = new Description(this, detailContent_);
    attentionBtn_ = new KXBaseButton(this);
    attentionBtn_->setButtonType(KXBaseButton::ButtonType::CheckBox);
    attentionBtn_->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
    attentionBtn_->setImage(KXImage::imageNamed("collectionFollow"));
    attentionBtn_->setAlternateImage(KXImage::imageNamed("collectionFollowed"));
    attentionBtn_->setAction([this](KXBaseButton*) { attentionBtnClick(); });

    lc_makeConstraints(lcView(contentImg_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(kCoverHeight);
    });
    lc_makeConstraints(lcView(titleLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(15);
        make.right().equalTo(-15);
        make.top().equalTo(kCoverHeight + 14);
        make.height().equalTo(26);
    });
    lc_makeConstraints(lcView(avatarImg_), [](LCConstraintMaker& make) {
        make.left().equalTo(15);
        make.top().equalTo(kCoverHeight + 52);
        make.width().height().equalTo(26);
    });
    lc_makeConstraints(lcView(authorNameLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(49);
        make.right().equalTo(-95);
        make.top().equalTo(kCoverHeight + 52);
        make.height().equalTo(26);
    });
    lc_makeConstraints(lcView(attentionBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-15);
        make.top().equalTo(kCoverHeight + 52);
        make.width().equalTo(72);
        make.height().equalTo(26);
    });
    lc_makeConstraints(lcView(groupDetailLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(15);
        make.right().equalTo(-15);
        make.top().equalTo(kCoverHeight + 94);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(timeLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(15);
        make.right().equalTo(-15);
        make.top().equalTo(kCoverHeight + 118);
        make.height().equalTo(20);
    });
}

void KXHomeRecomDetailTopCell::paintEvent(QPaintEvent*)
{
    // White, framed in black at alpha 0.1.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(0, 0, 0, 26));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void KXHomeRecomDetailTopCell::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The description wraps across the header's content, as wide as the title line; the page
    // measures the row for the same width.
    const int descriptionWidth = KXCollectionHeaderLayout::descriptionWidth(width());
    detailContent_->setTextWidth(descriptionWidth);
    const int top = KXCollectionHeaderLayout::kFixedHeight - 20;
    detailContentLabel_->setGeometry(KXCollectionHeaderLayout::kMargin, top, descriptionWidth, std::max(height() - top - 10, 0));
    detailContentLabel_->update();
}

void KXHomeRecomDetailTopCell::setDataDic(const Id& record)
{
    dataDic_ = record;
    if (!record.dictionary())
        return;
    il_setImageWithURL(contentImg_, foundation::URL::URLWithString(record["img"].stringValue()));
    // The user's own folders come without their author: the signed-in user is.
    const bool ownFolder = record["user_name"].isNil() && record["user_id"].isNil();
    const Id user = ownFolder ? Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo()) : Id();
    const Id head = ownFolder ? user["head"] : record["user_head"];
    il_setImageWithURL(avatarImg_, foundation::URL::URLWithString(head.isNil() ? std::string() : head.stringValue()));
    titleLabel_->setText(KXFavouritesTexts::plain(record["collect_name"]));
    authorNameLabel_->setText(KXFavouritesTexts::plain(ownFolder ? user["uname"] : record["user_name"]));
    timeLabel_->setText(KXFavouritesTexts::date(record["add_time"]));
    KXCollectionHeaderLayout::describe(*detailContent_, KXFavouritesTexts::plain(record["collect_desc"]), width());
    detailContentLabel_->update();

    // The card a list handed over may be older than the followed list's copy of the record.
    const Id stored = storedFollow(record["id"]);
    follow_.showRecord(!stored.isNil());
    if (!stored.isNil())
        takeFollowNum(stored["follow_num"]);
    showAttention();
}

Id KXHomeRecomDetailTopCell::storedFollow(const Id& id)
{
    return followIn(KXUserCenterConfig::sharedKXUserCenterConfig().followsArray(), id);
}

Id KXHomeRecomDetailTopCell::followIn(const foundation::Ref<foundation::Array>& follows, const Id& id)
{
    const std::string wanted = id.stringValue();
    if (follows)
        for (const Id& follow : follows->objects())
            if (follow.dictionary() && follow["id"].stringValue() == wanted)
                return follow;
    return {};
}

void KXHomeRecomDetailTopCell::takeFollowNum(const Id& followNum)
{
    if (followNum.isNil() || !dataDic_.dictionary())
        return;
    auto shown = foundation::MutableDictionary::dictionaryWithDictionary(*dataDic_.dictionary());
    shown->setValue(followNum, "follow_num");
    dataDic_ = Id(shown);
}

void KXHomeRecomDetailTopCell::followsStored()
{
    if (!dataDic_.dictionary() || !KXUserCenterConfig::sharedKXUserCenterConfig().islogin())
        return;
    const Id groupID = dataDic_["id"];
    const Id stored = storedFollow(groupID);
    const auto change = follow_.followsStored(!stored.isNil());
    if (!stored.isNil() && follow_.state() == 1 && !follow_.isPending()) {
        // The list's copy counts the follow it shows.
        follow_.recordStored();
        takeFollowNum(stored["follow_num"]);
    } else if (change.changed) {
        readFollowers();
    }
    showAttention();
    // The change was made after all: every page and side table shows it.
    if (change.applied)
        postAttentionChange(groupID, follow_.state());
}

bool KXHomeRecomDetailTopCell::holdsCollection(const foundation::Ref<foundation::Array>& follows, const Id& id)
{
    return !followIn(follows, id).isNil();
}

void KXHomeRecomDetailTopCell::setFrom(const QString& from)
{
    hasOrigin_ = !from.isEmpty();
    showAttention();
}

Id KXHomeRecomDetailTopCell::signedInUserID()
{
    // Signed out, no collection is one's own: a "userID" still in settings written by an older
    // client, whose sign-out left it, is a former account's.
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    if (!session.islogin())
        return {};
    const Id user = Id(session.userinfo())["uid"];
    if (!user.isNil())
        return user;
    return foundation::UserDefaults::standardUserDefaults().objectForKey("userID");
}

bool KXHomeRecomDetailTopCell::isOwnCollection(const Id& user) const
{
    const Id owner = dataDic_["user_id"];
    return !owner.isNil() && !user.isNil() && owner.integerValue() == user.integerValue();
}

void KXHomeRecomDetailTopCell::showAttention()
{
    showAttention(signedInUserID());
}

void KXHomeRecomDetailTopCell::showAttention(const Id& user)
{
    attentionBtn_->setVisible(!hasOrigin_ && !isOwnCollection(user));
    attentionBtn_->setState(follow_.state());
    attentionBtn_->setEnabled(!follow_.isPending());
    if (dataDic_.dictionary())
        groupDetailLabel_->setText(KXFavouritesTexts::collectionFacts(dataDic_, follow_.countShift()));
}

void KXHomeRecomDetailTopCell::attentionBtnClick()
{
    // The button has flipped itself; the model decides.
    switch (follow_.click(KXUserCenterConfig::sharedKXUserCenterConfig().islogin())) {
    case KXCollectionFollow::Click::Refused:
        showAttention();
        return;
    case KXCollectionFollow::Click::Send:
        showAttention();
        attentionHttpRequest();
        return;
    case KXCollectionFollow::Click::AwaitSignIn:
        break;
    }
    showAttention();
    if (const auto delegate = delegate_.lock())
        delegate->loginClick();
}

void KXHomeRecomDetailTopCell::receiveNotification(const dispatch::Notification& notification)
{
    if (!notification.userInfo)
        return;
    if (notification.userInfo->containsKey("loginOut"))
        showAttention();
}

void KXHomeRecomDetailTopCell::signedIn(const Id& account)
{
    // The account that signed in is the post's: the session may not hold it yet.
    const Id user = account["uid"];
    const bool send = follow_.signedIn(isOwnCollection(user));
    showAttention(user);
    if (send)
        attentionHttpRequest();
}

void KXHomeRecomDetailTopCell::readFollowers()
{
    const unsigned long long read = follow_.read();
    KXHTTPBUSINESS().getRecommendDataByID(
        dataDic_["id"], Id("0"),
        [cell = QPointer<KXHomeRecomDetailTopCell>(this), read](const Id& reply) {
            if (cell && !reply["errcode"].isNil() && reply["errcode"].integerValue() == 0)
                cell->showRecordRead(read, reply["corvane_data"]);
        },
        nullptr);
}

void KXHomeRecomDetailTopCell::showRecordRead(unsigned long long ticket, const Id& record)
{
    if (!record.dictionary() || record["follow_num"].isNil() || !dataDic_.dictionary()
        || (!record["id"].isNil() && record["id"].stringValue() != dataDic_["id"].stringValue())
        || !follow_.recordRead(ticket))
        return;
    takeFollowNum(record["follow_num"]);
    showAttention();
}

void KXHomeRecomDetailTopCell::readBackFollow()
{
    const unsigned long long read = follow_.read();
    const Id groupID = dataDic_["id"];
    // The facade has already asked for the followed list after the failure: this joins that read.
    KXAccountWrites::readBack(kFollowTag,
        [cell = QPointer<KXHomeRecomDetailTopCell>(this), read, groupID](const KXAccountWrites::Result& result) {
            if (!result.ok || !result.reply.array() || !cell || !cell->dataDic_.dictionary()
                || cell->dataDic_["id"].stringValue() != groupID.stringValue())
                return;
            const bool followed = holdsCollection(result.reply.array(), groupID);
            const bool applied = cell->follow_.followsRead(read, followed);
            cell->showAttention();
            // The change was made after all: every page and side table shows it.
            if (applied)
                postAttentionChange(groupID, followed ? 1 : 0);
        });
    readFollowers();
}

void KXHomeRecomDetailTopCell::postAttentionChange(const Id& groupID, long long state)
{
    dispatch::NotificationCenter::defaultCenter().post(kAttentionNotification, Id(),
        foundation::Dictionary::create({ { Id("groupID"), groupID },
            { Id("groupState"), Id(foundation::String::create(std::to_string(state))) } }));
}

void KXHomeRecomDetailTopCell::attentionChanged(const dispatch::Notification& notification)
{
    const Id change(notification.userInfo);
    if (!dataDic_.dictionary() || change["groupID"].isNil() || change["groupID"].stringValue() != dataDic_["id"].stringValue())
        return;
    // While this header's own request runs, its answer decides.
    follow_.changedElsewhere(change["groupState"].integerValue() != 0 ? 1 : 0);
    showAttention();
}

void KXHomeRecomDetailTopCell::attentionHttpRequest()
{
    if (follow_.isPending() || !dataDic_.dictionary())
        return;
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(
        foundation::String::create("添加/取消收藏错误"));
    const Id groupID = dataDic_["id"];
    const int state = follow_.begin();
    showAttention();
    using Answer = KXCollectionFollow::Answer;
    const auto finished = [cell = QPointer<KXHomeRecomDetailTopCell>(this)](Answer answer) {
        if (!cell)
            return;
        const auto then = cell->follow_.finished(answer);
        cell->showAttention();
        if (then == KXCollectionFollow::Then::ReadRecord)
            cell->readFollowers();
        else if (then == KXCollectionFollow::Then::ReadBack)
            cell->readBackFollow();
    };
    KXHTTPBUSINESS().isAttentionGroup(
        groupID, Id(foundation::String::create(std::to_string(state))),
        [finished, groupID, state](const Id& reply) {
            const bool accepted = !reply["errcode"].isNil() && reply["errcode"].integerValue() == 0;
            finished(accepted ? Answer::Accepted : Answer::Refused);
            if (!accepted)
                return;
            postAttentionChange(groupID, state);
        },
        [finished](const foundation::Ref<foundation::Error>& error) {
            // No reply: the service may have applied it.
            finished(KXRequestAccount::isEnded(error) ? Answer::Ended : Answer::Failed);
        });
}
