#pragma once

#include <QWidget>

class KXBaseButton;
class QLabel;

// The settings page: whether the cloud catalogue lists the fonts of common character sets or only
// those of big character sets (the user default "bigFontsSet", "1" big, "0" or absent common), as
// a pair of choices, "常用字符集字体" and "只显示大字符集字体", and a shortcut to the
// user's font folder. A click on either choice flips the setting and posts "KXBigFontsSet", on
// which the main window rebuilds its cloud list. Main thread only.
class KXAppSettingViewController : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kSettingKey = "bigFontsSet";
    static constexpr const char* kChangedNotification = "KXBigFontsSet";

    explicit KXAppSettingViewController(QWidget* parent = nullptr);

    KXBaseButton* openFiledBtn() const { return openFiledBtn_; }
    KXBaseButton* smallFontsSetBtn() const { return smallFontsSetBtn_; }
    KXBaseButton* bigFontsSetBtn() const { return bigFontsSetBtn_; }

    // Opens the user's font folder (made first when missing) in the file manager.
    void openFiledBtnClick();
    // Flips the setting, whichever choice was clicked.
    void fontsSetBtnClick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void viewDidLoad();
    KXBaseButton* makeChoice(const QString& title, const QString& identifier);

    QLabel* fontsSetLabel_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    KXBaseButton* openFiledBtn_ = nullptr;
    KXBaseButton* smallFontsSetBtn_ = nullptr;
    KXBaseButton* bigFontsSetBtn_ = nullptr;
};
