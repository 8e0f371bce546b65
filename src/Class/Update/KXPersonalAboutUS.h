#pragma once

#include "Class/UIKit/KXBaseView.h"

class KXBaseButton;
class KXFilledView;
class QLabel;

// The About page: the client's name and version and a check-for-update button. The check
// compares with the installed version without "_beta": no newer version shows the toast
// "已是最新版本"; a newer one lays the update prompt over the window's content (at most one). A
// refused reply or a failed request shows nothing. Main thread only.
class KXPersonalAboutUS : public KXBaseView {
    Q_OBJECT

public:
    static constexpr const char* kUpToDate = "已是最新版本";

    explicit KXPersonalAboutUS(QWidget* parent = nullptr);

    QWidget* headerBg() const;
    QWidget* centerBg() const;
    KXBaseButton* checkUpdateBtn() const { return checkUpdateBtn_; }
    KXBaseButton* backButton() const { return backButton_; }

    void checkUpdateBtnClick();
    void backClick();

    // The window's content view: the outermost view below the window that holds `view`.
    static QWidget* windowContentView(QWidget* view);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();

    KXFilledView* headerBg_ = nullptr;
    KXFilledView* centerBg_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    KXBaseButton* checkUpdateBtn_ = nullptr;
    KXBaseButton* backButton_ = nullptr;
};
