#include "Class/FontList/KXHomeEditStrView.h"

#include "Class/FontList/Core/KXCustomText.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

using layoutwidgets::lcView;

namespace {

const QColor kBorderBlue(58, 153, 255);

// A white panel with rounded corners, and optionally a frame: what a layer with a background,
// corner radius and border draws.
class RoundedPanel final : public QWidget {
public:
    RoundedPanel(QWidget* parent, QColor fill, std::optional<QColor> border)
        : QWidget(parent)
        , fill_(fill)
        , border_(border)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(border_ ? QPen(*border_, 1.0) : Qt::NoPen);
        painter.setBrush(fill_);
        painter.drawRoundedRect(area, 4.0, 4.0);
    }

private:
    QColor fill_;
    std::optional<QColor> border_;
};

QString fromUtf16(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string toUtf16(const QString& text)
{
    return std::u16string(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

} // namespace

KXHomeEditStrView::KXHomeEditStrView(QWidget* parent)
    : KXBaseView(parent)
{
    setUPUI();
}

KXHomeEditStrView::~KXHomeEditStrView() = default;

void KXHomeEditStrView::setUPUI()
{
    blowView_ = new RoundedPanel(this, Qt::white, std::nullopt);
    auto* title
        = fontliststyle::plainLabel(QString::fromUtf8("自定义文字"), 13, QColor(68, 68, 68), blowView_);

    borderView_ = new RoundedPanel(blowView_, Qt::white, kBorderBlue);
    textView_ = new QLineEdit(borderView_);
    textView_->setFrame(false);
    textView_->setPlaceholderText(QString::fromUtf8("输入预览文字，回车取前6个字"));
    QPalette fieldPalette = textView_->palette();
    fieldPalette.setColor(QPalette::Base, Qt::white);
    fieldPalette.setColor(QPalette::Text, QColor(51, 51, 51));
    textView_->setPalette(fieldPalette);
    connect(textView_, &QLineEdit::textChanged, this, [this] { keepFieldText(); });
    connect(textView_, &QLineEdit::returnPressed, this, [this] { insertNewline(); });

    confirmBtn_ = new QPushButton(QString::fromUtf8("确定"), blowView_);
    confirmBtn_->setCursor(Qt::PointingHandCursor);
    confirmBtn_->setStyleSheet(
        QStringLiteral("QPushButton { background: #3A99FF; color: white; border: none; border-radius: 4px; }"
                       "QPushButton:pressed { background: #2F7FD6; }"));
    connect(confirmBtn_, &QPushButton::clicked, this, [this] { confirmBtnClick(); });

    lc_makeConstraints(lcView(blowView_), [](LCConstraintMaker& make) {
        make.width().equalTo(320);
        make.height().equalTo(124);
        make.centerX().equalTo(0);
        make.centerY().equalTo(0);
    });
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.top().equalTo(14);
        make.height().equalTo(18);
        make.right().equalTo(-16);
    });
    lc_makeConstraints(lcView(borderView_), [](LCConstraintMaker& make) {
        make.left().equalTo(16);
        make.right().equalTo(-16);
        make.top().equalTo(42);
        make.height().equalTo(32);
    });
    lc_makeConstraints(lcView(textView_), [](LCConstraintMaker& make) {
        make.left().equalTo(8);
        make.right().equalTo(-8);
        make.top().equalTo(4);
        make.bottom().equalTo(-4);
    });
    lc_makeConstraints(lcView(confirmBtn_), [](LCConstraintMaker& make) {
        make.width().equalTo(72);
        make.height().equalTo(28);
        make.right().equalTo(-16);
        make.bottom().equalTo(-12);
    });
    textView_->setFocus();
    // Escape closes it as a click beside the body does, handing nothing over.
    kx_setOverlayKeys(this, [this] { kx_removeFromSuperview(this); });
}

void KXHomeEditStrView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), QColor(0, 0, 0, static_cast<int>(0.1 * 255 + 0.5)));
}

void KXHomeEditStrView::keepFieldText()
{
    const QString typed = textView_->text();
    const QString kept = fromUtf16(KXCustomText::fieldText(toUtf16(typed)));
    if (kept == typed)
        return;
    const int cursor = std::min(textView_->cursorPosition(), static_cast<int>(kept.size()));
    textView_->setText(kept);
    textView_->setCursorPosition(cursor);
}

void KXHomeEditStrView::handOver(const QString& text)
{
    const auto owner = delegate();
    if (!owner)
        return;
    // The editor leaves first (it is deleted later), so the owner sees the list without it.
    kx_removeFromSuperview(this);
    owner->confirmBtnClickWithString(foundation::String::create(text.toStdString()));
}

void KXHomeEditStrView::confirmBtnClick()
{
    if (textView_->text().isEmpty())
        return;
    handOver(textView_->text());
}

void KXHomeEditStrView::insertNewline()
{
    const QString text = textView_->text();
    const QString cut = fromUtf16(KXCustomText::enterText(toUtf16(text)));
    if (cut != text)
        textView_->setText(cut);
    handOver(cut);
}

void KXHomeEditStrView::mousePressEvent(QMouseEvent* event)
{
    // Presses on the field and the button never arrive here; any other place on the editor, the
    // white body included, closes it.
    event->accept();
    kx_removeFromSuperview(this);
}

bool KXHomeEditStrView::event(QEvent* event)
{
    const bool handled = KXBaseView::event(event);
    if (event->type() == QEvent::TouchBegin)
        kx_removeFromSuperview(this);
    return handled;
}
