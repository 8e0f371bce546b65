#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

// What the folder pop-up reports. Does nothing unless implemented; held weakly.
class KXFontGroupAddDelegate {
public:
    virtual ~KXFontGroupAddDelegate() = default;
    virtual void FontGroupAddDidChooseIndex(long index) { (void)index; }
};

// The host of a pop-up that shows this view: made on first use as a transient pop-up (a click
// outside closes it) and shown against the positioning view's top edge (the edge of the largest y
// in the view's own upward coordinates), centred on it; without a positioning view, against an
// empty rectangle at the top left of the screen. The title is not used. No screen opens it yet.
// Main thread only.
class KXFontGroupAdd : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 120;

    explicit KXFontGroupAdd(QWidget* parent = nullptr);
    ~KXFontGroupAdd() override;

    std::shared_ptr<KXFontGroupAddDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXFontGroupAddDelegate>& delegate) { delegate_ = delegate; }

    void addfontsGroupWithSelectedTitle(const QString& title, QWidget* positioningView);
    // The pop-up window, once made.
    QWidget* popover() const { return popover_; }
    // Where the pop-up goes for that view (global coordinates).
    static QRect popoverFrame(QWidget* positioningView);

private:
    void makePopoverIfNeeded();

    std::weak_ptr<KXFontGroupAddDelegate> delegate_;
    QPointer<QWidget> popover_;
};
