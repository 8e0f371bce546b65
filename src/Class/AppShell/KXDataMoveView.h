#pragma once

#include "Class/UIKit/KXBaseView.h"

#include <QPointer>

#include <memory>

class KXMigration;
class LCConstraint;
class QLabel;

// The overlay of the one-time migration: a card with a progress track over a dimmed window while
// the former client's fonts are copied, then the former account is signed in and the overlay
// closes. It closes at once when there is nothing to migrate.
class KXDataMoveView : public KXBaseView {
    Q_OBJECT

public:
    // Reads the sources of the system; `migration` for tests.
    explicit KXDataMoveView(QWidget* parent = nullptr, std::shared_ptr<KXMigration> migration = nullptr);
    ~KXDataMoveView() override;

    QWidget* centerBg() const { return centerBg_; }
    QWidget* progressBg() const { return progressBg_; }
    QWidget* progressView() const { return progressView_; }
    const std::shared_ptr<LCConstraint>& progressWidth() const { return progressWidth_; }
    double progressWidthConstant() const { return progressWidthConstant_; }

    // Starts the migration; called once the overlay is in place.
    void setUPMover();
    bool isFinished() const { return finished_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUPUI();
    void setProgressWidth(float width);
    void close();

    std::shared_ptr<KXMigration> migration_;
    QWidget* centerBg_ = nullptr;
    QWidget* progressBg_ = nullptr;
    QWidget* progressView_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    std::shared_ptr<LCConstraint> progressWidth_;
    double progressWidthConstant_ = 0;
    bool started_ = false;
    bool finished_ = false;
};
