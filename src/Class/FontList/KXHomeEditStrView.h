#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/String.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <memory>

// What the custom-text editor hands over; does nothing unless implemented. Held weakly.
class KXHomeEditStrViewDelegate {
public:
    virtual ~KXHomeEditStrViewDelegate() = default;
    virtual void confirmBtnClickWithString(const foundation::Ref<foundation::String>& text) { (void)text; }
};

// The small pop-up in which the user types the text that the font list renders in every font's
// preview: a dimming veil (black at alpha 0.1) over the list with a white body in its middle
// holding the field (framed in blue) and a confirm button. The owner pins it to its own edges.
//
// The field keeps at most 64 UTF-16 units, with line breaks and control characters turned into
// spaces (pasted text too; paste is the field's own, at the caret). Enter cuts a text of 7 units
// or more to its first 6 (never inside a surrogate pair) and hands it over, empty or not; the
// button hands over a non-empty text unchanged. Either way the editor then leaves its superview.
// A press anywhere on the editor but the field and the button, or a touch, closes it without
// handing anything over. Without a delegate (or once it is gone) neither way hands over or closes.
// Main thread only.
class KXHomeEditStrView : public KXBaseView {
    Q_OBJECT

public:
    explicit KXHomeEditStrView(QWidget* parent = nullptr);
    ~KXHomeEditStrView() override;

    std::shared_ptr<KXHomeEditStrViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXHomeEditStrViewDelegate>& delegate) { delegate_ = delegate; }

    QWidget* blowView() const { return blowView_; }
    QWidget* borderView() const { return borderView_; }
    QLineEdit* textView() const { return textView_; }
    QPushButton* confirmBtn() const { return confirmBtn_; }

    // The confirm button.
    void confirmBtnClick();
    // Enter in the field.
    void insertNewline();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();
    void keepFieldText();
    void handOver(const QString& text);

    std::weak_ptr<KXHomeEditStrViewDelegate> delegate_;
    QPointer<QWidget> blowView_;
    QPointer<QWidget> borderView_;
    QPointer<QLineEdit> textView_;
    QPointer<QPushButton> confirmBtn_;
};
