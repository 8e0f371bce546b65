#pragma once

#include "Platform/Foundation/Object.h"

#include <QWidget>

class ImageView;
class KXBaseButton;
class QLabel;

// The personal centre's card of a published folder, 210 high: the cover (corner radius 3), the
// review-state icon (KXFolderStateIcon) at the top left, the visits in white at the top right, the
// folder's name on black at alpha 0.3 with "共%zd款" of its fonts, and for a refused folder
// ("is_publish" 3) the reason on black at alpha 0.6, wrapped over as many lines as it needs.
// Main thread only.
class KXPersonalCenterCollectionCell : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kIdentifier = "KXPersonalCenterCollectionCellID";
    static constexpr int kRowHeight = 210;

    explicit KXPersonalCenterCollectionCell(QWidget* parent = nullptr);

    const foundation::Id& data() const { return data_; }
    void setData(const foundation::Id& data);
    // The state icon's image name shown now.
    const std::string& leftStateImageName() const { return leftStateImage_; }

    KXBaseButton* watchButton() const { return watchButton_; }
    ImageView* bgImageView() const { return bgImageView_; }
    ImageView* leftsatesImg() const { return leftsatesImg_; }
    QLabel* fontCountLabel() const { return fontCountLabel_; }
    QLabel* collectionGroupName() const { return collectionGroupName_; }
    QLabel* rejectLabel() const { return rejectLabel_; }
    QWidget* rejectView() const { return rejectView_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUPUI();
    void layOutReject();

    foundation::Id data_;
    std::string leftStateImage_;
    KXBaseButton* watchButton_ = nullptr;
    ImageView* bgImageView_ = nullptr;
    ImageView* leftsatesImg_ = nullptr;
    QLabel* fontCountLabel_ = nullptr;
    QLabel* collectionGroupName_ = nullptr;
    QWidget* nameBand_ = nullptr;
    QLabel* rejectLabel_ = nullptr;
    QWidget* rejectView_ = nullptr;
};
