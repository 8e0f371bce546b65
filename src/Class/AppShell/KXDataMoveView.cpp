#include "Class/AppShell/KXDataMoveView.h"

#include "Class/AppShell/KXMigration.h"
#include "Class/AppShell/KXRoundedBox.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/String.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

using foundation::Id;
using layoutwidgets::lcView;

namespace {

// The progress fill: a horizontal gradient as wide as the whole track, shown as far as the fill
// reaches.
class ProgressFill : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double trackWidth = parentWidget() ? parentWidget()->width() : width();
        QLinearGradient gradient(0, height() / 2.0, trackWidth, height() / 2.0);
        gradient.setColorAt(0.1, QColor(255, 198, 73));
        gradient.setColorAt(0.2, QColor(255, 87, 0));
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 5, 5);
        painter.fillPath(path, gradient);
    }
};

} // namespace

KXDataMoveView::KXDataMoveView(QWidget* parent, std::shared_ptr<KXMigration> migration)
    : KXBaseView(parent)
    , migration_(migration ? std::move(migration) : KXMigration::create())
{
    setUPUI();
}

KXDataMoveView::~KXDataMoveView() = default;

void KXDataMoveView::setUPUI()
{
    centerBg_ = new KXRoundedBox(this, Qt::white, 4, QColor(230, 230, 230));
    messageLabel_ = new QLabel(QStringLiteral("正在迁移旧版客户端的字体和账号…"), centerBg_);
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setStyleSheet(QStringLiteral("color: rgb(68, 68, 68); font-size: 13px;"));
    progressBg_ = new KXRoundedBox(centerBg_, QColor(243, 243, 243), 5);
    progressView_ = new ProgressFill(progressBg_);

    lc_makeConstraints(lcView(centerBg_), [](LCConstraintMaker& make) {
        make.center().equalTo(0);
        make.width().equalTo(300);
        make.height().equalTo(140);
    });
    lc_makeConstraints(lcView(messageLabel_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(36);
    });
    lc_makeConstraints(lcView(progressBg_), [](LCConstraintMaker& make) {
        make.centerX().equalTo(0);
        make.top().equalTo(84);
        make.width().equalTo(KXMigration::kFullWidth);
        make.height().equalTo(10);
    });
    const auto installed = lc_makeConstraints(lcView(progressView_), [](LCConstraintMaker& make) {
        make.left().top().bottom().equalTo(0);
        make.width().equalTo(0);
    });
    progressWidth_ = installed.back();
}

void KXDataMoveView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 51)); // black at 20 %
    KXBaseView::paintEvent(event);
}

void KXDataMoveView::setProgressWidth(float width)
{
    progressWidthConstant_ = width;
    progressWidth_->setOffset(width);
}

void KXDataMoveView::setUPMover()
{
    if (started_)
        return;
    started_ = true;
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("数据迁移错误"));
    const Id account = migration_->account();
    if (account.isNil()) {
        close();
        return;
    }
    migration_->moveOldFiles(dispatch::guardedQt(this, [](KXDataMoveView& self, float width) { self.setProgressWidth(width); }),
                             dispatch::guardedQt(this, [account](KXDataMoveView& self, const foundation::Ref<foundation::Dictionary>&) {
                                 // Reading the fonts' names relabels the module; the sign-in's errors belong to the migration.
                                 KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create("数据迁移错误"));
                                 KXMigration::signIn(account, dispatch::guardedQt(&self, [](KXDataMoveView& view, bool) { view.close(); }));
                             }));
}

void KXDataMoveView::close()
{
    finished_ = true;
    kx_removeFromSuperview(this);
}
