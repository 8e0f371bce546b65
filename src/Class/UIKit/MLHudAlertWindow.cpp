#include "Class/UIKit/MLHudAlertWindow.h"

#include "Class/UIKit/MLHudLoadingIndicator.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>

namespace {
constexpr int kIconSide = 36;
constexpr int kPadding = 20;
constexpr int kIconGap = 12;
constexpr int kMinWidth = 160;
constexpr double kFrameSeconds = 1.0 / 60;
const QChar kEllipsis(0x2026);

// The field (a QLabel) wraps at word boundaries only: a run wider than the line would stay on one
// line and, centred, show neither its start nor its end. Fitting breaks such a run where the line
// ends and marks the break with this invisible break opportunity, which the field honours.
const QChar kRunBreak(0x200B);

// The longest start of `text` no longer than `length` that ends between two characters as the reader
// sees them: never inside a joined emoji, nor between a syllable and its marks.
qsizetype graphemeCut(QStringView text, qsizetype length)
{
    if (length <= 0 || length >= text.size())
        return std::clamp<qsizetype>(length, 0, text.size());
    // Whether a character ends at `length` depends on what precedes it and on the next code point
    // alone, so the rest of a long message is not looked at.
    const QStringView start = text.left(length + 2);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, start.data(), start.size());
    graphemes.setPosition(length);
    if (graphemes.isAtBoundary())
        return length;
    return std::max<qsizetype>(graphemes.toPreviousBoundary(), 0);
}

// The height of `text` as the field draws it: wrapped at word boundaries within `width`.
int wrappedHeight(const QFontMetrics& metrics, int width, const QString& text)
{
    return metrics.boundingRect(QRect(0, 0, width, 1 << 24), Qt::TextWordWrap, text).height();
}

// The start of a text wrapped within a width: at word boundaries, and inside a run only where the
// run alone is wider than the line.
struct WrappedLines {
    QString text;            // the start of the message, with kRunBreak where a run was broken
    std::vector<int> starts; // where each line starts in `text`
    bool whole = false;      // `text` holds the whole message and `starts` all its lines
};

// The lines of the first `length` characters of `text` within `width`: at most `wanted` of them.
WrappedLines wrapStart(const QFont& font, int width, const QString& text, qsizetype length, qsizetype wanted)
{
    const QString measured = length < text.size() ? text.left(graphemeCut(text, length)) : text;
    QString laidOut = measured;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    std::vector<int> starts;
    bool ended = false;
    layout.beginLayout();
    while (static_cast<qsizetype>(starts.size()) < wanted) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            ended = true;
            break;
        }
        line.setLineWidth(width);
        starts.push_back(line.textStart());
    }
    layout.endLayout();

    WrappedLines wrapped;
    wrapped.whole = ended && measured.size() == text.size();
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, laidOut);
    wrapped.text.reserve(measured.size() + static_cast<qsizetype>(starts.size()));
    int copied = 0;
    for (int& start : starts) {
        breaks.setPosition(start);
        const bool forced = start > 0 && !breaks.isAtBoundary();
        wrapped.text += QStringView(measured).mid(copied, start - copied);
        copied = start;
        if (forced)
            wrapped.text += kRunBreak;
        start = static_cast<int>(wrapped.text.size());
    }
    wrapped.text += QStringView(measured).mid(copied);
    wrapped.starts = std::move(starts);
    return wrapped;
}

// The first lines of `text` within `width`: all of them when they are no more than `maxLines`, else
// `maxLines` and the start of the next. Only as much of the text is laid out as those lines need,
// so the cost follows what can be shown, not the length of the message: most characters are
// several pixels wide, so a first try takes four pixels a character and a longer one follows only
// when that falls short; none is narrower than a pixel, which bounds the last try.
WrappedLines wrapLines(const QFont& font, int width, const QString& text, qsizetype maxLines)
{
    const qsizetype wanted = maxLines + 1;
    const qsizetype bound = wanted * (std::max(width, 1) + 1);
    for (qsizetype length = wanted * std::max(width / 4, 1);; length *= 2) {
        length = std::min(length, bound);
        WrappedLines wrapped = wrapStart(font, width, text, length, wanted);
        const bool enough = static_cast<qsizetype>(wrapped.starts.size()) >= wanted;
        if (wrapped.whole || enough || length >= bound || length >= text.size())
            return wrapped;
    }
}

// The first `lines` lines of `wrapped`, the last of them shortened as needed to end with "…"
// within `width`.
QString firstLines(const QFontMetrics& metrics, int width, const WrappedLines& wrapped, std::size_t lines)
{
    const QString& text = wrapped.text;
    const int lastStart = wrapped.starts[lines - 1];
    const int lastEnd = lines < wrapped.starts.size() ? wrapped.starts[lines] : static_cast<int>(text.size());
    QStringView last = QStringView(text).mid(lastStart, lastEnd - lastStart);
    while (!last.isEmpty() && (last.back().isSpace() || last.back() == kRunBreak))
        last.chop(1);
    // A longer start is never narrower, so halving finds the longest that leaves room for "…".
    qsizetype fits = 0;
    qsizetype tooLong = last.size() + 1;
    while (tooLong - fits > 1) {
        const qsizetype middle = fits + (tooLong - fits) / 2;
        if (metrics.horizontalAdvance(last.left(middle).toString() + kEllipsis) <= width)
            fits = middle;
        else
            tooLong = middle;
    }
    return text.left(lastStart) + last.left(graphemeCut(last, fits)).toString() + kEllipsis;
}

// `text` as the field shows it within `width` and at most `limit` high: whole when it fits, else
// its first lines, the last of them ending with "…" (one line at the least). Runs wider than the
// line are broken where the line ends.
QString fittedText(const QFont& font, int width, int limit, const QString& text)
{
    const QFontMetrics metrics(font);
    // Every line takes at least a line spacing, so no more than this many fit.
    const qsizetype maxLines = static_cast<qsizetype>(limit / std::max(metrics.lineSpacing(), 1)) + 1;
    const WrappedLines wrapped = wrapLines(font, width, text, maxLines);
    if (wrapped.starts.empty())
        return text;
    if (wrapped.whole && static_cast<qsizetype>(wrapped.starts.size()) <= maxLines
        && wrappedHeight(metrics, width, wrapped.text) <= limit)
        return wrapped.text;
    std::size_t lines = std::min<std::size_t>(wrapped.starts.size(), static_cast<std::size_t>(maxLines));
    QString shown = firstLines(metrics, width, wrapped, lines);
    while (lines > 1 && wrappedHeight(metrics, width, shown) > limit)
        shown = firstLines(metrics, width, wrapped, --lines);
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
    // The toast comes by itself, often under the pointer: what lies beneath keeps the pointer,
    // its hover and every click (the click monitor closes the toast on the way).
    setAttribute(Qt::WA_TransparentForMouseEvents);
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
    // Only whether the message is wider than the widest toast matters: no drawn character is
    // narrower than a pixel, so a start of kMaxWidth characters tells.
    const int textWidth = metrics.horizontalAdvance(message_.left(kMaxWidth));
    const int width = std::clamp(textWidth + 2 * kPadding, kMinWidth, kMaxWidth);
    const int textArea = width - 2 * kPadding;
    const int textTop = kPadding + kIconSide + kIconGap;

    // At least one line, however small the parent; without one the whole message shows.
    const QWidget* parent = parentWidget();
    const int textLimit = parent
        ? std::max(parent->height() - 2 * kParentMargin - textTop - kPadding, metrics.height())
        : std::numeric_limits<int>::max();
    const QString shown = fittedText(messageField_->font(), textArea, textLimit, message_);
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
