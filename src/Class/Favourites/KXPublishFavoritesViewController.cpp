#include "Class/Favourites/KXPublishFavoritesViewController.h"

#include "Class/Account/Core/KXPersonalCenterModel.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/Favourites/Core/KXFolderWriteOutcome.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXPublishFavoriteItem.h"
#include "Class/Favourites/KXPublishNoCollectionView.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/Theme/ToastPresenter.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Graphics/FullDecodeGate.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <algorithm>

using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;
namespace style = favouritesstyle;

namespace {

constexpr int kItemSpacing = 20;
constexpr int kItemPitch = KXPublishFavoriteItem::kWidth + kItemSpacing;
constexpr int kFieldLeft = 110;
constexpr int kRowsTop = 330;
constexpr int kRowPitch = 44;
const QColor kFieldText(68, 68, 68);
const QColor kProblemText(238, 84, 84);

ImageView* warningImage(QWidget* parent)
{
    auto* image = new ImageView(parent);
    image->setImage(KXImage::imageNamed("publishWarning"));
    image->hide();
    return image;
}

void showWarning(ImageView* image, bool accepted, const QString& reason)
{
    image->setVisible(!accepted);
    image->setToolTip(accepted ? QString() : reason);
}

} // namespace

// The form as the delegate of its items; forwards to the form while it lives.
class KXPublishFavoritesViewController::Items final : public KXPublishFavoriteItemDelegate {
public:
    explicit Items(KXPublishFavoritesViewController* form)
        : form_(form)
    {
    }
    void favoriteItemDidSelect(KXPublishFavoriteItem* item) override
    {
        if (form_)
            form_->chooseItem(item);
    }

private:
    QPointer<KXPublishFavoritesViewController> form_;
};

KXPublishFavoritesViewController::KXPublishFavoritesViewController(QWidget* parent)
    : QWidget(parent)
    , groups_(foundation::Array::create())
    , itemsDelegate_(std::make_shared<Items>(this))
{
    // viewDidLoad
    setUPUI();
    // Every list of folders the session stores shows here, as in the folder dialogs: a read back
    // after a lost write (this form's own publication among them) changes what can be offered.
    foldersStored_ = dispatch::NotificationCenter::defaultCenter().addObserver(KXFolderSession::kFoldersStored, Id(),
        nullptr, [form = QPointer<KXPublishFavoritesViewController>(this)](const dispatch::Notification&) {
            if (form)
                form->setGroups(KXFolderSession::folders());
        });
    setUpData();
}

KXPublishFavoritesViewController::~KXPublishFavoritesViewController() = default;

void KXPublishFavoritesViewController::setUPUI()
{
    fontliststyle::fill(*this, Qt::white);
    headView_ = new style::Panel(this, QColor(252, 252, 252));
    auto* title = style::label(QStringLiteral("公开收藏夹"), 16, QColor(34, 34, 34), headView_);
    auto* hint = style::label(QStringLiteral("选择一个收藏夹，填写合集信息，审核通过后即可公开"), 12,
        QColor(153, 153, 153), headView_);

    leftScrollBtn_ = style::textButton(QStringLiteral("‹"), QColor(102, 102, 102), this);
    leftScrollBtn_->setAction([this](KXBaseButton*) { leftScrollBtnClick(); });
    leftScrollBtn_->setEnabled(false);
    rightScrollBtn_ = style::textButton(QStringLiteral("›"), QColor(102, 102, 102), this);
    rightScrollBtn_->setAction([this](KXBaseButton*) { rightScrollBtnClick(); });
    collectionView_ = new QScrollArea(this);
    collectionView_->setFrameShape(QFrame::NoFrame);
    collectionView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    collectionView_->setWidgetResizable(false);
    itemsRow_ = new QWidget;
    fontliststyle::fill(*itemsRow_, Qt::white);
    fontliststyle::fill(*collectionView_->viewport(), Qt::white);
    collectionView_->setWidget(itemsRow_);
    connect(collectionView_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        layOutItems();
        updateScrollButtons();
    });
    connect(collectionView_->horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        layOutItems();
        updateScrollButtons();
    });
    noCollectionView_ = new KXPublishNoCollectionView(this);
    noCollectionView_->hide();

    const auto caption = [this](const QString& text, int row) {
        auto* label = style::label(text, 13, kFieldText, this);
        lc_makeConstraints(lcView(label), [row](LCConstraintMaker& make) {
            make.left().equalTo(30);
            make.top().equalTo(kRowsTop + row * kRowPitch);
            make.width().equalTo(kFieldLeft - 40);
            make.height().equalTo(30);
        });
    };
    const auto field = [](QWidget* widget, ImageView* warning, int row, int width) {
        lc_makeConstraints(lcView(widget), [row, width](LCConstraintMaker& make) {
            make.left().equalTo(kFieldLeft);
            make.top().equalTo(kRowsTop + row * kRowPitch);
            make.width().equalTo(width);
            make.height().equalTo(30);
        });
        lc_makeConstraints(lcView(warning), [widget](LCConstraintMaker& make) {
            make.left().equalTo(lc_right(lcView(widget))).offset(8);
            make.centerY().equalTo(lcView(widget));
            make.width().height().equalTo(16);
        });
    };

    caption(QStringLiteral("合集名称"), 0);
    collectionTitleLabel_ = new QLineEdit(this);
    collectionTitleLabel_->setPlaceholderText(QStringLiteral("不超过三十个字符"));
    titleWarningImg_ = warningImage(this);
    field(collectionTitleLabel_, titleWarningImg_, 0, 300);

    caption(QStringLiteral("访问权限"), 1);
    authBtn_ = new QComboBox(this);
    authBtn_->addItems({ QStringLiteral("公开"), QStringLiteral("密码访问") });
    connect(authBtn_, &QComboBox::currentIndexChanged, this, [this] { authChanged(); });
    pwdLabel_ = new QLineEdit(this);
    pwdLabel_->setEchoMode(QLineEdit::Password);
    pwdLabel_->setPlaceholderText(QStringLiteral("访问密码"));
    pwdWarningImg_ = warningImage(this);
    lc_makeConstraints(lcView(authBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(kFieldLeft);
        make.top().equalTo(kRowsTop + kRowPitch);
        make.width().equalTo(110);
        make.height().equalTo(30);
    });
    lc_makeConstraints(lcView(pwdLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(kFieldLeft + 120);
        make.top().equalTo(kRowsTop + kRowPitch);
        make.width().equalTo(180);
        make.height().equalTo(30);
    });
    lc_makeConstraints(lcView(pwdWarningImg_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(pwdLabel_))).offset(8);
        make.centerY().equalTo(lcView(pwdLabel_));
        make.width().height().equalTo(16);
    });

    caption(QStringLiteral("话题"), 2);
    topicBtn_ = new QComboBox(this);
    topicBtn_->addItems(KXPublishForm::topics());
    topicWarningImg_ = warningImage(this);
    field(topicBtn_, topicWarningImg_, 2, 160);
    topicLabel_
        = style::label(QStringLiteral("合适的话题让更多人发现你的合集"), 12, QColor(153, 153, 153), this);
    lc_makeConstraints(lcView(topicLabel_), [](LCConstraintMaker& make) {
        make.left().equalTo(kFieldLeft + 196);
        make.top().equalTo(kRowsTop + 2 * kRowPitch);
        make.right().equalTo(-20);
        make.height().equalTo(30);
    });

    caption(QStringLiteral("简介"), 3);
    summaryTextView_ = new QPlainTextEdit(this);
    summaryTextView_->setPlaceholderText(QStringLiteral("介绍一下这个合集（不超过200字）"));
    // A summary has no use for tab characters: Tab leaves the box, as it leaves every other field.
    summaryTextView_->setTabChangesFocus(true);
    summaryTextView_->installEventFilter(this);
    // The style's frame is one aliased line on the box's very edge, which a fractional scale (1.25,
    // 1.75) can put just outside the box's device pixels, so that side is lost; a style sheet's
    // border is filled inside the box and shows at every scale, in the frame's grey.
    summaryTextView_->setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid rgb(197, 197, 197); }"));
    summaryWarningImg_ = warningImage(this);
    lc_makeConstraints(lcView(summaryTextView_), [](LCConstraintMaker& make) {
        make.left().equalTo(kFieldLeft);
        make.top().equalTo(kRowsTop + 3 * kRowPitch);
        make.width().equalTo(300);
        make.height().equalTo(70);
    });
    lc_makeConstraints(lcView(summaryWarningImg_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(summaryTextView_))).offset(8);
        make.top().equalTo(lcView(summaryTextView_)).offset(6);
        make.width().height().equalTo(16);
    });

    auto* coverCaption = style::label(QStringLiteral("封面"), 13, kFieldText, this);
    uploadImageview_ = new ImageView(this);
    uploadImageview_->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    uploadImageview_->setBackgroundColor(QColor(248, 248, 248));
    uploadImageview_->setBorderWidth(1);
    uploadImageview_->setBorderColor(QColor(220, 220, 220));
    uploadImageview_->setImage(KXImage::imageNamed("publishUpload"));
    auto* upload = style::textButton(QString(), kFieldText, uploadImageview_);
    upload->setToolTip(QStringLiteral("上传封面（PNG或JPG，不超过2M）"));
    upload->setAction([this](KXBaseButton*) { uploadImageClick(); });
    coverWarningImg_ = warningImage(this);
    lc_makeConstraints(lcView(coverCaption), [](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(kRowsTop + 3 * kRowPitch + 80);
        make.width().equalTo(kFieldLeft - 40);
        make.height().equalTo(30);
    });
    lc_makeConstraints(lcView(uploadImageview_), [](LCConstraintMaker& make) {
        make.left().equalTo(kFieldLeft);
        make.top().equalTo(kRowsTop + 3 * kRowPitch + 80);
        make.width().equalTo(120);
        make.height().equalTo(80);
    });
    lc_makeConstraints(lcView(upload), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    lc_makeConstraints(lcView(coverWarningImg_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(uploadImageview_))).offset(8);
        make.top().equalTo(lcView(uploadImageview_)).offset(6);
        make.width().height().equalTo(16);
    });
    // A refused file is named with its reason in full: a tool tip alone is easily missed.
    coverReasonLabel_ = style::label(QString(), 12, kProblemText, this);
    coverReasonLabel_->setWordWrap(true);
    coverReasonLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    coverReasonLabel_->hide();
    lc_makeConstraints(lcView(coverReasonLabel_), [this](LCConstraintMaker& make) {
        make.left().equalTo(lc_right(lcView(coverWarningImg_))).offset(6);
        make.top().equalTo(lcView(uploadImageview_)).offset(5);
        make.right().equalTo(-30);
        make.height().equalTo(40);
    });

    auto* publishBack = new style::Panel(this, QColor(183, 144, 104), 2);
    publishBtn_ = style::textButton(QStringLiteral("公开"), Qt::white, publishBack);
    publishBtn_->setKXBaseButtonAlignment(Qt::AlignCenter);
    publishBtn_->setAction([this](KXBaseButton*) { publishBtnClick(); });
    connect(collectionTitleLabel_, &QLineEdit::textChanged, this, [this] { recheckMarkedFields(); });
    connect(pwdLabel_, &QLineEdit::textChanged, this, [this] { recheckMarkedFields(); });
    connect(topicBtn_, &QComboBox::currentIndexChanged, this, [this] { recheckMarkedFields(); });
    connect(summaryTextView_, &QPlainTextEdit::textChanged, this, [this] { recheckMarkedFields(); });
    lc_makeConstraints(lcView(publishBack), [](LCConstraintMaker& make) {
        make.right().equalTo(-30);
        make.bottom().equalTo(-20);
        make.width().equalTo(100);
        make.height().equalTo(32);
    });
    lc_makeConstraints(lcView(publishBtn_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });

    lc_makeConstraints(lcView(headView_), [](LCConstraintMaker& make) {
        make.left().top().right().equalTo(0);
        make.height().equalTo(56);
    });
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(8);
        make.height().equalTo(24);
        make.right().equalTo(-30);
    });
    lc_makeConstraints(lcView(hint), [](LCConstraintMaker& make) {
        make.left().equalTo(30);
        make.top().equalTo(32);
        make.height().equalTo(18);
        make.right().equalTo(-30);
    });
    lc_makeConstraints(lcView(leftScrollBtn_), [](LCConstraintMaker& make) {
        make.left().equalTo(4);
        make.top().equalTo(76 + 212 / 2 - 15);
        make.width().height().equalTo(30);
    });
    lc_makeConstraints(lcView(rightScrollBtn_), [](LCConstraintMaker& make) {
        make.right().equalTo(-4);
        make.top().equalTo(76 + 212 / 2 - 15);
        make.width().height().equalTo(30);
    });
    lc_makeConstraints(lcView(collectionView_), [](LCConstraintMaker& make) {
        make.left().equalTo(36);
        make.right().equalTo(-36);
        make.top().equalTo(72);
        make.height().equalTo(KXPublishFavoriteItem::kHeight + 16);
    });
    lc_makeConstraints(lcView(noCollectionView_), [](LCConstraintMaker& make) {
        make.left().equalTo(36);
        make.right().equalTo(-36);
        make.top().equalTo(72);
        make.height().equalTo(KXPublishFavoriteItem::kHeight + 16);
    });
    authChanged();
}

void KXPublishFavoritesViewController::setUpData()
{
    // Signed out there are no folders to ask for (the service would answer with a sign-out).
    if (!KXUserCenterConfig::sharedKXUserCenterConfig().islogin()) {
        setGroups(foundation::Array::create());
        return;
    }
    KXFolderSession::reloadFolders([form = QPointer<KXPublishFavoritesViewController>(this)](
                                       const Ref<foundation::MutableArray>& folders) {
        if (form)
            form->setGroups(folders);
    });
}

void KXPublishFavoritesViewController::setGroups(Ref<foundation::Array> groups)
{
    // The chosen folder stays chosen when it is still listed.
    const Id chosen = chosenFolder();
    const std::string chosenID = chosen.dictionary() ? chosen["id"].stringValue() : std::string();
    groups_ = groups ? std::move(groups) : foundation::Array::create();
    for (auto* item : items_)
        delete item;
    items_.clear();
    firstItem_ = 0;
    offered_.clear();
    chosenIndex_.reset();
    for (const Id& folder : groups_->objects()) {
        if (!KXPublishForm::offers(folder))
            continue;
        if (!chosenIndex_ && !chosenID.empty() && folder["id"].stringValue() == chosenID)
            chosenIndex_ = offered_.size();
        offered_.push_back(folder);
    }
    // The row is as wide as every folder offered; only the folders in view and a screen either side
    // have an item, so a list of thousands of folders costs the items of a few screens.
    itemsRow_->resize(std::max(0, static_cast<int>(offered_.size()) * kItemPitch - kItemSpacing),
        KXPublishFavoriteItem::kHeight);
    layOutItems();
    const bool empty = offered_.empty();
    collectionView_->setVisible(!empty);
    noCollectionView_->setVisible(empty);
    updateScrollButtons();
}

KXPublishFavoriteItem* KXPublishFavoritesViewController::itemAt(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) < firstItem_)
        return nullptr;
    const std::size_t position = static_cast<std::size_t>(index) - firstItem_;
    return position < items_.size() ? items_[position] : nullptr;
}

KXPublishFavoriteItem* KXPublishFavoritesViewController::makeItem(std::size_t index)
{
    auto* item = new KXPublishFavoriteItem(itemsRow_);
    item->setInfo(offered_[index]);
    item->setChosen(chosenIndex_ == index);
    item->setDelegate(itemsDelegate_);
    item->move(static_cast<int>(index) * kItemPitch, 0);
    item->show();
    return item;
}

void KXPublishFavoritesViewController::layOutItems()
{
    // The view's own width until it is laid out: the form's.
    const int screen = std::max(collectionView_->viewport()->width(), width());
    const int left = collectionView_->horizontalScrollBar()->value();
    const std::size_t first = static_cast<std::size_t>(std::max(0, left - screen) / kItemPitch);
    const std::size_t end
        = std::min(offered_.size(), static_cast<std::size_t>((left + 2 * screen) / kItemPitch + 1));
    // Items that left the window go on a later turn: one of them may be handling its own event.
    const auto drop = [](KXPublishFavoriteItem* item) {
        item->hide();
        item->deleteLater();
    };
    while (!items_.empty() && (firstItem_ < first || firstItem_ >= end)) {
        drop(items_.front());
        items_.pop_front();
        ++firstItem_;
    }
    while (!items_.empty() && firstItem_ + items_.size() > end) {
        drop(items_.back());
        items_.pop_back();
    }
    if (items_.empty())
        firstItem_ = first;
    for (; firstItem_ > first; --firstItem_)
        items_.push_front(makeItem(firstItem_ - 1));
    while (firstItem_ + items_.size() < end)
        items_.push_back(makeItem(firstItem_ + items_.size()));
}

Id KXPublishFavoritesViewController::chosenFolder() const
{
    return chosenIndex_ && *chosenIndex_ < offered_.size() ? offered_[*chosenIndex_] : Id();
}

void KXPublishFavoritesViewController::chooseItem(KXPublishFavoriteItem* item)
{
    chosenIndex_.reset();
    for (std::size_t position = 0; position < items_.size(); ++position) {
        items_[position]->setChosen(items_[position] == item);
        if (items_[position] == item)
            chosenIndex_ = firstItem_ + position;
    }
}

void KXPublishFavoritesViewController::updateScrollButtons()
{
    const QScrollBar* bar = collectionView_->horizontalScrollBar();
    const bool shown = !offered_.empty();
    leftScrollBtn_->setVisible(shown);
    rightScrollBtn_->setVisible(shown);
    leftScrollBtn_->setEnabled(bar->value() > bar->minimum());
    rightScrollBtn_->setEnabled(bar->value() < bar->maximum());
}

void KXPublishFavoritesViewController::leftScrollBtnClick()
{
    QScrollBar* bar = collectionView_->horizontalScrollBar();
    bar->setValue(bar->value() - kItemPitch);
}

void KXPublishFavoritesViewController::rightScrollBtnClick()
{
    QScrollBar* bar = collectionView_->horizontalScrollBar();
    bar->setValue(bar->value() + kItemPitch);
}

void KXPublishFavoritesViewController::authChanged()
{
    const bool protectedAccess = authBtn_->currentIndex() == 1;
    pwdLabel_->setEnabled(protectedAccess);
    if (!protectedAccess) {
        pwdLabel_->clear();
        pwdWarningImg_->hide();
    }
}

void KXPublishFavoritesViewController::uploadImageClick()
{
    QFileDialog dialog(this, QString::fromUtf8(kCoverDialogTitle), coverFolder(), QStringLiteral("图片 (*.png *.jpg *.jpeg)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The toolkit's own dialog opens at a size of its own, which a small screen may not have.
    kx_fitDialog(&dialog, this);
    const QString path = coverDialogRunner()(dialog);
    if (path.isEmpty())
        return;
    lastCoverFolder() = QFileInfo(path).absolutePath();
    chooseCover(path);
}

QString KXPublishFavoritesViewController::coverFolder()
{
    if (const QString& last = lastCoverFolder(); !last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

void KXPublishFavoritesViewController::setCoverDialogRunner(CoverDialogRunner runner)
{
    coverDialogRunner() = runner ? std::move(runner) : CoverDialogRunner(runDialog);
}

void KXPublishFavoritesViewController::forgetCoverFolder()
{
    lastCoverFolder().clear();
}

QString KXPublishFavoritesViewController::runDialog(QFileDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

KXPublishFavoritesViewController::CoverDialogRunner& KXPublishFavoritesViewController::coverDialogRunner()
{
    static CoverDialogRunner runner = runDialog;
    return runner;
}

QString& KXPublishFavoritesViewController::lastCoverFolder()
{
    // Where the last cover was picked, for the rest of the session.
    static QString folder;
    return folder;
}

void KXPublishFavoritesViewController::showFieldWarnings(const KXPublishCheck& check, bool onlyMarked)
{
    const auto show = [onlyMarked](ImageView* mark, bool accepted, const QString& reason) {
        if (!onlyMarked || !mark->isHidden())
            showWarning(mark, accepted, reason);
    };
    show(titleWarningImg_, check.nameAccepted, check.nameMessage);
    show(pwdWarningImg_, check.passwordAccepted, QStringLiteral("请输入访问密码"));
    show(topicWarningImg_, check.topicChosen, QStringLiteral("请选择话题"));
    show(summaryWarningImg_, check.summaryAccepted, QStringLiteral("简介不能超过200字"));
}

void KXPublishFavoritesViewController::recheckMarkedFields()
{
    // A mark the publish check set goes as soon as its field passes; a field not marked yet is
    // not judged while the user is still typing. The cover's mark follows its own choice.
    KXPublishInput typed = input();
    typed.coverPath.clear();
    showFieldWarnings(KXPublishForm::check(typed), true);
}

void KXPublishFavoritesViewController::showCoverProblem(const QString& problem)
{
    showWarning(coverWarningImg_, problem.isEmpty(), problem);
    coverReasonLabel_->setText(problem);
    coverReasonLabel_->setVisible(!problem.isEmpty());
}

void KXPublishFavoritesViewController::chooseCover(const QString& path)
{
    const QString problem = KXPublishForm::coverProblem(path);
    showCoverProblem(problem);
    if (!problem.isEmpty()) {
        coverPath_.clear();
        uploadImageview_->setImage(KXImage::imageNamed("publishUpload"));
        return;
    }
    coverPath_ = path;
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    const graphics::FullDecodeGate::Hold place = graphics::holdFullDecode(size.width(), size.height());
    uploadImageview_->setImage(KXImage(reader.read()));
}

KXPublishInput KXPublishFavoritesViewController::input() const
{
    KXPublishInput input;
    input.folder = chosenFolder();
    input.name = collectionTitleLabel_->text();
    input.isProtected = authBtn_->currentIndex() == 1;
    input.password = pwdLabel_->text();
    input.topicIndex = topicBtn_->currentIndex();
    input.summary = summaryTextView_->toPlainText();
    input.coverPath = coverPath_;
    return input;
}

void KXPublishFavoritesViewController::publishBtnClick()
{
    if (publishing_)
        return;
    const KXPublishInput input = this->input();
    lastCheck_ = KXPublishForm::check(input);
    showFieldWarnings(lastCheck_, false);
    showCoverProblem(lastCheck_.coverMessage);
    if (!lastCheck_.folderChosen)
        style::toast(ToastStyle::Warning, QStringLiteral("请选择要公开的收藏夹"));
    if (!lastCheck_.ready())
        return;
    // The file may have changed since it was checked: what is sent is read and checked once more.
    KXPublishCover cover;
    const QString problem = KXPublishForm::readCover(input.coverPath, cover);
    if (!problem.isEmpty()) {
        lastCheck_.coverAccepted = false;
        lastCheck_.coverMessage = problem;
        showCoverProblem(problem);
        return;
    }
    const KXPublishRequest r = KXPublishForm::request(input, cover);
    setPublishing(true);
    // An earlier publication of this folder may have been made without its reply saying so (lost,
    // or still on its way when the client ended): the folders read first decide whether to send.
    const bool readingFirst = KXFolderWriteOutcome::readFirst(
        "136", Id(r.folderID).stringValue(),
        [folderID = r.folderID](const KXAccountWrites::Result& read) {
            if (!read.ok || !read.reply.array())
                return KXFolderWriteOutcome::Verdict::Unread;
            return publishShownMade(read, folderID) ? KXFolderWriteOutcome::Verdict::Made
                                                    : KXFolderWriteOutcome::Verdict::NotMade;
        },
        [form = QPointer<KXPublishFavoritesViewController>(this), r](KXFolderWriteOutcome::Verdict verdict) {
            if (!form)
                return;
            switch (verdict) {
            case KXFolderWriteOutcome::Verdict::NotMade:
                form->sendPublication(r);
                return;
            case KXFolderWriteOutcome::Verdict::Made:
                form->setPublishing(false);
                form->handOver();
                return;
            case KXFolderWriteOutcome::Verdict::Unread:
                form->setPublishing(false);
                style::toast(ToastStyle::Error, QStringLiteral("网络失败！"));
                return;
            }
        });
    if (!readingFirst)
        sendPublication(r);
}

void KXPublishFavoritesViewController::sendPublication(const KXPublishRequest& r)
{
    KXHTTPBUSINESS().publishCollection(r.folderID, r.isEncrypt, r.encryptStr, r.description, r.base64Image,
        r.tagID, r.tagName, r.imageSuffix, r.collectionName,
        dispatch::guardedOnMain(this,
            [](KXPublishFavoritesViewController& form, const Id& reply) { form.publishReplied(reply); }),
        dispatch::guardedOnMain(
            this, [folderID = r.folderID](KXPublishFavoritesViewController& form, const Ref<foundation::Error>& error) {
                form.publishFailed(folderID, error);
            }));
}

void KXPublishFavoritesViewController::setPublishing(bool publishing)
{
    publishing_ = publishing;
    publishBtn_->setEnabled(!publishing);
}

void KXPublishFavoritesViewController::publishReplied(const Id& reply)
{
    setPublishing(false);
    // Another result code: the transport has shown the service's message; the inputs stay for
    // another try.
    if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
        return;
    // The folder is under review now: it leaves this form, and the published lists show it.
    KXFolderSession::reloadFolders({});
    handOver();
}

void KXPublishFavoritesViewController::handOver()
{
    clearInputs();
    // The window closes: the toast goes over the window it was opened from, which stays.
    QWidget* opener = window()->parentWidget() ? window()->parentWidget()->window() : nullptr;
    emit published();
    if (const auto presenter = ToastPresenter::shared())
        presenter->show("提交成功，等待审核", ToastStyle::Success, ToastWindow { opener });
    dispatch::NotificationCenter::defaultCenter().post(KXPersonalCenterModel::kPublishSubmittedNotification);
}

void KXPublishFavoritesViewController::publishFailed(const Id& folderID, const Ref<foundation::Error>& error)
{
    if (!KXAccountWrites::outcomeUnknown(error)) {
        setPublishing(false);
        return;
    }
    // The service may have published the folder before its reply was lost: the button stays inert
    // until the folders read back say, and a folder they show submitted is handed over as accepted.
    KXAccountWrites::readBack("136", [form = QPointer<KXPublishFavoritesViewController>(this), folderID](
                                         const KXAccountWrites::Result& read) {
        if (!form)
            return;
        form->setPublishing(false);
        if (publishShownMade(read, folderID)) {
            form->handOver();
            return;
        }
        style::toast(ToastStyle::Error, QStringLiteral("网络异常，请稍后重试"));
    });
}

bool KXPublishFavoritesViewController::publishShownMade(const KXAccountWrites::Result& read, const Id& folderID)
{
    const auto folders = read.reply.array();
    if (!read.ok || !folders)
        return false;
    for (const Id& folder : *folders) {
        if (folder["id"].stringValue() == folderID.stringValue())
            return !KXPublishForm::offers(folder);
    }
    return false;
}

void KXPublishFavoritesViewController::clearInputs()
{
    chosenIndex_.reset();
    for (auto* item : items_)
        item->setChosen(false);
    collectionTitleLabel_->clear();
    authBtn_->setCurrentIndex(0);
    pwdLabel_->clear();
    topicBtn_->setCurrentIndex(0);
    summaryTextView_->clear();
    coverPath_.clear();
    uploadImageview_->setImage(KXImage::imageNamed("publishUpload"));
    showCoverProblem(QString());
}

bool KXPublishFavoritesViewController::eventFilter(QObject* watched, QEvent* event)
{
    // With Control held, Tab skips the focus chain and the box would type it.
    if (watched == summaryTextView_ && event->type() == QEvent::KeyPress) {
        const auto* keys = static_cast<const QKeyEvent*>(event);
        const bool tab = keys->key() == Qt::Key_Tab || keys->key() == Qt::Key_Backtab;
        if (tab && keys->modifiers().testFlag(Qt::ControlModifier)) {
            focusNextPrevChild(keys->key() == Qt::Key_Tab && !keys->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
