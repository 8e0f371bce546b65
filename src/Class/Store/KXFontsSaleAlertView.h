#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Object.h"

#include <QPointer>
#include <memory>

class KXStoreButton;
struct KXBaseButtonDelegate;
class KXFontSaleBuyView;
class KXStoreTextLabel;
class QLabel;

// The offer pop-up beside a hovered offer box: what the licence covers and its price "from", the
// struck list price during a promotion, and a detail button that opens the offer page over the
// chooser (or the re-pick sheet) that shows it. `isShow` tells whether the pointer is inside the
// pop-up. The chooser places, hides and detaches it. Main thread only.
class KXFontsSaleAlertView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXFontsSaleAlertView(QWidget* parent = nullptr);
    ~KXFontsSaleAlertView() override;

    const foundation::Id& info() const { return info_; }
    void setInfo(const foundation::Id& offer);
    bool isShow() const { return isShow_; }
    // The view the offer page opens over.
    void setHostView(QWidget* host) { host_ = host; }

    QLabel* contextLabel() const { return contextLabel_; }
    KXStoreTextLabel* priceLabel() const { return priceLabel_; }
    KXStoreTextLabel* origLabel() const { return origLabel_; }
    KXStoreButton* detailBtn() const { return detailBtn_; }

    // Opens the offer page; returns it.
    KXFontSaleBuyView* detailBtnClick();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();

    foundation::Id info_;
    bool isShow_ = false;
    QPointer<QWidget> host_;
    std::shared_ptr<KXBaseButtonDelegate> detailHover_;
    QLabel* contextLabel_ = nullptr;
    KXStoreTextLabel* priceLabel_ = nullptr;
    KXStoreTextLabel* origLabel_ = nullptr;
    KXStoreButton* detailBtn_ = nullptr;
};
