#include "Class/Store/KXFontsSaleOrderViewCell.h"

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/Store/Core/KXOrderSelection.h"
#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/KXStoreBox.h"
#include "Class/Store/KXStoreButton.h"
#include "Class/Store/KXStoreImages.h"
#include "Class/Store/KXStoreStyle.h"
#include "Class/Store/KXStoreWindow.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Platform/Foundation/Format.h"

#include <QLabel>
#include <algorithm>

using foundation::Id;

namespace {

const QColor kClassButtonFace(245, 245, 245);

QRect toRect(const KXStoreRect& frame)
{
    return { static_cast<int>(frame.x), static_cast<int>(frame.y), static_cast<int>(frame.width),
        static_cast<int>(frame.height) };
}

} // namespace

KXFontsSaleOrderViewCell::KXFontsSaleOrderViewCell(QWidget* parent)
    : KXStoreTableCellView(parent)
{
    setIdentifier(QString::fromLatin1(kIdentifier));
    setUPUI();
}

KXFontsSaleOrderViewCell::~KXFontsSaleOrderViewCell() = default;

QLabel* KXFontsSaleOrderViewCell::classLabel()
{
    if (!classLabel_) {
        classLabel_ = storestyle::plainLabel(QStringLiteral("系列"), 16, storestyle::kBoxTitle, this);
        classLabel_->setGeometry(10, 20, 200, 20);
    }
    return classLabel_;
}

void KXFontsSaleOrderViewCell::setUPUI()
{
    storestyle::fill(*this, Qt::white);
    classLabel();
    addclassCheckBtn_ = storestyle::titledButton(QStringLiteral("+"), storestyle::kBoxTitle, 12, this);
    addclassCheckBtn_->setImage(storeimages::addClass());
    addclassCheckBtn_->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
    addclassCheckBtn_->setImageScaling(KXBaseButton::ImageScaling::ProportionallyUpOrDown);
    addclassCheckBtn_->setLayerBackground(kClassButtonFace);
    addclassCheckBtn_->setCornerRadius(2);
    addclassCheckBtn_->setAction([this](KXBaseButton*) { addClassBtnClick(); });
    removeclassCheckBtn_ = storestyle::titledButton(QStringLiteral("-"), storestyle::kBoxTitle, 12, this);
    removeclassCheckBtn_->setImage(storeimages::deleteClass());
    removeclassCheckBtn_->setImagePosition(KXBaseButton::ImagePosition::ImageOnly);
    removeclassCheckBtn_->setImageScaling(KXBaseButton::ImageScaling::ProportionallyUpOrDown);
    removeclassCheckBtn_->setLayerBackground(kClassButtonFace);
    removeclassCheckBtn_->setCornerRadius(2);
    removeclassCheckBtn_->setAction([this](KXBaseButton*) { removeClassBtnClick(); });
    // The seam between the two buttons, drawn over both.
    seamLine_ = new KXStoreBox(this, Qt::white);
    seamLine_->setAttribute(Qt::WA_TransparentForMouseEvents);
    placeClassButtons();
}

void KXFontsSaleOrderViewCell::placeClassButtons()
{
    // "+" 29 x 20 with its right edge 10 inside the row's; "-" 28 x 20 overlapping it by one
    // point; the seam's right edge 2 points right of the "+"'s left edge.
    const int plusLeft = width() - 10 - 29;
    addclassCheckBtn_->setGeometry(plusLeft, 16, 29, 20);
    removeclassCheckBtn_->setGeometry(plusLeft + 1 - 28, 16, 28, 20);
    seamLine_->setGeometry(plusLeft + 1, 16, 1, 20);
    seamLine_->raise();
}

void KXFontsSaleOrderViewCell::resizeEvent(QResizeEvent* event)
{
    KXStoreTableCellView::resizeEvent(event);
    placeClassButtons();
    placeBoxes();
}

void KXFontsSaleOrderViewCell::setDataDic(const Id& record)
{
    dataDic_ = record;
    setUPData();
}

KXBaseButton* KXFontsSaleOrderViewCell::makeFontBox()
{
    auto* box = new KXBaseButton(this);
    box->setAction([this](KXBaseButton* clicked) { fontBtnClick(clicked); });
    box->setButtonType(KXBaseButton::ButtonType::CheckBox);
    box->setImagePosition(KXBaseButton::ImagePosition::Overlaps);
    box->setImage(storeimages::fontBoxNormal());
    box->setAlternateImage(storeimages::fontBoxSelected());
    box->setNormalFont(storestyle::systemFont(12));
    box->setImageScaling(KXBaseButton::ImageScaling::AxesIndependently);
    // The tick sits at the box's right end.
    box->setTitleInsets(0, 22);
    return box;
}

void KXFontsSaleOrderViewCell::setUPData()
{
    classIdentifier_ = KXOrderSelection::brandID(dataDic_);
    classLabel()->setText(storestyle::qstring(dataDic_["brand_name"].stringValue()));
    fonts_ = dataDic_["fonts"];
    boxesStale_ = true;
    placeBoxes();
}

std::pair<std::size_t, std::size_t> KXFontsSaleOrderViewCell::fontsNearView() const
{
    // The band the row shows in its table, and a screen above and below it; a row not yet placed
    // in a table lays out its first screens.
    const QWidget* table = parentWidget();
    const double screen = std::max(table ? table->height() : 0, kLeastScreen);
    const double shownTop = table ? std::max(0, -y()) : 0;
    return KXStoreGeometry::orderFontsBetween(
        fonts_.count(), shownTop - screen, shownTop + 2 * screen, layoutWidth_);
}

void KXFontsSaleOrderViewCell::placeBoxes()
{
    const auto range = fontsNearView();
    if (!boxesStale_ && range == boxesFor_)
        return;
    boxesStale_ = false;
    boxesFor_ = range;
    const auto [first, end] = range;
    const std::size_t needed = end - first;
    // The boxes serve again for whichever fonts come into view; the ones not needed go.
    while (fontBtnA_.size() > needed) {
        kx_removeFromSuperview(fontBtnA_.back());
        fontBtnA_.pop_back();
    }
    while (fontBtnA_.size() < needed)
        fontBtnA_.push_back(makeFontBox());
    firstBox_ = first;
    for (std::size_t i = 0; i < needed; ++i) {
        KXBaseButton* box = fontBtnA_[i];
        const auto model = fonts_[first + i].as<KXFontBaseModel>();
        const std::string id = model ? foundation::format("%d", model->fontid) : std::string();
        const QString name
            = model && model->fontname ? storestyle::qstring(model->fontname->utf8()) : QString();
        box->setTitle(QStringLiteral("  ") + name);
        box->setIdentifier(storestyle::qstring(id));
        box->setState(chosen_.contains(id) ? 1 : 0);
        box->setNormalColor(storestyle::kFontBoxTitle);
        box->setGeometry(toRect(KXStoreGeometry::orderBoxFrame(first + i, layoutWidth_)));
        box->show();
    }
}

void KXFontsSaleOrderViewCell::moveEvent(QMoveEvent* event)
{
    KXStoreTableCellView::moveEvent(event);
    placeBoxes();
}

void KXFontsSaleOrderViewCell::fontBtnClick(KXBaseButton* box)
{
    // The row's choice is the fonts ticked in it, whether their boxes are made or not.
    const std::string id = box->identifier().toStdString();
    if (box->state() != 0)
        chosen_.insert(id);
    else
        chosen_.erase(id);
    if (chosen_.empty()) {
        chosen_.insert(id);
        box->setState(1);
        storewindow::toast(nullptr, ToastStyle::Warning, "请选择至少一款字体");
        return;
    }
    if (auto delegate = delegate_.lock()) {
        delegate->KXFontsSaleOrderViewCellFontBtnClick(foundation::Dictionary::create(
            { { Id("brandid"), Id(classIdentifier_) }, { Id("fontid"), Id(id) },
                { Id("state"), Id(static_cast<long long>(box->state())) } }));
    }
}

void KXFontsSaleOrderViewCell::addClassBtnClick()
{
    if (auto delegate = delegate_.lock())
        delegate->KXFontsSaleOrderViewCellAddClassClick(foundation::Dictionary::create());
}

void KXFontsSaleOrderViewCell::removeClassBtnClick()
{
    if (auto delegate = delegate_.lock())
        delegate->KXFontsSaleOrderViewCellremoveClassClick(dataDic_);
}
