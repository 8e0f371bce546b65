#include "Class/UIKit/MLHudAlertWindow.h"

#include "Class/UIKit/MLHudLoadingIndicator.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTextLayout>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {
constexpr int kIconSide = 36;
constexpr int kPadding = 20;
constexpr int kIconGap = 12;
constexpr int kMinWidth = 160;
constexpr double kFrameSeconds = 1.0 / 60;
const QChar kEllipsis(0x2026);

// The height of `text` as the field draws it: wrapped at word boundaries within `width`.
int wrappedHeight(const QFontMetrics& metrics, int width, const QString& text)
{
    return metrics.boundingRect(QRect(0, 0, width, 1 << 24), Qt::TextWordWrap, text).height();
}

// Where each line of `text` starts when wrapped at word boundaries within `width`, as the field
// wraps it (a line feed ends a line).
std::vector<int> lineStarts(const QFont& font, int width, QString text)
{
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    std::vector<int> starts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        starts.push_back(line.textStart());
    }
    layout.endLayout();
    return starts;
}

// The first `lines` lines of `text`, the last of them shortened as needed to end with "…" within
// `width`.
QString firstLines(const QFontMetrics& metrics, int width, const QString& text, const std::vector<int>& starts,
                   std::size_t lines)
{
    const int lastStart = starts[lines - 1];
    const int lastEnd = lines < starts.size() ? starts[lines] : static_cast<int>(text.size());
    QString last = text.mid(lastStart, lastEnd - lastStart);
    while (!last.isEmpty() && (last.back().isSpace() || last.back() == QChar::LineSeparator))
        last.chop(1);
    while (!last.isEmpty() && metrics.horizontalAdvance(last + kEllipsis) > width)
        last.chop(last.size() >= 2 && last.back().isLowSurrogate() ? 2 : 1);
    return text.left(lastStart) + last + kEllipsis;
}

// `text` as the field shows it within `width` and at most `limit` high: whole when it fits, else
// its first lines, the last of them ending with "…" (one line at the least).
QString fittedText(const QFont& font, int width, int limit, const QString& text)
{
    const QFontMetrics metrics(font);
    if (wrappedHeight(metrics, width, text) <= limit)
        return text;
    const std::vector<int> starts = lineStarts(font, width, text);
    if (starts.empty())
        return text;
    // Every line takes at least a line spacing, so no more than this many fit.
    std::size_t lines = std::min<std::size_t>(static_cast<std::size_t>(limit / std::max(metrics.lineSpacing(), 1)) + 1, starts.size());
    QString shown = firstLines(metrics, width, text, starts, lines);
    while (lines > 1 && wrappedHeight(metrics, width, shown) > limit)
        shown = firstLines(metrics, width, text, starts, --lines);
    return shown;
}
} // namespace

MLHudAlertWindow::MLHudAlertWindow(QWidget* parent)
    : QWidget(parent)
    , iconView_(new QLabel(this))
    , messageField_(new QLabel(this))
    , loadingIndicator_(new MLHudLoadingIndicator(this))
    , opacity_(new QGraphicsOpacityEffect(this))
{
    iconView_->setScaledContents(true);
    iconView_->setFixedSize(kIconSide, kIconSide);
    messageField_->setTextFormat(Qt::PlainText);
    messageField_->setWordWrap(true);
    messageField_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont font = messageField_->font();
    font.setPointSizeF(13);
    messageField_->setFont(font);
    loadingIndicator_->setFixedSize(kIconSide, kIconSide);
    loadingIndicator_->hide();
    opacity_->setOpacity(0);
    setGraphicsEffect(opacity_);
    setAttribute(Qt::WA_TranslucentBackground);
    fitToContent();
}

MLHudAlertWindow::~MLHudAlertWindow()
{
    stopFade();
}

void MLHudAlertWindow::setCornerRadius(float radius)
{
    cornerRadius_ = radius;
    update();
}

double MLHudAlertWindow::alphaValue() const
{
    return opacity_->opacity();
}

void MLHudAlertWindow::setAlphaValue(double alpha)
{
    opacity_->setOpacity(alpha);
}

void MLHudAlertWindow::stopFade()
{
    if (auto fade = std::exchange(fade_, nullptr))
        fade->cancel();
}

void MLHudAlertWindow::animateAlphaTo(double target)
{
    stopFade();
    const double from = alphaValue();
    const auto start = dispatch::Clock::current()->now();
    QPointer<MLHudAlertWindow> self(this);
    fade_ = dispatch::TimerSource::create(dispatch::mainQueue().shared_from_this(), kFrameSeconds, kFrameSeconds,
                                          [self, from, target, start] {
        if (!self)
            return;
        const std::chrono::duration<double> elapsed = dispatch::Clock::current()->now() - start;
        // Frames land on the clock's tick, so the last one may fall a hair before the end.
        double progress = elapsed.count() / kFadeSeconds;
        if (progress > 1.0 - 1e-6)
            progress = 1.0;
        self->setAlphaValue(from + (target - from) * progress);
        if (progress < 1.0)
            return;
        self->stopFade();
        if (target <= 0)
            self->hide();
    });
    fade_->start();
}

void MLHudAlertWindow::setMessage(const QString& message)
{
    message_ = message;
    fitToContent();
}

void MLHudAlertWindow::fitToContent()
{
    const QFontMetrics metrics(messageField_->font());
    const int textWidth = metrics.horizontalAdvance(message_);
    const int width = std::clamp(textWidth + 2 * kPadding, kMinWidth, kMaxWidth);
    const int textArea = width - 2 * kPadding;
    const int textTop = kPadding + kIconSide + kIconGap;

    QString shown = message_;
    if (const QWidget* parent = parentWidget()) {
        // At least one line, however small the parent.
        const int textLimit = std::max(parent->height() - 2 * kParentMargin - textTop - kPadding, metrics.height());
        shown = fittedText(messageField_->font(), textArea, textLimit, message_);
    }
    messageField_->setText(shown);
    const int textHeight = wrappedHeight(metrics, textArea, shown);

    const int height = textTop + std::max(textHeight, metrics.height()) + kPadding;
    setFixedSize(width, height);
    iconView_->move((width - kIconSide) / 2, kPadding);
    loadingIndicator_->move((width - kIconSide) / 2, kPadding);
    messageField_->setGeometry(kPadding, textTop, textArea, height - textTop - kPadding);
}

void MLHudAlertWindow::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
    painter.fillPath(path, Qt::black);
}

void MLHudAlertWindow::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (onClick)
        onClick();
}

void MLHudAlertWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}
