#pragma once

#include "Platform/Foundation/Dictionary.h"

#include <QLabel>
#include <QString>
#include <QWidget>

#include <memory>

class KXLeftTabView;

// What a tab of the left menu tells the hub. Every method does nothing unless overridden.
class KXLeftTabViewDelegate {
public:
    virtual ~KXLeftTabViewDelegate() = default;
    // A press in the tab.
    virtual void tabViewTouched(KXLeftTabView* tab) { (void)tab; }
    // The pointer entered or left one of the two section tabs; the argument is its identifier.
    virtual void KXLeftTabViewMouseEntered(const QString& identifier) { (void)identifier; }
    virtual void KXLeftTabViewMouseExited(const QString& identifier) { (void)identifier; }
};

// One tab of the main window's left menu: a 20-point icon and a one-line title, with a selected
// look (black background, white title, the "iconActive" image) and a collapsed, icon-only look.
// It decides nothing: presses and, for the two section tabs ("收藏的字体", "关注的合集"), hovering
// are told to the delegate, held weakly. GUI thread only.
class KXLeftTabView : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kFavouritesTitle = "收藏的字体";
    static constexpr const char* kFollowedTitle = "关注的合集";

    explicit KXLeftTabView(QWidget* parent = nullptr);

    // {"title", "icon", "iconActive"}.
    const foundation::Ref<foundation::Dictionary>& infoD() const { return infoD_; }
    void setInfoD(foundation::Ref<foundation::Dictionary> info);

    // The view identifier; the hub sets it to the title and reads it back when a tab is touched.
    const QString& identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    std::shared_ptr<KXLeftTabViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXLeftTabViewDelegate>& delegate) { delegate_ = delegate; }

    bool selected() const { return selected_; }
    void setSelected(bool selected);

    // Only the look changes: isCollapse() keeps answering the stored flag, which nothing sets.
    bool isCollapse() const { return collapse_; }
    void setCollapse(bool collapse);

    // Created on first use.
    QLabel* iconImg();
    QLabel* titleLabel();
    void setIconImg(QLabel* icon) { iconImg_ = icon; }
    void setTitleLabel(QLabel* title) { titleLabel_ = title; }

    bool isSectionTab() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showIcon(const char* key);
    void layOutIconAndTitle();
    void layOutSection();
    static bool isSectionTitle(const QString& title);

    foundation::Ref<foundation::Dictionary> infoD_;
    QString identifier_;
    std::weak_ptr<KXLeftTabViewDelegate> delegate_;
    bool selected_ = false;
    bool collapse_ = false;
    QLabel* iconImg_ = nullptr;
    QLabel* titleLabel_ = nullptr;
};
