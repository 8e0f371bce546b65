#include "Class/FontList/KXLocalNameImages.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/FontList/KXLocalFontResolver.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Dispatch/OperationQueue.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

std::string KXLocalNameImages::Request::key() const
{
    return postScriptName + '\n' + text.toStdString() + '\n' + std::to_string(std::lround(pixelSize * 100))
        + 'x' + std::to_string(std::lround(size.width() * 100)) + 'x'
        + std::to_string(std::lround(size.height() * 100)) + '@'
        + std::to_string(std::lround(devicePixelRatio * 100)) + '#' + std::to_string(rgba);
}

std::shared_ptr<KXLocalNameImages> KXLocalNameImages::create(Arrived arrived)
{
    return std::make_shared<KXLocalNameImages>(std::move(arrived));
}

KXLocalNameImages::KXLocalNameImages(Arrived arrived)
    : arrived_(std::move(arrived))
    , queue_(dispatch::OperationQueue::create("local font names"))
{
    queue_->setMaxConcurrentOperationCount(kConcurrentRenders);
}

KXLocalNameImages::~KXLocalNameImages()
{
    queue_->cancelAllOperations();
}

QImage KXLocalNameImages::imageFor(const foundation::Ref<KXFontBaseModel>& record, const Request& request)
{
    std::string key = request.key();
    if (const auto known = index_.find(key); known != index_.end()) {
        images_.splice(images_.begin(), images_, known->second);
        return known->second->second;
    }
    if (const auto waiting = pending_.find(key); waiting != pending_.end()) {
        auto& records = waiting->second.records;
        const bool listed = std::any_of(
            records.begin(), records.end(), [&](const auto& weak) { return weak.lock() == record; });
        if (!listed)
            records.push_back(record);
        return {};
    }
    pending_.emplace(key, Pending { request, nullptr, { record } });
    unstarted_.push_back(std::move(key));
    if (!startScheduled_) {
        startScheduled_ = true;
        dispatch::mainQueue().async([weak = weak_from_this()]() {
            if (const auto strong = weak.lock())
                strong->startDrawing();
        });
    }
    return {};
}

void KXLocalNameImages::startDrawing()
{
    startScheduled_ = false;
    for (const std::string& key : std::exchange(unstarted_, {})) {
        const auto waiting = pending_.find(key);
        if (waiting == pending_.end() || waiting->second.operation)
            continue; // its rows left before it began
        waiting->second.operation
            = queue_->addOperation([weak = weak_from_this(), request = waiting->second.request, key]() {
                  QImage image = render(request);
                  dispatch::mainQueue().async([weak, key, image = std::move(image)]() mutable {
                      if (const auto strong = weak.lock())
                          strong->finished(key, std::move(image));
                  });
              });
    }
}

void KXLocalNameImages::finished(const std::string& key, QImage image)
{
    keep(key, std::move(image));
    // A drawing begun before its rows left is kept all the same, for when they come back.
    const auto waiting = pending_.find(key);
    if (waiting == pending_.end())
        return;
    const std::vector<std::weak_ptr<KXFontBaseModel>> records = std::move(waiting->second.records);
    if (waiting->second.operation)
        waiting->second.operation->cancel(); // a second drawing asked for after the rows came back
    pending_.erase(waiting);
    for (const auto& weak : records) {
        if (const auto record = weak.lock(); record && arrived_)
            arrived_(record);
    }
}

void KXLocalNameImages::keep(const std::string& key, QImage image)
{
    if (const auto known = index_.find(key); known != index_.end()) {
        images_.erase(known->second);
        index_.erase(known);
    }
    images_.emplace_front(key, std::move(image));
    index_[key] = images_.begin();
    if (images_.size() > kCacheLimit) {
        index_.erase(images_.back().first);
        images_.pop_back();
    }
}

void KXLocalNameImages::keepOnly(const std::unordered_set<const KXFontBaseModel*>& wanted)
{
    for (auto it = pending_.begin(); it != pending_.end();) {
        auto& records = it->second.records;
        std::erase_if(records, [&](const auto& weak) {
            const auto record = weak.lock();
            return !record || !wanted.contains(record.get());
        });
        if (records.empty()) {
            if (it->second.operation)
                it->second.operation->cancel();
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
}

double KXLocalNameImages::margin(double pixelSize)
{
    return std::ceil(pixelSize / 4);
}

QImage KXLocalNameImages::render(const Request& request)
{
    const QFont font
        = KXLocalFontResolver::shared().fontForPostScriptName(request.postScriptName, request.pixelSize);
    const QString shown = kx_elidedText(QFontMetricsF(font), request.text, Qt::ElideRight, request.size.width());
    const double ratio = request.devicePixelRatio > 0 ? request.devicePixelRatio : 1.0;
    const double edge = margin(request.pixelSize);
    const QSizeF size = request.size.grownBy(QMarginsF(edge, edge, edge, edge));
    QImage image(static_cast<int>(std::ceil(size.width() * ratio)),
        static_cast<int>(std::ceil(size.height() * ratio)), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(request.rgba));
    painter.drawText(QRectF(QPointF(edge, edge), request.size),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    return image;
}
