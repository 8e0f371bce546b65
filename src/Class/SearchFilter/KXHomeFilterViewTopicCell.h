#pragma once

#include "Class/SearchFilter/KXFilterCells.h"

#include <QWidget>

#include <memory>

class KXBaseButton;
class KXFilterSelection;

// The topic row of the side panel and the advanced page: four switches for the marketing topics,
// "热门" (m11), "最新" (m5), "心动" (m4, tooltip "心动模式字体") and "免费" (m3), spread over the
// row. Each shows whether the working selection's "大类型标签" holds its code. GUI thread only.
class KXHomeFilterViewTopicCell : public QWidget {
    Q_OBJECT

public:
    KXHomeFilterViewTopicCell(KXFilterSelection* selection, QWidget* parent = nullptr);

    std::shared_ptr<KXHomeFilterViewTopicCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KXHomeFilterViewTopicCellDelegate> delegate) { delegate_ = std::move(delegate); }

    KXBaseButton* hotBtn() const { return hotBtn_; }
    KXBaseButton* newestBtn() const { return newestBtn_; }
    KXBaseButton* heartBeatBtn() const { return heartBeatBtn_; }
    KXBaseButton* freeBtn() const { return freeBtn_; }

    // The switches show the working selection again.
    void setUPUI();
    void topicBtnClick(KXBaseButton* button);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    KXFilterSelection* selection_;
    std::weak_ptr<KXHomeFilterViewTopicCellDelegate> delegate_;
    KXBaseButton* hotBtn_ = nullptr;
    KXBaseButton* newestBtn_ = nullptr;
    KXBaseButton* heartBeatBtn_ = nullptr;
    KXBaseButton* freeBtn_ = nullptr;
};
