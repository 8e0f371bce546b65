#pragma once

#include <QWidget>
#include <filesystem>
#include <string>

class KXBaseButton;
class QFrame;
class QLabel;
class QPlainTextEdit;

// Tells the user that the desktop could not open an address, a folder or a file, so that a link
// never fails silently: a small window transient for the window of the page that asked, which
// stays until it is dismissed. It says what failed, shows the address or path as selectable plain
// text, and offers to copy it ("复制链接", for a folder or a file "复制路径") or to close ("知道了").
//
// The opening calls go through desktop::URLOpener and show the alert for both of its answers: the
// failure it returns at once (a refused address, an opener that could not start) and a failed exit
// it reports later. The late report holds the page weakly: once the page is gone it shows nothing.
//
// Each window has one alert; a second failure over the same window fills it again. Colours follow
// the shared palette each time it is shown. GUI thread only.
class KXOpenFailedAlert : public QWidget {
    Q_OBJECT

public:
    // Package: a downloaded file the desktop was to open, shown by its path.
    enum class Kind { WebPage, Folder, PaymentPage, Package };

    // What the alert says for one failure.
    struct Content {
        QString message;
        QString copyTitle;
        QString target;
        friend bool operator==(const Content&, const Content&) = default;
    };

    static constexpr const char* kWebPageMessage = "未能打开浏览器，请复制链接后在浏览器中打开";
    static constexpr const char* kFolderMessage = "未能打开文件夹，请手动打开";
    static constexpr const char* kPaymentPageMessage = "未能打开浏览器，请手动访问支付页面";
    static constexpr const char* kPackageMessage = "未能打开安装包，请复制路径后手动打开";
    static constexpr const char* kCopyLinkTitle = "复制链接";
    static constexpr const char* kCopyPathTitle = "复制路径";
    static constexpr const char* kCloseTitle = "知道了";
    static constexpr int kWidth = 400;

    static Content content(Kind kind, const std::string& target);

    // Opens an http or https address in the browser on behalf of `page`. Returns whether the
    // browser was started; otherwise the alert is already showing.
    static bool openURL(const QWidget* page, const std::string& url, Kind kind = Kind::WebPage);
    // Opens a local folder (an absolute path) in the file manager on behalf of `page`.
    static bool openFolder(const QWidget* page, const std::filesystem::path& folder);

    // Shows the alert of the window of `page` (without a page: one alert of its own) with the
    // content of a failure and brings it to the front.
    static KXOpenFailedAlert* showOver(const QWidget* page, Kind kind, const std::string& target);
    // The alert of the window of `page`, when one was ever shown there.
    static KXOpenFailedAlert* alertOf(const QWidget* page);

    const Content& shownContent() const { return content_; }
    QLabel* messageLabel() const { return messageLabel_; }
    QPlainTextEdit* targetField() const { return targetField_; }
    KXBaseButton* copyButton() const { return copyButton_; }
    KXBaseButton* closeButton() const { return closeButton_; }

    // Puts the address or path on the clipboard; the alert stays.
    void copyBtnClick();
    void closeBtnClick();

private:
    explicit KXOpenFailedAlert(const QWidget* page);
    void fill(const Content& content);
    void applyPalette();
    void layOut();

    Content content_;
    QLabel* messageLabel_;
    QPlainTextEdit* targetField_;
    QFrame* buttonLine_;
    QFrame* buttonDivider_;
    KXBaseButton* copyButton_;
    KXBaseButton* closeButton_;
};
