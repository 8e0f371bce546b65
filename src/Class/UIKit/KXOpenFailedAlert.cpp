#include "Class/UIKit/KXOpenFailedAlert.h"

#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Platform/Desktop/URLOpener.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kPadding = 24;
constexpr int kGap = 12;
constexpr int kFieldMargin = 6;
constexpr int kMaxFieldLines = 4;
constexpr int kButtonHeight = 44;

QColor themed(const KXThemeManager::Color& color, const QColor& fallback)
{
    const QColor qt = kx_qcolor(color);
    return qt.isValid() ? qt : fallback;
}

// A failure is shown, not only logged, but the reason still helps whoever reads the console.
void logReason(const std::string& reason)
{
    std::fprintf(stderr, "%s\n", reason.c_str());
}

// The alert shown where no page asked (no window to stay with).
QPointer<KXOpenFailedAlert>& windowlessAlert()
{
    static QPointer<KXOpenFailedAlert> alert;
    return alert;
}

// The window's name in the window manager's frame and task bar: what failed, the message up to
// its first comma ("未能打开浏览器").
QString titleOf(const QString& message)
{
    return message.section(QChar(0xFF0C), 0, 0);
}

} // namespace

KXOpenFailedAlert::Content KXOpenFailedAlert::content(Kind kind, const std::string& target)
{
    switch (kind) {
    case Kind::Folder:
        return { QString::fromUtf8(kFolderMessage), QString::fromUtf8(kCopyPathTitle),
            QString::fromStdString(target) };
    case Kind::Package:
        return { QString::fromUtf8(kPackageMessage), QString::fromUtf8(kCopyPathTitle),
            QString::fromStdString(target) };
    case Kind::PaymentPage:
        return { QString::fromUtf8(kPaymentPageMessage), QString::fromUtf8(kCopyLinkTitle),
            QString::fromStdString(target) };
    case Kind::WebPage:
        break;
    }
    return { QString::fromUtf8(kWebPageMessage), QString::fromUtf8(kCopyLinkTitle),
        QString::fromStdString(target) };
}

bool KXOpenFailedAlert::openURL(const QWidget* page, const std::string& url, Kind kind)
{
    // The user copies what the browser would have received: the address without stray blanks.
    const std::string shown = desktop::URLOpener::acceptedWebAddress(url).value_or(url);
    auto late = [page = QPointer<const QWidget>(page), kind, shown](const std::string& reason) {
        logReason(reason);
        if (page)
            showOver(page, kind, shown);
    };
    if (auto failed = desktop::URLOpener::shared()->openURL(url, late)) {
        logReason(*failed);
        showOver(page, kind, shown);
        return false;
    }
    return true;
}

bool KXOpenFailedAlert::openFolder(const QWidget* page, const std::filesystem::path& folder)
{
    const std::string shown = folder.string();
    auto late = [page = QPointer<const QWidget>(page), shown](const std::string& reason) {
        logReason(reason);
        if (page)
            showOver(page, Kind::Folder, shown);
    };
    if (auto failed = desktop::URLOpener::shared()->openLocalFile(folder, late)) {
        logReason(*failed);
        showOver(page, Kind::Folder, shown);
        return false;
    }
    return true;
}

KXOpenFailedAlert* KXOpenFailedAlert::alertOf(const QWidget* page)
{
    if (!page)
        return windowlessAlert();
    const auto alerts = page->window()->findChildren<KXOpenFailedAlert*>(Qt::FindDirectChildrenOnly);
    return alerts.isEmpty() ? nullptr : alerts.first();
}

KXOpenFailedAlert* KXOpenFailedAlert::showOver(const QWidget* page, Kind kind, const std::string& target)
{
    KXOpenFailedAlert* alert = alertOf(page);
    if (!alert) {
        alert = new KXOpenFailedAlert(page);
        if (!page)
            windowlessAlert() = alert;
    }
    alert->fill(content(kind, target));
    kx_showCentred(alert);
    // The space bar dismisses it, and no caret blinks in the address until the user clicks there.
    alert->closeButton_->setFocus();
    return alert;
}

KXOpenFailedAlert::KXOpenFailedAlert(const QWidget* page)
    : messageLabel_(new QLabel(this))
    , targetField_(new QPlainTextEdit(this))
    , buttonLine_(new QFrame(this))
    , buttonDivider_(new QFrame(this))
    , copyButton_(KXBaseButton::buttonWithTitle(
          QString(), [this](KXBaseButton*) { copyBtnClick(); }, this))
    , closeButton_(KXBaseButton::buttonWithTitle(
          QString::fromUtf8(kCloseTitle), [this](KXBaseButton*) { closeBtnClick(); }, this))
{
    kx_setUpTransientWindow(this, page ? page->window() : nullptr, QSize(kWidth, 200), titleOf(QString::fromUtf8(kWebPageMessage)));
    setAutoFillBackground(true);

    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setWordWrap(true);
    QFont messageFont = messageLabel_->font();
    messageFont.setPointSizeF(12);
    messageLabel_->setFont(messageFont);

    // Plain text the user can select and copy by hand; long addresses wrap anywhere instead of
    // running out of sight.
    targetField_->setReadOnly(true);
    targetField_->setFocusPolicy(Qt::ClickFocus);
    targetField_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    targetField_->setFrameShape(QFrame::NoFrame);
    targetField_->setWordWrapMode(QTextOption::WrapAnywhere);
    targetField_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    targetField_->document()->setDocumentMargin(kFieldMargin);
    QFont fieldFont = targetField_->font();
    fieldFont.setPointSizeF(12);
    targetField_->setFont(fieldFont);

    for (KXBaseButton* button : { copyButton_, closeButton_ }) {
        QFont font = button->normalFont();
        font.setPointSizeF(14);
        button->setNormalFont(font);
        button->setFocusPolicy(Qt::StrongFocus);
    }
}

void KXOpenFailedAlert::fill(const Content& content)
{
    content_ = content;
    setWindowTitle(titleOf(content.message));
    messageLabel_->setText(content.message);
    targetField_->setPlainText(content.target);
    copyButton_->setTitle(content.copyTitle);
    applyPalette();
    layOut();
}

void KXOpenFailedAlert::applyPalette()
{
    const auto& theme = KXThemeManager::themeManager();
    // The light set marks the primary button in the list's brown, the dark set in the slider's amber.
    QColor accent = theme.isNight() ? themed(theme.sortingViewSelected(), QColor(151, 125, 98))
                                    : themed(theme.filterViewTabSeleBG(), QColor(255, 173, 0));
    accent.setAlphaF(1);

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, themed(theme.RightBGC(), Qt::white));
    palette.setColor(QPalette::WindowText, themed(theme.locallistcellLabel(), QColor(51, 51, 51)));
    setPalette(palette);

    QPalette field = targetField_->palette();
    field.setColor(QPalette::Base, themed(theme.CustomTFBGC(), QColor(246, 246, 246)));
    field.setColor(QPalette::Text, themed(theme.CustomTFText(), QColor(128, 128, 128)));
    targetField_->setPalette(field);

    const QColor line = themed(theme.filterViewLine(), QColor(238, 238, 238));
    for (QFrame* frame : { buttonLine_, buttonDivider_ }) {
        frame->setAutoFillBackground(true);
        QPalette linePalette = frame->palette();
        linePalette.setColor(QPalette::Window, line);
        frame->setPalette(linePalette);
    }
    copyButton_->setNormalColor(accent);
    closeButton_->setNormalColor(themed(theme.listcellTitleLabel(), QColor(119, 119, 119)));
}

void KXOpenFailedAlert::layOut()
{
    const int inner = kWidth - 2 * kPadding;
    const QFontMetrics messageMetrics(messageLabel_->font());
    const int messageHeight
        = messageMetrics.boundingRect(QRect(0, 0, inner, 10000), Qt::TextWordWrap, content_.message).height();
    messageLabel_->setGeometry(kPadding, kPadding, inner, messageHeight);

    const QFontMetrics fieldMetrics(targetField_->font());
    const int textWidth = inner - 2 * kFieldMargin - 4;
    const int lineHeight = fieldMetrics.lineSpacing();
    const int textHeight
        = fieldMetrics.boundingRect(QRect(0, 0, textWidth, 100000), Qt::TextWrapAnywhere, content_.target)
              .height();
    const int lines = std::clamp((textHeight + lineHeight - 1) / lineHeight, 1, kMaxFieldLines);
    const int fieldHeight = lines * lineHeight + 2 * kFieldMargin + 2;
    const int fieldTop = kPadding + messageHeight + kGap;
    targetField_->setGeometry(kPadding, fieldTop, inner, fieldHeight);
    targetField_->setVerticalScrollBarPolicy(
        textHeight > lines * lineHeight ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);

    const int lineTop = fieldTop + fieldHeight + kPadding;
    buttonLine_->setGeometry(0, lineTop, kWidth, 1);
    const int half = kWidth / 2;
    copyButton_->setGeometry(0, lineTop + 1, half, kButtonHeight);
    buttonDivider_->setGeometry(half, lineTop + 1 + 10, 1, kButtonHeight - 20);
    closeButton_->setGeometry(half + 1, lineTop + 1, kWidth - half - 1, kButtonHeight);
    for (KXBaseButton* button : { copyButton_, closeButton_ })
        button->setKXBaseButtonAlignment(2);
    setFixedSize(kWidth, lineTop + 1 + kButtonHeight);
}

void KXOpenFailedAlert::copyBtnClick()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(content_.target);
}

void KXOpenFailedAlert::closeBtnClick()
{
    close();
}
