#pragma once

#include "Class/Store/Core/KXStoreGeometry.h"
#include "Class/Store/KXStoreTableCellView.h"
#include "Platform/Foundation/Dictionary.h"

#include <QPointer>
#include <memory>
#include <string>
#include <utility>
#include <unordered_set>
#include <vector>

class KXBaseButton;
class KXStoreButton;
class QLabel;

// What an order row tells the order page; every method defaults to doing nothing.
class KXFontsSaleOrderViewCellDelegate {
public:
    virtual ~KXFontsSaleOrderViewCellDelegate() = default;
    // {"brandid": the offer's id, "fontid": the box's id, "state": the box's new state}.
    virtual void KXFontsSaleOrderViewCellFontBtnClick(const foundation::Ref<foundation::Dictionary>& info)
    {
        (void)info;
    }
    // The "+" of any row (an empty dictionary).
    virtual void KXFontsSaleOrderViewCellAddClassClick(const foundation::Ref<foundation::Dictionary>& info)
    {
        (void)info;
    }
    // The "-" of a row, with the row record.
    virtual void KXFontsSaleOrderViewCellremoveClassClick(const foundation::Id& record) { (void)record; }
};

template <class Owner>
class KXFontsSaleOrderViewCellForwarder final : public KXFontsSaleOrderViewCellDelegate {
public:
    explicit KXFontsSaleOrderViewCellForwarder(Owner* owner)
        : owner_(owner)
    {
    }
    void KXFontsSaleOrderViewCellFontBtnClick(const foundation::Ref<foundation::Dictionary>& info) override
    {
        if (owner_)
            owner_->KXFontsSaleOrderViewCellFontBtnClick(info);
    }
    void KXFontsSaleOrderViewCellAddClassClick(const foundation::Ref<foundation::Dictionary>& info) override
    {
        if (owner_)
            owner_->KXFontsSaleOrderViewCellAddClassClick(info);
    }
    void KXFontsSaleOrderViewCellremoveClassClick(const foundation::Id& record) override
    {
        if (owner_)
            owner_->KXFontsSaleOrderViewCellremoveClassClick(record);
    }

private:
    QPointer<Owner> owner_;
};

// One offer of the order page: its name, "+" (re-pick offers) and "-" (remove this offer), and a
// check box per cart font, as many a line as the page's width holds (KXStoreGeometry: two at the
// designed width). The boxes show the fonts the page's choice holds for the offer (setChosenFonts
// before setDataDic), whichever row view is reused; a row always keeps one ticked box. Boxes are
// made only for the lines within a screen of what the table shows and serve again as the row
// scrolls, so a cart of any size costs the boxes of a few screens. Main thread only.
class KXFontsSaleOrderViewCell : public KXStoreTableCellView {
    Q_OBJECT

public:
    static constexpr const char* kIdentifier = "KXFontsSaleOrderViewCellID";

    explicit KXFontsSaleOrderViewCell(QWidget* parent = nullptr);
    ~KXFontsSaleOrderViewCell() override;

    // The row record: the offer with "fonts" (the cart fonts, KXFontBaseModel).
    const foundation::Id& dataDic() const { return dataDic_; }
    // The width of the table whose rows lay out their boxes for it; the next setDataDic() uses it.
    void setLayoutWidth(double width) { layoutWidth_ = width; }
    void setDataDic(const foundation::Id& record);
    // The "%d" ids of the fonts chosen for this row's offer.
    void setChosenFonts(std::unordered_set<std::string> fontIDs) { chosen_ = std::move(fontIDs); }
    void setDelegate(const std::shared_ptr<KXFontsSaleOrderViewCellDelegate>& delegate)
    {
        delegate_ = delegate;
    }

    QLabel* classLabel();
    // The offer's "brand_id", which the name label carries.
    const std::string& classIdentifier() const { return classIdentifier_; }
    KXStoreButton* addclassCheckBtn() const { return addclassCheckBtn_; }
    KXStoreButton* removeclassCheckBtn() const { return removeclassCheckBtn_; }
    QWidget* seamLine() const { return seamLine_; }
    // The boxes made, in the cart's order, for the fonts from firstBoxFont() on.
    const std::vector<KXBaseButton*>& fontBtnA() const { return fontBtnA_; }
    std::size_t firstBoxFont() const { return firstBox_; }

    void fontBtnClick(KXBaseButton* box);
    void addClassBtnClick();
    void removeClassBtnClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // The least screen a row lays its boxes out for.
    static constexpr int kLeastScreen = 800;

    void setUPUI();
    void setUPData();
    void placeClassButtons();
    // The fonts [first, end) whose boxes lie within a screen of the table's view.
    std::pair<std::size_t, std::size_t> fontsNearView() const;
    void placeBoxes();
    KXBaseButton* makeFontBox();

    foundation::Id dataDic_;
    std::unordered_set<std::string> chosen_;
    std::weak_ptr<KXFontsSaleOrderViewCellDelegate> delegate_;
    std::string classIdentifier_;
    QLabel* classLabel_ = nullptr;
    KXStoreButton* addclassCheckBtn_ = nullptr;
    KXStoreButton* removeclassCheckBtn_ = nullptr;
    QWidget* seamLine_ = nullptr;
    std::vector<KXBaseButton*> fontBtnA_;
    foundation::Id fonts_;
    std::size_t firstBox_ = 0;
    std::pair<std::size_t, std::size_t> boxesFor_;
    bool boxesStale_ = true;
    double layoutWidth_ = KXStoreGeometry::kDesignedWidth;
};
