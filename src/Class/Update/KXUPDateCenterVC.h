#pragma once

#include <QWidget>

#include <memory>
#include <string>

class KXBaseButton;
class KXFilledView;
class KXUpdateDownload;
class LCConstraint;
class QLabel;

// The updater's content: the download of the verified Linux package (KXUpdateDownload) as a bar
// across the page (840 points at the window's designed width) and a percentage, then a button that
// hands the package to the desktop, centred in the width the page is given.
//
// States: downloading (also while the package information is fetched and while the file is
// checked: track, bar, percentage, loading label), finished (success label and open button),
// failed (what failed and a retry button; the bar stays where it was, without the loading label
// and percentage). Open checks the package again, hands it to the desktop and orders the window
// out; the controller and its state remain, so opening again opens the same package (a package
// that changed is deleted and shown as failed).
// When the desktop cannot open it (no opener, or the opener fails later) the window stays or comes
// back, finished, with the open-failure alert showing the package's path to copy.
//
// The failure text says what failed: an offer the client refused (no usable address, no size or
// hash for the package, a size past the download ceiling) never reached the network; a disk too
// full for the package asks to make room; a version request or a download that failed on its way
// asks to check the network; a body past the announced size was stopped before it was kept; a
// package that failed its check was deleted.
// Main thread only.
class KXUPDateCenterVC : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kDownloadFailed = "更新包下载失败，请检查网络后重试";
    static constexpr const char* kIncompleteOffer = "更新包信息不完整，暂时无法更新，请稍后重试";
    static constexpr const char* kCheckFailed = "更新包校验失败，已删除下载的文件，请重试";
    static constexpr const char* kLargerThanOffer = "更新包超出声明的大小，已停止下载，未保存任何文件";
    static constexpr const char* kNoSpace = "磁盘空间不足，无法下载更新包，请清理磁盘后重试";

    // Starts the download (setUPDownload) unless `download` is given idle for tests.
    explicit KXUPDateCenterVC(QWidget* parent = nullptr, std::shared_ptr<KXUpdateDownload> download = nullptr);
    ~KXUPDateCenterVC() override;

    QLabel* percentLabel() const { return percentLabel_; }
    QLabel* sucesslabel() const { return sucesslabel_; }
    QLabel* loadingLabel() const { return loadingLabel_; }
    QLabel* failureLabel() const { return failureLabel_; }
    KXBaseButton* openBtn() const { return openBtn_; }
    KXBaseButton* retryBtn() const { return retryBtn_; }
    QWidget* bottomBg() const;
    QWidget* progressBg() const;
    QWidget* progressView() const { return progressView_; }
    // The fill's width: its share of the track.
    const std::shared_ptr<LCConstraint>& progressWidth() const { return progressWidth_; }
    float progressFraction() const { return fraction_; }
    const std::shared_ptr<KXUpdateDownload>& download() const { return download_; }

    void setUPDownload();
    void openBtnClick();
    void retryBtnClick();
    // Shows `fraction` on the bar and as a percentage.
    void showProgress(float fraction);

private:
    class DownloadDelegate;

    void setupUI();
    void showState();
    void showFill(float fraction);
    void openFailed(const std::string& reason);

    std::shared_ptr<KXUpdateDownload> download_;
    std::shared_ptr<DownloadDelegate> downloadDelegate_;
    KXFilledView* bottomBg_ = nullptr;
    KXFilledView* progressBg_ = nullptr;
    QWidget* progressView_ = nullptr;
    QLabel* percentLabel_ = nullptr;
    QLabel* loadingLabel_ = nullptr;
    QLabel* sucesslabel_ = nullptr;
    QLabel* failureLabel_ = nullptr;
    KXBaseButton* openBtn_ = nullptr;
    KXBaseButton* retryBtn_ = nullptr;
    std::shared_ptr<LCConstraint> progressWidth_;
    float fraction_ = 0;
};
