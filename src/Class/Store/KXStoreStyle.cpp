#include "Class/Store/KXStoreStyle.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/Store/KXStoreButton.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>

namespace storestyle {

QFont systemFont(double points)
{
    QFont font = QApplication::font();
    font.setPixelSize(static_cast<int>(points));
    return font;
}

QColor qcolor(const KXColor& color)
{
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
        static_cast<float>(color.blue), static_cast<float>(color.alpha));
}

QString qstring(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QLabel* plainLabel(const QString& text, double points, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(systemFont(points));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    // The store's cells lie in table views, whose Base background would draw the text with Text.
    label->setForegroundRole(QPalette::WindowText);
    return label;
}

KXStoreButton* titledButton(const QString& title, const QColor& color, double points, QWidget* parent)
{
    auto* button = new KXStoreButton(parent);
    button->setTitle(title);
    button->setNormalFont(systemFont(points));
    button->setNormalColor(color);
    button->setKXBaseButtonAlignment(0);
    return button;
}

KXStoreButton* redButton(const QString& title, double radius, QWidget* parent)
{
    auto* button = titledButton(title, Qt::white, 14, parent);
    button->setLayerBackground(kStoreRed);
    button->setCornerRadius(radius);
    return button;
}

void fill(QWidget& widget, const QColor& color)
{
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::Base, color);
    widget.setPalette(palette);
}

void paintFace(
    QWidget& widget, const QColor& background, double radius, const QColor& border, double borderWidth)
{
    const bool bordered = border.isValid() && borderWidth > 0;
    if (!background.isValid() && !bordered)
        return;
    QPainter painter(&widget);
    painter.setRenderHint(QPainter::Antialiasing, radius > 0);
    const double inset = bordered ? borderWidth / 2 : 0;
    painter.setPen(bordered ? QPen(border, borderWidth) : Qt::NoPen);
    painter.setBrush(background.isValid() ? QBrush(background) : Qt::NoBrush);
    painter.drawRoundedRect(QRectF(widget.rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
}

TopBar topBar(QWidget* page, const QString& title)
{
    using layoutwidgets::lcView;
    TopBar top;
    top.bar = new QWidget(page);
    top.backBtn = titledButton(QStringLiteral("〈 返回"), kBoxTitle, 14, top.bar);
    top.title = plainLabel(title, 16, kCategoryTitle, top.bar);
    auto* line = new QWidget(page);
    fill(*line, kSeparator);
    lc_makeConstraints(lcView(top.bar), [](LCConstraintMaker& make) {
        make.left().right().top().equalTo(0);
        make.height().equalTo(kTopBarHeight);
    });
    lc_makeConstraints(lcView(top.backBtn), [](LCConstraintMaker& make) {
        make.left().equalTo(10);
        make.centerY().equalTo(0);
        make.width().equalTo(64);
        make.height().equalTo(30);
    });
    lc_makeConstraints(lcView(top.title), [](LCConstraintMaker& make) { make.center().equalTo(0); });
    lc_makeConstraints(lcView(line), [](LCConstraintMaker& make) {
        make.left().right().equalTo(0);
        make.top().equalTo(kTopBarHeight);
        make.height().equalTo(1);
    });
    return top;
}

} // namespace storestyle
