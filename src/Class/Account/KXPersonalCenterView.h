#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Object.h"

#include <memory>
#include <optional>
#include <string>

class ImageView;
class KXBaseButton;
class KXFilledView;
class KXPersonalCenterModel;
class LCConstraint;
class QLabel;
class QScrollArea;
class QScrollBar;
class QTableWidget;
class QWidget;

// The signed-in user's page, 310 wide beside the left menu: avatar and name (the VIP button for a
// VIP user), the counters of fonts used, folders and followed collections, the first published
// collection, the unpaid-order badge, and the ways to the orders and account pages (in the
// browser, http and https only), the VIP privileges, the followed collections, the favourite
// folders and the sign-out confirmation. Pages it opens lie over it, filling it; those of other
// areas come from KXPersonalCenterPages.
//
// Made with init: builds its views and loads its data (setUPData, see KXPersonalCenterModel).
// The buttons the page only styles (authorization, font cache, feedback, font format, change
// password, upload, about, help, clear) are built white and hidden, with no action and no place
// on the page. Main thread only.
class KXPersonalCenterView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr int kWidth = 310;
    static constexpr int kTableRowHeight = 210;
    static constexpr int kScrollBarWidth = 6;

    explicit KXPersonalCenterView(QWidget* parent = nullptr);
    ~KXPersonalCenterView() override;

    // Loads everything again: the unpaid-order badge, the user, the folders, the counters.
    void setUPData();
    void setUPDataWithDic(const foundation::Id& user);
    const foundation::Id& dic() const;
    foundation::Ref<foundation::MutableArray> collectionArray() const;
    const std::shared_ptr<KXPersonalCenterModel>& model() const { return model_; }

    ImageView* avatarImg() const { return avatarImg_; }
    QLabel* nickName() const { return nickName_; }
    QLabel* useDNum() const { return useDNum_; }
    QLabel* groupsNum() const { return groupsNum_; }
    QLabel* collectedNum() const { return collectedNum_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QLabel* collectionNumLabel() const { return collectionNumLabel_; }
    QLabel* orderNumLabel() const { return orderNumLabel_; }
    QTableWidget* collectionTableview() const { return collectionTableview_; }
    QWidget* collectionScorllView() const { return collectionScorllView_; }
    // What scrolls on a short window (all but the pages laid over it), and its bar.
    QScrollArea* scrollArea() const { return scrollArea_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    KXBaseButton* settingBtn() const { return settingBtn_; }
    KXBaseButton* moreBtn() const { return moreBtn_; }
    KXBaseButton* logoutBtn() const { return logoutBtn_; }
    KXBaseButton* backBtn() const { return backBtn_; }
    KXBaseButton* vipButton() const { return vipButton_; }
    KXBaseButton* orderButton() const { return orderButton_; }
    KXBaseButton* infoButton() const { return infoButton_; }
    KXBaseButton* favouritesButton() const { return favouritesButton_; }
    KXBaseButton* followsButton() const { return followsButton_; }
    KXFilledView* tagsBg() const { return tagsBg_; }
    // The published-collections area's top and height.
    const std::shared_ptr<LCConstraint>& scrollTop() const { return scrollTop_; }
    const std::shared_ptr<LCConstraint>& scrollHeigh() const { return scrollHeigh_; }
    KXBaseButton* authorizationBtn() const { return authorizationBtn_; }
    KXBaseButton* fontCacheBtn() const { return fontCacheBtn_; }
    KXBaseButton* feedBackBtn() const { return feedBackBtn_; }
    KXBaseButton* fontFormat() const { return fontFormat_; }
    KXBaseButton* changePwd() const { return changePwd_; }
    KXBaseButton* upLoadBtn() const { return upLoadBtn_; }
    KXBaseButton* aboutBtn() const { return aboutBtn_; }
    KXBaseButton* helpBtn() const { return helpBtn_; }
    KXBaseButton* clearLastButton() const { return clearLastButton_; }

    // Actions.
    void myOriderClick();
    void settingBtnClick();
    void settingClick();
    void moreBtnClick();
    void offClick();
    void myfocusBtnClick();
    void fontManagerClick();
    void vipBtnClick();
    void bcakBtnClick();
    void tableviewcellclick(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class ModelDelegate;

    static constexpr int kPublishedTop = 322;
    static constexpr int kPublishedHeight = 30 + kTableRowHeight;
    static constexpr int kEntriesBottom = 308;
    static constexpr int kVersionMargin = 10;

    void setUPUI();
    void fitContentHeight();
    void showUser(const foundation::Id& user);
    void showCounts(const std::optional<std::string>& used, const std::optional<std::string>& groups,
                    const std::optional<std::string>& collections);
    void showPublished(const foundation::Ref<foundation::Array>& published, bool anyFolders);
    void showOrderBadge(const std::optional<std::string>& text);
    // Lays a page over this one, filling it.
    void layOver(QWidget* page);

    std::shared_ptr<KXPersonalCenterModel> model_;
    std::shared_ptr<ModelDelegate> modelDelegate_;

    QScrollArea* scrollArea_ = nullptr;
    QWidget* content_ = nullptr;
    // What lies below the header: it follows the page's width up to the column's widest, centred.
    QWidget* body_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    KXFilledView* header_ = nullptr;
    ImageView* avatarImg_ = nullptr;
    QLabel* nickName_ = nullptr;
    QLabel* useDNum_ = nullptr;
    QLabel* groupsNum_ = nullptr;
    QLabel* collectedNum_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QLabel* collectionNumLabel_ = nullptr;
    QLabel* orderNumLabel_ = nullptr;
    QTableWidget* collectionTableview_ = nullptr;
    QWidget* collectionScorllView_ = nullptr;
    KXFilledView* tagsBg_ = nullptr;
    KXBaseButton* settingBtn_ = nullptr;
    KXBaseButton* moreBtn_ = nullptr;
    KXBaseButton* logoutBtn_ = nullptr;
    KXBaseButton* backBtn_ = nullptr;
    KXBaseButton* vipButton_ = nullptr;
    KXBaseButton* orderButton_ = nullptr;
    KXBaseButton* infoButton_ = nullptr;
    KXBaseButton* favouritesButton_ = nullptr;
    KXBaseButton* followsButton_ = nullptr;
    std::shared_ptr<LCConstraint> scrollTop_;
    std::shared_ptr<LCConstraint> scrollHeigh_;
    KXBaseButton* authorizationBtn_ = nullptr;
    KXBaseButton* fontCacheBtn_ = nullptr;
    KXBaseButton* feedBackBtn_ = nullptr;
    KXBaseButton* fontFormat_ = nullptr;
    KXBaseButton* changePwd_ = nullptr;
    KXBaseButton* upLoadBtn_ = nullptr;
    KXBaseButton* aboutBtn_ = nullptr;
    KXBaseButton* helpBtn_ = nullptr;
    KXBaseButton* clearLastButton_ = nullptr;
};
