#include "Class/FontList/KXFontDetailView.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXRemoveFromSuperview.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Graphics/Image.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

using fontliststyle::fill;
using fontliststyle::systemFont;
using foundation::Id;
using foundation::Ref;
using layoutwidgets::lcView;

namespace {

constexpr double kSampleWidth = 280;
constexpr double kNameMaxWidth = 290;

QString text(const Id& value)
{
    return QString::fromStdString(value.stringValue());
}

// The URL of a text entry; nil for anything else or an empty text.
Ref<foundation::URL> urlOf(const Id& value)
{
    const auto string = value.string();
    if (!string || string->length() == 0)
        return nullptr;
    return foundation::URL::URLWithString(string->utf8());
}

// The description: plain text in a document with 5 points between lines, as tall as its lines at
// the width it is given.
class DescriptionText final : public QWidget {
public:
    DescriptionText(const QString& plain, QWidget* parent)
        : QWidget(parent)
    {
        document_.setDocumentMargin(0);
        document_.setDefaultFont(systemFont(12));
        document_.setPlainText(plain);
        QTextCursor cursor(&document_);
        cursor.select(QTextCursor::Document);
        QTextCharFormat character;
        character.setForeground(QColor(153, 153, 153));
        cursor.mergeCharFormat(character);
        QTextBlockFormat block;
        block.setLineHeight(5, QTextBlockFormat::LineDistanceHeight);
        cursor.mergeBlockFormat(block);
    }

    int heightForWidth(int width) const override
    {
        document_.setTextWidth(width);
        return static_cast<int>(std::ceil(document_.size().height()));
    }
    bool hasHeightForWidth() const override { return true; }
    const QTextDocument& document() const { return document_; }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const int wanted = heightForWidth(width());
        if (wanted == height())
            return;
        lc_updateConstraints(
            lcView(this), [wanted](LCConstraintMaker& make) { make.height().equalTo(wanted); });
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        document_.setTextWidth(width());
        document_.drawContents(&painter);
    }

private:
    mutable QTextDocument document_;
};

} // namespace

KXFontDetailView::KXFontDetailView(QWidget* parent)
    : KXBaseView(parent)
{
    // Escape goes back, as it closes the other panels laid over a list.
    kx_setOverlayKeys(this, [this] { backBtnClick(); });
}

KXFontDetailView::~KXFontDetailView() = default;

QScrollArea* KXFontDetailView::scrollView()
{
    if (!scrollView_) {
        scrollView_ = new QScrollArea(this);
        scrollView_->setFrameShape(QFrame::NoFrame);
        scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scrollView_->setWidgetResizable(false);
        // A page of the scroller moves a fifth of the view, as the panel's scroller does.
        scrollView_->verticalScrollBar()->setSingleStep(20);
        scrollView_->viewport()->installEventFilter(this);
        lc_makeConstraints(lcView(scrollView_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    }
    return scrollView_;
}

void KXFontDetailView::setInfoDic(const Ref<foundation::Dictionary>& info)
{
    infoDic_ = info;
    if (built_)
        return;
    built_ = true;
    setUPUI();
}

void KXFontDetailView::backBtnClick()
{
    kx_removeFromSuperview(this);
}

void KXFontDetailView::showIn(QWidget* host)
{
    if (!host)
        return;
    setParent(host);
    lc_makeConstraints(lcView(this), [](LCConstraintMaker& make) {
        make.top().equalTo(0);
        make.bottom().equalTo(0);
        make.right().equalTo(0);
        make.width().equalTo(kWidth);
        make.left().equalTo(0).priorityLow();
    });
    show();
    raise();
}

void KXFontDetailView::requestAndShow(
    QWidget* host, long long fontid, std::function<void(KXFontDetailView*)> shown)
{
    QPointer<QWidget> guardedHost(host);
    KXHTTPBUSINESS().getFontDetailInfoByFontid(
        fontid,
        [guardedHost, shown = std::move(shown)](const Id& reply) {
            const auto info = reply["corvane_data"].dictionary();
            if (!guardedHost || reply["errcode"].isNil() || reply["errcode"].integerValue() != 0 || !info)
                return;
            auto* panel = new KXFontDetailView;
            panel->setInfoDic(info);
            panel->showIn(guardedHost);
            if (shown)
                shown(panel);
        },
        [](const Ref<foundation::Error>&) {});
}

QLabel* KXFontDetailView::addLabel(const QString& content, int pixelSize, const QColor& color)
{
    return fontliststyle::plainLabel(content, pixelSize, color, document_);
}

void KXFontDetailView::below(QWidget* view, double gap, double left)
{
    QWidget* anchor = last_;
    lc_makeConstraints(lcView(view), [&](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(anchor))).offset(gap);
        if (left < 0)
            make.centerX().equalTo(0);
        else
            make.left().equalTo(left);
    });
    last_ = view;
}

void KXFontDetailView::addHeader(const char* title, double gap)
{
    below(addLabel(QString::fromUtf8(title), 14, QColor(185, 153, 90)), gap);
    auto* ornament = new ImageView(document_);
    ornament->setImage(KXImage::imageNamed("fontDetailTitletip"));
    below(ornament, 2);
}

ImageView* KXFontDetailView::addSizedImage(const Id& url, double width, double gap, bool gapBeforeArrival)
{
    auto* view = new ImageView(document_);
    QWidget* anchor = last_;
    lc_makeConstraints(lcView(view), [&](LCConstraintMaker& make) {
        make.top().equalTo(lc_bottom(lcView(anchor))).offset(gapBeforeArrival ? gap : 0);
        make.centerX().equalTo(0);
        make.width().equalTo(width);
        make.height().equalTo(0);
    });
    last_ = view;
    // Until the image is in, the view takes no room; one that never comes (or has no width) stays so.
    QPointer<ImageView> guarded(view);
    il_setImageWithURL(view, urlOf(url), nullptr, 0,
        [guarded, anchor = QPointer<QWidget>(anchor), width, gap](const ILImageRef& image,
            const Ref<foundation::Error>&, ILCacheType, const Ref<foundation::URL>&) {
            if (!guarded || !anchor || !image || image->size().width() <= 0)
                return;
            const QSizeF size = image->size();
            const double height = std::round(width * size.height() / size.width());
            lc_updateConstraints(lcView(guarded), [&](LCConstraintMaker& make) {
                make.top().equalTo(lc_bottom(lcView(anchor))).offset(gap);
                make.height().equalTo(height);
            });
        });
    return view;
}

void KXFontDetailView::addWeights(const Id& list)
{
    const std::size_t count = std::min<std::size_t>(list.count(), kMaxEntries);
    for (std::size_t index = 0; index < count; ++index) {
        const Id weight = list[index];
        auto* name = addLabel(text(weight["name"]), 14, QColor(68, 68, 68));
        below(name, index == 0 ? 50 : 20, 36);
        lc_makeConstraints(lcView(name), [](LCConstraintMaker& make) { make.width().equalTo(80); });
        auto* sample = new ImageView(document_);
        sample->setImageAlignment(ImageAlignment::Left);
        sample->setImageScaling(ImageScaling::ProportionallyDown);
        lc_makeConstraints(lcView(sample), [name](LCConstraintMaker& make) {
            make.left().equalTo(lc_right(lcView(name))).offset(10);
            make.centerY().equalTo(lc_centerY(lcView(name)));
            make.width().equalTo(200);
            make.height().equalTo(20);
        });
        last_ = sample;
        il_setImageWithURL(sample, urlOf(weight["image"]));
    }
}

void KXFontDetailView::addFacts()
{
    static constexpr std::pair<const char*, const char*> facts[] = {
        { "设计师：       %@", "designer" },
        { "品   牌：        %@", "provider" },
        { "分   类：        %@", "type_info" },
        { "语   言：        %@", "language" },
        { "发行时间：    %@", "made_time" },
    };
    const Id info(infoDic_);
    bool first = true;
    for (const auto& [format, key] : facts) {
        auto* fact = addLabel(
            QString::fromStdString(foundation::format(format, info[key])), 12, QColor(119, 119, 119));
        below(fact, first ? 30 : 10, 17);
        if (first)
            lc_makeConstraints(lcView(fact), [](LCConstraintMaker& make) { make.width().equalTo(200); });
        first = false;
    }
    lastFact_ = last_;
    lastFact_->installEventFilter(this);
}

void KXFontDetailView::setUPUI()
{
    fill(*this, QColor(230, 230, 230));
    document_ = new QWidget;
    fill(*document_, Qt::white);
    scrollView()->setWidget(document_);
    const Id info(infoDic_);

    auto* bar = new QWidget(this);
    fill(*bar, Qt::white);
    lc_makeConstraints(lcView(bar), [](LCConstraintMaker& make) {
        make.top().left().right().equalTo(0);
        make.height().equalTo(30);
    });
    auto* back = KXBaseButton::buttonWithImage(
        KXImage::imageNamed("recommendBack"), [this](KXBaseButton*) { backBtnClick(); }, bar);
    lc_makeConstraints(lcView(back), [](LCConstraintMaker& make) {
        make.width().height().equalTo(20);
        make.left().equalTo(11);
        make.top().equalTo(7);
    });

    auto* cover = new ImageView(document_);
    lc_makeConstraints(lcView(cover), [](LCConstraintMaker& make) {
        make.top().equalTo(33);
        make.left().equalTo(5);
        make.right().equalTo(-5);
        make.height().equalTo(209);
    });
    if (const auto url = urlOf(info["cover_img"]))
        il_setImageWithURL(cover, url);
    else
        cover->setImage(KXImage::imageNamed("fontDetailTopBg"));
    auto* content = new ImageView(document_);
    lc_makeConstraints(
        lcView(content), [cover](LCConstraintMaker& make) { make.edges().equalTo(lcView(cover)); });
    if (const auto url = urlOf(info["content_img"]))
        il_setImageWithURL(content, url);
    last_ = content;

    auto* name = addLabel(text(info["font_name"]), 16, QColor(68, 68, 68));
    name->setWordWrap(true);
    name->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    const int nameWidth
        = std::min(static_cast<int>(kNameMaxWidth), name->fontMetrics().horizontalAdvance(name->text()) + 2);
    below(name, 24);
    lc_makeConstraints(lcView(name), [&](LCConstraintMaker& make) {
        make.width().equalTo(nameWidth);
        make.height().equalTo(name->heightForWidth(nameWidth));
    });

    const Id intro = info["intro_img"];
    if (intro.array())
        for (std::size_t index = 0; index < std::min<std::size_t>(intro.count(), kMaxEntries); ++index)
            addSizedImage(intro[index], kSampleWidth, index == 0 ? 50 : 0, false);

    const Id apply = info["ft_apply"];
    if (apply.array() && apply.count() > 0) {
        addHeader("字体应用", 30);
        for (std::size_t index = 0; index < std::min<std::size_t>(apply.count(), kMaxEntries); ++index)
            addSizedImage(apply[index], kSampleWidth, 50, false);
    }

    addHeader("常用标点、西文字符", 50);
    addSizedImage(info["punctuation"], 300, 30, true);

    const Id weights = info["font_list"];
    if (weights.array() && weights.count() > 0) {
        addHeader("多字重", 50);
        addWeights(weights);
    }

    if (const auto url = urlOf(info["apply_img"])) {
        addHeader("应用案例", 50);
        auto* example = new ImageView(document_);
        below(example, 45);
        lc_makeConstraints(lcView(example), [](LCConstraintMaker& make) {
            make.width().equalTo(263);
            make.height().equalTo(132);
        });
        il_setImageWithURL(example, url);
    }

    if (info["tags"].string() && info["tags"].count() > 0) {
        addHeader("字体标签", 50);
        auto* tags = addLabel(text(info["tags"]), 16, QColor(68, 68, 68));
        tags->setWordWrap(true);
        tags->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        below(tags, 40);
        lc_makeConstraints(lcView(tags), [tags](LCConstraintMaker& make) {
            make.width().equalTo(250);
            make.height().equalTo(tags->heightForWidth(250));
        });
    }

    addHeader("字体介绍", 50);
    if (info["describe"].string() && info["describe"].count() > 0) {
        auto* description = new DescriptionText(text(info["describe"]), document_);
        below(description, 50, 17);
        const int guess = description->heightForWidth(static_cast<int>(kWidth) - 34);
        lc_makeConstraints(lcView(description), [guess](LCConstraintMaker& make) {
            make.right().equalTo(-17);
            make.height().equalTo(guess);
        });
    }

    addFacts();
    bar->raise();
    fitDocument();
}

void KXFontDetailView::fitDocument()
{
    if (!document_ || !scrollView_)
        return;
    const int width = scrollView_->viewport()->width();
    const int height = lastFact_ ? lastFact_->geometry().bottom() + 1 + 30 : 0;
    if (document_->size() != QSize(width, height))
        document_->resize(width, height);
}

bool KXFontDetailView::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if ((type == QEvent::Resize || type == QEvent::Move)
        && (watched == lastFact_ || (scrollView_ && watched == scrollView_->viewport())))
        fitDocument();
    return KXBaseView::eventFilter(watched, event);
}
