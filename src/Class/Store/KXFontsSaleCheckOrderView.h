#pragma once

#include "Class/UIKit/KXBaseView.h"

#include <functional>

class KXStoreButton;
class QLabel;

// Shown when the service accepts an order but reports a problem with it ("carts_error"): the
// user goes on to payment (the block gets YES) or thinks again (NO); and, with its own texts, when
// an earlier order got no answer and may have been made. A white box of 240 x 150, placed by the
// order page. Main thread only.
class KXFontsSaleCheckOrderView : public KXBaseView {
    Q_OBJECT

public:
    using Block = std::function<void(bool goOn)>;

    explicit KXFontsSaleCheckOrderView(QWidget* parent = nullptr);

    void setBlock(Block block) { block_ = std::move(block); }
    // Another question of the same shape: the message, the title that goes back and the one that
    // goes on.
    void setTexts(const QString& message, const QString& back, const QString& goOn);

    KXStoreButton* ReThinkBtn() const { return reThinkBtn_; }
    KXStoreButton* continueBtn() const { return continueBtn_; }
    QLabel* messageLabel() const { return messageLabel_; }

    void ReThinkBtnClick();
    void continueBtnClick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();
    void finish(bool goOn);

    Block block_;
    QLabel* messageLabel_ = nullptr;
    KXStoreButton* reThinkBtn_ = nullptr;
    KXStoreButton* continueBtn_ = nullptr;
};
