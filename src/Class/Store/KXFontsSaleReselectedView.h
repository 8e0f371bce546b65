#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <QPointer>
#include <memory>

class KXBrandLookup;
class KXFontsSaleAlertView;
class KXOfferCategoryTable;
class KXStoreButton;
class KXStoreTableView;
class LCConstraint;
class QPropertyAnimation;

// What the re-pick sheet tells the order page; the method defaults to doing nothing.
class KXFontsSaleReselectedViewDelegate {
public:
    virtual ~KXFontsSaleReselectedViewDelegate() = default;
    // The sheet stored the new choice in selectedAuthArray.
    virtual void KXFontsSaleReselectedViewSureBtnClick() { }
};

template <class Owner>
class KXFontsSaleReselectedViewForwarder final : public KXFontsSaleReselectedViewDelegate {
public:
    explicit KXFontsSaleReselectedViewForwarder(Owner* owner)
        : owner_(owner)
    {
    }
    void KXFontsSaleReselectedViewSureBtnClick() override
    {
        if (owner_)
            owner_->KXFontsSaleReselectedViewSureBtnClick();
    }

private:
    QPointer<Owner> owner_;
};

// The re-pick sheet over the order page: the chooser's categories and offers again, with the
// order's offers ticked, sliding up into place (it starts h - 230 below and rises in 0.3 s) over
// a dimming cover. Its ticks are its own list (`selectedA`) until it is confirmed, when the shared
// selectedAuthArray becomes that list and the order page is told; going back changes nothing.
// It asks for the brand list once and does not store the sales note. Main thread only.
class KXFontsSaleReselectedView : public KXBaseView {
    Q_OBJECT
    Q_PROPERTY(double slideOffset READ slideOffset WRITE setSlideOffset)

public:
    static constexpr int kSlideMilliseconds = 300;

    explicit KXFontsSaleReselectedView(QWidget* parent = nullptr);
    ~KXFontsSaleReselectedView() override;

    const foundation::Ref<foundation::MutableArray>& selectedA() const;
    void setSelectedA(foundation::Ref<foundation::MutableArray> offers);
    void setDelegate(const std::shared_ptr<KXFontsSaleReselectedViewDelegate>& delegate)
    {
        delegate_ = delegate;
    }

    void setUPData();
    void sureBtnclick();
    void backBtnClick();

    // How far below its place the sheet's content is drawn now.
    double slideOffset() const { return slideOffset_; }
    void setSlideOffset(double offset);
    // Runs the slide to its end at once.
    void finishSlide();
    bool isSliding() const;

    // The categories, the sheet's own ticks and the pop-up.
    KXOfferCategoryTable& categories() const { return *categories_; }
    const foundation::Ref<foundation::MutableArray>& dataA() const;
    const KXBrandLookup& brandsDic() const;
    KXFontsSaleAlertView* alertView();
    bool isHovering() const;
    QWidget* coverview() const { return coverview_; }
    QWidget* scrolview() const { return scrolview_; }
    KXStoreTableView* listTableview() const { return listTableview_; }
    QWidget* bottomview() const { return bottomview_; }
    KXStoreButton* sureBtn() const { return sureBtn_; }
    KXStoreButton* backBtn() const { return backBtn_; }
    QWidget* topBgView() const { return topBgView_; }
    const std::shared_ptr<LCConstraint>& top1() const { return top1_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUPUI();
    void close();

    std::weak_ptr<KXFontsSaleReselectedViewDelegate> delegate_;
    KXOfferCategoryTable* categories_ = nullptr;

    QWidget* content_ = nullptr;
    QPointer<QWidget> coverview_;
    QWidget* scrolview_ = nullptr;
    KXStoreTableView* listTableview_ = nullptr;
    QWidget* bottomview_ = nullptr;
    KXStoreButton* sureBtn_ = nullptr;
    KXStoreButton* backBtn_ = nullptr;
    QWidget* topBgView_ = nullptr;
    std::shared_ptr<LCConstraint> top1_;
    QPointer<QPropertyAnimation> slide_;
    double slideOffset_ = 0;
    bool shown_ = false;
};
