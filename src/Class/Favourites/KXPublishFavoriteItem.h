#pragma once

#include "Platform/Foundation/Object.h"

#include <QWidget>
#include <memory>

class KXBaseButton;
class KXPublishFavoriteItem;
class QLabel;

// What an item of the publish form tells the form. Does nothing unless implemented; held weakly.
class KXPublishFavoriteItemDelegate {
public:
    virtual ~KXPublishFavoriteItemDelegate() = default;
    // The item was chosen (a click on it or on its tick box); it already shows itself chosen.
    virtual void favoriteItemDidSelect(KXPublishFavoriteItem* item) { (void)item; }
};

// One folder in the publish form, 160 x 212: white, a head framed in rgb(236,236,236) with the
// folder's name, "共%zd款" with the number of its fonts, and the tick box that chooses it. A click
// anywhere on the item chooses it and tells the delegate; the form keeps one item chosen. Main
// thread only.
class KXPublishFavoriteItem : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 212;

    explicit KXPublishFavoriteItem(QWidget* parent = nullptr);

    const foundation::Id& info() const { return info_; }
    void setInfo(const foundation::Id& info);
    bool isChosen() const;
    void setChosen(bool chosen);
    std::shared_ptr<KXPublishFavoriteItemDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXPublishFavoriteItemDelegate>& delegate) { delegate_ = delegate; }

    QWidget* headBgView() const { return headBgView_; }
    KXBaseButton* slectedBtn() const { return slectedBtn_; }
    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* contLabel() const { return contLabel_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void viewDidLoad();
    void choose();

    foundation::Id info_;
    std::weak_ptr<KXPublishFavoriteItemDelegate> delegate_;
    QWidget* headBgView_ = nullptr;
    KXBaseButton* slectedBtn_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* contLabel_ = nullptr;
};
