#pragma once

#include "Class/UIKit/KXBaseView.h"

#include <QString>

class KXBaseButton;
class KXFilledView;

// The shape the small account pages share: a grey page (RGB 245) with a header band (RGB 237)
// that carries the title and, when the page has one, the back button, and a white card with a
// light border below it. Main thread only.
class KXPersonalStubPage : public KXBaseView {
    Q_OBJECT

public:
    QWidget* headerBg() const;
    QWidget* centerBg() const;
    // nullptr on a page without a way back.
    KXBaseButton* backButton() const { return backButton_; }

    void backClick();

protected:
    KXPersonalStubPage(const QString& title, bool hasBack, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;
    KXFilledView* card() const { return centerBg_; }

private:
    KXFilledView* headerBg_ = nullptr;
    KXFilledView* centerBg_ = nullptr;
    KXBaseButton* backButton_ = nullptr;
};

// The help centre (nothing opens it).
class KXPersonalHelpCenter : public KXPersonalStubPage {
    Q_OBJECT

public:
    explicit KXPersonalHelpCenter(QWidget* parent = nullptr);
    KXBaseButton* upBtn() const { return upBtn_; }

private:
    KXBaseButton* upBtn_ = nullptr;
};

class ImageView;

// The account settings page (nothing opens it); saving does nothing.
class KXPersonalSettingView : public KXPersonalStubPage {
    Q_OBJECT

public:
    explicit KXPersonalSettingView(QWidget* parent = nullptr);
    ImageView* avatarImg() const { return avatarImg_; }
    void saveClick() { }

private:
    ImageView* avatarImg_ = nullptr;
};

// The change-password page; saving does nothing.
class KXPersonalChangePwd : public KXPersonalStubPage {
    Q_OBJECT

public:
    explicit KXPersonalChangePwd(QWidget* parent = nullptr);
    void saveBtnClick() { }
};

// An empty view class that an interface file names for one of its views; it draws as any view.
class KXPersonalCenterFormat : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;
};
