#include "Class/FontList/KXListCellProgressView.h"

#include "Class/FontList/Core/KXRowLook.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"

#include <QApplication>
#include <QPainter>

KXListCellProgressView::KXListCellProgressView(QWidget* parent)
    : QWidget(parent)
    , numLabel_(new QLabel(QStringLiteral("0"), this))
{
    numLabel_->setTextFormat(Qt::PlainText);
    numLabel_->setAlignment(Qt::AlignCenter);
    numLabel_->setFont(percentageFont());
    numLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(38, 38);
}

QFont KXListCellProgressView::percentageFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(10);
    return font;
}

void KXListCellProgressView::setProgress(double progress)
{
    progress_ = progress;
    QPalette palette = numLabel_->palette();
    palette.setColor(QPalette::WindowText, kx_qcolor(KXThemeManager::themeManager().progressNumColor()));
    numLabel_->setPalette(palette);
    numLabel_->setText(QString::fromStdString(KXRowLook::ringText(progress)));
    update();
}

void KXListCellProgressView::drawRing(QPainter& painter, const QRectF& square, double progress)
{
    const double w = square.width();
    const double radius = w / 2 - 6;
    const QPointF centre = square.topLeft() + QPointF(w / 2, w / 2);
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(173, 188, 177), 2));
    painter.drawEllipse(circle);
    painter.setPen(QPen(QColor(83, 207, 117), 2));
    painter.drawArc(circle, 0, static_cast<int>(std::lround(progress * 360 * 16)));
    painter.restore();
}

void KXListCellProgressView::drawPercentage(QPainter& painter, const QRectF& square, double progress, const QColor& color)
{
    painter.save();
    painter.setFont(percentageFont());
    painter.setPen(color);
    painter.drawText(square, Qt::AlignCenter, QString::fromStdString(KXRowLook::ringText(progress)));
    painter.restore();
}

void KXListCellProgressView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawRing(painter, QRectF(0, 0, width(), width()), progress_);
}

void KXListCellProgressView::resizeEvent(QResizeEvent*)
{
    numLabel_->setGeometry(0, 0, width(), height());
}
