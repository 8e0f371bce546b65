#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Object.h"

#include <QPointer>

#include <vector>

class ImageView;
class KXBaseButton;
class QLabel;

// The share dialog of a public collection, laid over the main window's content: a veil (black at
// alpha 0.2) with a white box (corner radius 4) under a light header (252), one button per share
// target and a close button. A target opens the service's share page for the collection and that
// target in the browser (KXShareAddress over the user default "coll_share", through the desktop's
// URL opener, which takes http and https only); the dialog stays open. Without a page address
// nothing opens. Main thread only.
class KXShareCollectionGroupView : public KXBaseView {
    Q_OBJECT

public:
    // The targets: identifier ("direct" value), title and image.
    struct Target {
        const char* identifier;
        const char* title;
        const char* imageName;
    };
    static const std::vector<Target>& targets();

    explicit KXShareCollectionGroupView(QWidget* parent = nullptr);
    ~KXShareCollectionGroupView() override;

    const foundation::Id& groupID() const { return groupID_; }
    void setGroupID(const foundation::Id& groupID) { groupID_ = groupID; }

    QWidget* headerBg() const { return headerBg_; }
    QWidget* centerBGView() const { return centerBGView_; }
    ImageView* topicImgView() const { return topicImgView_; }
    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* descriptionlabel() const { return descriptionlabel_; }
    const std::vector<KXBaseButton*>& shareButtons() const { return shareButtons_; }
    KXBaseButton* closeBtn() const { return closeBtn_; }

    // A target button: the share page opens in the browser.
    void shareBtnClick(KXBaseButton* sender);
    void closeBtnClick();
    // The action of the image; it does nothing.
    void topicImgViewClick() { }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();

    foundation::Id groupID_;
    QWidget* headerBg_ = nullptr;
    QWidget* centerBGView_ = nullptr;
    ImageView* topicImgView_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* descriptionlabel_ = nullptr;
    KXBaseButton* closeBtn_ = nullptr;
    std::vector<KXBaseButton*> shareButtons_;
};
