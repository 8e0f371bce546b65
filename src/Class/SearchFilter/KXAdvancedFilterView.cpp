#include "Class/SearchFilter/KXAdvancedFilterView.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/SearchFilter/KXFilterTable.h"
#include "Class/SearchFilter/KXSearchFilterStyle.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QMouseEvent>

using foundation::Ref;
using layoutwidgets::lcView;

class KXAdvancedFilterView::Adapter final : public KXFilterTableDelegate {
public:
    explicit Adapter(KXAdvancedFilterView* page)
        : page_(page)
    {
    }
    void filterViewTopicCellClick(const Ref<foundation::String>& value) override
    {
        if (page_)
            page_->filterViewTopicCellClick(value);
    }
    void headArrorClick(long long groupID) override
    {
        if (page_)
            page_->headArrorClick(groupID);
    }
    void filterViewCellTagClick(const Ref<foundation::Dictionary>& tag) override
    {
        if (page_)
            page_->filterViewCellTagClick(tag);
    }
    void KXFilterFontWeighCellBtnClick(const Ref<foundation::Dictionary>& tag) override
    {
        if (page_)
            page_->KXFilterFontWeighCellBtnClick(tag);
    }

private:
    QPointer<KXAdvancedFilterView> page_;
};

namespace {

// A bar button: a rounded box with a thin border and a soft shadow, the title centred over it.
KXBaseButton* barButton(const char* title, const QColor& fill, KXBaseButton::Action action, QWidget* bar)
{
    auto* box = new searchfilterstyle::RoundedBox(bar, fill, 2, QColor::fromRgbF(0, 0, 0, 0.14f));
    // The layers' shadow offsets are y-up: (0, 1) lifts the shadow, (-0.1, -1) drops it.
    searchfilterstyle::dropShadow(box, 0, -1, 4, 0.14);
    auto* button = KXBaseButton::buttonWithTitle(QString::fromUtf8(title), std::move(action), box);
    button->setNormalFont(fontliststyle::systemFont(14));
    button->setNormalColor(QColor(49, 49, 49));
    button->setKXBaseButtonAlignment(0);
    lc_makeConstraints(lcView(button), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    return button;
}

} // namespace

KXAdvancedFilterView::KXAdvancedFilterView(QWidget* parent)
    : QWidget(parent)
    , adapter_(std::make_shared<Adapter>(this))
{
    setupUI();
    setupData();
}

KXAdvancedFilterView::~KXAdvancedFilterView() = default;

void KXAdvancedFilterView::setupUI()
{
    fontliststyle::fill(*this, Qt::white);
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("字体筛选"));

    table_ = new KXFilterTable(KXFilterTable::Kind::AdvancedPage, selection_, this);
    table_->setDelegate(adapter_);
    lc_makeConstraints(lcView(table_), [](LCConstraintMaker& make) {
        make.top().equalTo(1);
        make.bottom().equalTo(-60);
        make.left().right().equalTo(0);
    });

    auto* bar = new QWidget(this);
    fontliststyle::fill(*bar, Qt::white);
    searchfilterstyle::dropShadow(bar, -0.1, 1, 2);
    lc_makeConstraints(lcView(bar), [](LCConstraintMaker& make) {
        make.bottom().left().right().equalTo(0);
        make.height().equalTo(56);
    });
    sureBtn_ = barButton("确认", QColor(255, 224, 43), [this](KXBaseButton*) { sureBtnClicks(); }, bar);
    lc_makeConstraints(lcView(sureBtn_->parentWidget()), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-12);
        make.right().equalTo(-69);
        make.width().equalTo(76);
        make.height().equalTo(32);
    });
    resetBtn_ = barButton("重置", Qt::white, [this](KXBaseButton*) { resetBtnClicks(); }, bar);
    lc_makeConstraints(lcView(resetBtn_->parentWidget()), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-12);
        make.left().equalTo(69);
        make.width().equalTo(76);
        make.height().equalTo(32);
    });
}

void KXAdvancedFilterView::setDataArray(Ref<foundation::Array> dataArray)
{
    dataArray_ = std::move(dataArray);
    defaultLanguage_ = KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage();
    setupData();
}

void KXAdvancedFilterView::setupData()
{
    // Here YES stands for the foreign catalogue.
    const bool english = defaultLanguage_ || KXGlobalDataBase::sharedKXGlobalDataBase().isEnLanguage();
    table_->setCategories(KXFilterCategories::of(dataArray_, english));
    table_->reloadData();
}

void KXAdvancedFilterView::report()
{
    if (const auto owner = delegate())
        owner->filterViewTagsClick(selection_.tagsDD());
}

void KXAdvancedFilterView::filterViewCellTagClick(const Ref<foundation::Dictionary>& tag)
{
    selection_.toggle(tag);
    report();
}

void KXAdvancedFilterView::filterViewTopicCellClick(const Ref<foundation::String>& value)
{
    filterViewCellTagClick(value ? foundation::Dictionary::create({{foundation::Id(KXFilterCategories::kTopics), foundation::Id(value)}}) : nullptr);
}

void KXAdvancedFilterView::KXFilterFontWeighCellBtnClick(const Ref<foundation::Dictionary>& tag)
{
    filterViewCellTagClick(tag);
}

void KXAdvancedFilterView::headArrorClick(long long groupID)
{
    table_->toggleCollapsed(groupID);
    table_->noteHeightOfRowChanged(static_cast<int>(groupID + 1));
}

void KXAdvancedFilterView::resetBtnClicks()
{
    selection_.resetBoth();
    table_->reloadData();
    report();
}

void KXAdvancedFilterView::sureBtnClicks()
{
    selection_.storeIfAny();
    // The whole drop-down goes.
    kx_removeFromSuperview(parentWidget() ? parentWidget() : this);
}

void KXAdvancedFilterView::mousePressEvent(QMouseEvent* event)
{
    // The bottom bar outside its buttons: stored as the side panel stores, and only the page goes.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    selection_.storeIfAny();
    kx_removeFromSuperview(this);
}
