#include "Class/FontList/KXRowPainter.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/FontList/KXListCellProgressView.h"
#include "Class/FontList/KXLocalFontResolver.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXQtColor.h"
#include "Platform/Graphics/Image.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

using autolayout::Rect;

namespace {

QRectF qrect(const Rect& rect)
{
    return QRectF(rect.x, rect.y, rect.width, rect.height);
}

bool contains(const Rect& rect, const QPointF& point)
{
    return rect.width > 0 && rect.height > 0 && qrect(rect).contains(point);
}

} // namespace

QFont KXRowPainter::localNameFont(const KXFontBaseModel& record)
{
    return KXLocalFontResolver::shared().fontForPostScriptName(record.pName ? record.pName->utf8() : std::string(),
                                                               KXRowLook::localNamePointSize(record));
}

KXLocalNameImages::Request KXRowPainter::localNameRequest(const KXFontBaseModel& record, const KXRowGeometry& geometry,
                                                          double devicePixelRatio)
{
    KXLocalNameImages::Request request;
    request.postScriptName = record.pName ? record.pName->utf8() : std::string();
    request.text = QString::fromStdString(KXRowLook::localName(record));
    request.pixelSize = KXRowLook::localNamePointSize(record);
    request.size = QSizeF(geometry.localName.width, geometry.localName.height);
    request.rgba = kx_qcolor(KXThemeManager::themeManager().locallistcellLabel()).rgba();
    request.devicePixelRatio = devicePixelRatio;
    return request;
}

QString KXRowPainter::localNameText(const KXFontBaseModel& record, const KXRowGeometry& geometry)
{
    const QString name = QString::fromStdString(KXRowLook::localName(record));
    return kx_elidedText(QFontMetricsF(localNameFont(record)), name, Qt::ElideRight, geometry.localName.width);
}

QFont KXRowPainter::titleFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(12);
    return font;
}

QFont KXRowPainter::licenceFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}

const QImage& KXRowPainter::artwork(const std::string& name)
{
    if (const auto known = artwork_.find(name); known != artwork_.end())
        return known->second;
    return artwork_.emplace(name, KXImage::imageNamed(name).image()).first->second;
}

const QImage& KXRowPainter::artwork(const std::string& name, const QSize& size, qreal devicePixelRatio)
{
    const std::string key = name + "@" + std::to_string(size.width()) + "x" + std::to_string(size.height()) + "@" +
                            std::to_string(static_cast<int>(devicePixelRatio * 100));
    if (const auto known = scaledArtwork_.find(key); known != scaledArtwork_.end())
        return known->second;
    QImage scaled;
    const QImage& source = artwork(name);
    if (!source.isNull() && !size.isEmpty()) {
        scaled = source.scaled(size * devicePixelRatio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(devicePixelRatio);
    }
    return scaledArtwork_.emplace(key, std::move(scaled)).first->second;
}

QImage KXRowPainter::scaledPreview(const QImage& preview, const QSize& size, qreal devicePixelRatio)
{
    const PreviewKey key{preview.cacheKey(), size.width(), size.height(), static_cast<int>(devicePixelRatio * 100)};
    if (const auto known = previewIndex_.find(key); known != previewIndex_.end()) {
        previews_.splice(previews_.begin(), previews_, known->second);
        return known->second->second;
    }
    QImage scaled = preview.scaled(size * devicePixelRatio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(devicePixelRatio);
    previews_.emplace_front(key, scaled);
    previewIndex_[key] = previews_.begin();
    if (previews_.size() > kPreviewCacheLimit) {
        previewIndex_.erase(previews_.back().first);
        previews_.pop_back();
    }
    return scaled;
}

KXRowPainter::Title& KXRowPainter::title(const foundation::Ref<foundation::String>& text)
{
    const std::string& utf8 = text ? text->utf8() : std::string();
    if (const auto known = titles_.find(utf8); known != titles_.end())
        return known->second;
    if (titles_.size() >= kTitleCacheLimit)
        titles_.clear();
    Title laidOut;
    laidOut.text = QStaticText(QString::fromStdString(utf8));
    laidOut.text.setTextFormat(Qt::PlainText);
    laidOut.text.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.text.prepare(QTransform(), titleFont());
    laidOut.width = std::ceil(laidOut.text.size().width());
    return titles_.emplace(utf8, std::move(laidOut)).first->second;
}

const QStaticText& KXRowPainter::titleFitting(Title& laidOut, const foundation::Ref<foundation::String>& text, double room)
{
    if (room >= laidOut.width)
        return laidOut.text;
    if (room != laidOut.elidedRoom) {
        const QString full = text ? QString::fromStdString(text->utf8()) : QString();
        laidOut.elided = QStaticText(kx_elidedText(QFontMetricsF(titleFont()), full, Qt::ElideRight, room));
        laidOut.elided.setTextFormat(Qt::PlainText);
        laidOut.elided.prepare(QTransform(), titleFont());
        laidOut.elidedRoom = room;
    }
    return laidOut.elided;
}

void KXRowPainter::drawArtwork(QPainter& painter, const Rect& rect, const std::string& name)
{
    const QSize size(static_cast<int>(rect.width), static_cast<int>(rect.height));
    const QImage& image = artwork(name, size, painter.device() ? painter.device()->devicePixelRatio() : 1.0);
    if (!image.isNull())
        painter.drawImage(QPointF(rect.x, rect.y), image);
}

KXRowPainter::Row KXRowPainter::layout(const KXFontBaseModel& record, unsigned long long rowCellType, const QSizeF& rowSize,
                                       const QSizeF& previewSize)
{
    Row row;
    row.badges = KXRowLook::badges(record);
    row.marks = KXRowLook::marks(record);
    row.cellHeight = KXRowLook::cellHeight(record, rowCellType);

    KXRowGeometry::Input in;
    in.rowWidth = rowSize.width();
    in.rowHeight = rowSize.height();
    in.titleWidth = title(record.fontname).width;
    in.titleIndented = row.marks.titleIndented;
    in.badges = row.badges;
    in.cellHeight = row.cellHeight;
    if (!previewSize.isEmpty())
        in.previewImageSize = autolayout::Size{previewSize.width(), previewSize.height()};
    if (row.marks.showsLocalName)
        in.localNameHeight = std::ceil(KXRowLook::localNamePointSize(record) * 1.2);
    row.geometry = KXRowGeometry::layout(in);
    return row;
}

void KXRowPainter::paint(QPainter& painter, const QRectF& rowRect, const KXFontBaseModel& record, const Row& row, const State& state)
{
    const auto& theme = KXThemeManager::themeManager();
    const KXRowGeometry& g = row.geometry;
    painter.save();
    painter.translate(rowRect.topLeft());
    const QRectF bounds(0, 0, rowRect.width(), rowRect.height());

    painter.fillRect(bounds, kx_qcolor(record.is_seleted ? theme.listcellSeleBGC() : theme.listcellBGC()));
    if (state.hovered && !record.is_seleted) {
        QLinearGradient shading(bounds.topLeft(), bounds.bottomRight());
        shading.setColorAt(0.5, kx_qcolor(theme.enterCellLeftColor()));
        shading.setColorAt(1.0, kx_qcolor(theme.enterCellRightColor()));
        painter.fillRect(bounds, shading);
    }

    if (row.marks.showsLocalName) {
        if (!state.localName.isNull()) {
            const double edge = KXLocalNameImages::margin(KXRowLook::localNamePointSize(record));
            painter.drawImage(QPointF(g.localName.x - edge, g.localName.y - edge), state.localName);
        }
        drawArtwork(painter, g.localFontIcon, "localFontIcon");
    } else if (state.preview && g.preview.width > 0 && g.preview.height > 0) {
        const QSize size(static_cast<int>(g.preview.width), static_cast<int>(g.preview.height));
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
        painter.drawImage(QPointF(g.preview.x, g.preview.y), scaledPreview(state.preview->image(), size, ratio));
    }

    painter.fillRect(qrect(g.bottomLine), kx_qcolor(theme.filterViewTopline()));

    const bool titleHighlighted = state.titleHovered && !KXRowLook::titleKeepsColourOnHover(record);
    painter.setFont(titleFont());
    painter.setPen(kx_qcolor(titleHighlighted ? theme.listcellTitleLabel() : theme.listcellLabel()));
    Title& laidOut = title(record.fontname);
    const QStaticText& titleText = titleFitting(laidOut, record.fontname, g.title.width);
    painter.drawStaticText(QPointF(g.title.x, g.title.y + (g.title.height - titleText.size().height()) / 2), titleText);

    auto badge = [&](const Rect& rect, bool shown, const std::optional<std::string>& name) {
        if (shown && name && rect.width > 0)
            drawArtwork(painter, rect, *name);
    };
    badge(g.newest, row.badges.newest, theme.rNewTopicImgStr());
    badge(g.free, row.badges.free, theme.freeTopicImgStr());
    badge(g.hot, row.badges.hot, std::string("HottestTopic"));
    badge(g.heartbeat, row.badges.heartbeat, theme.heartTopicImgStr());
    badge(g.gbk, row.badges.gbk, theme.gbkTopicImgStr());
    badge(g.threeD, row.badges.threeD, theme.threeDTopicImgStr());

    if (row.marks.installedMark)
        drawArtwork(painter, g.installedMark, "localState");
    if (row.marks.showsFavourite)
        drawArtwork(painter, g.favourite, row.marks.favouriteActive ? "collection-active" : "Collection-normal");

    if (KXRowLook::ringVisible(record.progress)) {
        const QRectF ring = qrect(g.ring);
        KXListCellProgressView::drawRing(painter, ring, record.progress);
        KXListCellProgressView::drawPercentage(painter, ring, record.progress, kx_qcolor(theme.progressNumColor()));
    }

    if (state.licenceShowing) {
        const QRectF link = qrect(g.licenceLink);
        const QImage& mark = artwork("fontCardFreeMark");
        const QString title = QString::fromUtf8(kLicenceTitle);
        const QFontMetricsF metrics(licenceFont());
        const double markWidth = mark.isNull() ? 0 : 14;
        const double width = markWidth + 2 + metrics.horizontalAdvance(title);
        const double left = link.center().x() - width / 2;
        if (!mark.isNull())
            drawArtwork(painter, Rect{left, std::round(link.center().y() - 7), 14, 14}, "fontCardFreeMark");
        painter.setFont(licenceFont());
        painter.setPen(QColor(236, 160, 125));
        painter.drawText(QRectF(left + markWidth + 2, link.top(), width - markWidth - 2, link.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    }
    painter.restore();
}

KXRowPainter::Target KXRowPainter::hitTest(const Row& row, const QPointF& point, bool licenceShowing)
{
    const KXRowGeometry& g = row.geometry;
    if (licenceShowing && contains(g.licenceLink, point))
        return Target::LicenceLink;
    if (row.badges.heartbeat && contains(g.heartbeat, point))
        return Target::Heartbeat;
    if (row.marks.showsFavourite && contains(g.favourite, point))
        return Target::Favourite;
    if (contains(g.title, point))
        return Target::Title;
    if (contains(g.rowButton, point))
        return Target::Row;
    return Target::None;
}
