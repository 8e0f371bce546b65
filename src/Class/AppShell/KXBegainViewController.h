#pragma once

#include "Platform/Dispatch/Subscription.h"

#include <QWidget>

#include <memory>

class ImageView;
class KXHTTPBUSINESS;
namespace dispatch {
struct Notification;
}

// The splash's content: the animated image while the start-up restores the sign-in, fetches the
// start-up data, the favourite folders and the catalogue data state, and applies the data-version
// baseline; kHandOverSeconds after it appeared it hands over to the main window, whatever the
// replies. The replies write only shared state, so they still apply after the splash is gone; the
// hand-over holds the splash weakly.
//
// viewDidLoad runs at construction, viewWillAppear at the first non-spontaneous show, viewDidAppear
// on the next turn of the main queue.
class KXBegainViewController : public QWidget {
    Q_OBJECT

public:
    static constexpr double kHandOverSeconds = 4.0;

    explicit KXBegainViewController(QWidget* parent = nullptr);
    ~KXBegainViewController() override;

    std::shared_ptr<KXHTTPBUSINESS> bussinessR();
    void setBussinessR(std::shared_ptr<KXHTTPBUSINESS> business) { bussinessR_ = std::move(business); }

    ImageView* imageView() const { return imageView_; }
    bool hasAppeared() const { return appeared_; }
    bool hasHandedOver() const { return handedOver_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void viewDidLoad();
    void viewDidAppear();
    void handOver();
    void receiveNotification(const dispatch::Notification& notification);

    std::shared_ptr<KXHTTPBUSINESS> bussinessR_;
    ImageView* imageView_ = nullptr;
    dispatch::Subscription observation_;
    bool appeared_ = false;
    bool handedOver_ = false;
};
