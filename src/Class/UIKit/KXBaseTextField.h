#pragma once

#include <QLabel>

#include <functional>
#include <memory>

// Pointer callbacks of a text field; an empty member is a method the delegate does not implement.
struct KXBaseTextFieldDelegate {
    std::function<void()> KXBaseTextFieldMouseClick;
    std::function<void()> KXBaseTextFieldMousEnter;
    std::function<void()> KXBaseTextFieldMouseExited;
};

// A text that acts as a link: clicks and pointer entry and exit go to the delegate (held
// weakly). It never edits or selects, and a click stops here, also when nobody listens.
// GUI thread only.
class KXBaseTextField : public QLabel {
public:
    explicit KXBaseTextField(QWidget* parent = nullptr);
    explicit KXBaseTextField(const QString& text, QWidget* parent = nullptr);

    std::shared_ptr<KXBaseTextFieldDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXBaseTextFieldDelegate>& delegate) { delegate_ = delegate; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::weak_ptr<KXBaseTextFieldDelegate> delegate_;
};
