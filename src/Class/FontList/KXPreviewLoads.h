#pragma once

#include "Class/FontList/KXPreviewImageSource.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

// The preview loads of one table: a row that paints asks for its URL; the table says which URLs
// its rows near the viewport still need and every other load is cancelled, so a fast scroll never
// piles up loads of rows long gone. A URL that failed is not asked again while a row showing it
// stays in view, so a row in view never asks in a loop; once no row in view shows it (or the rows
// are reloaded) the failure is forgotten and the row that shows it next asks again, as when the
// service was away for a moment. `arrived` tells the table which URL came in (an image or a
// failure), so it repaints only the rows showing it.
//
// Main thread only; the loads' answers come on the main queue and are dropped once this object is
// gone.
class KXPreviewLoads : public std::enable_shared_from_this<KXPreviewLoads> {
public:
    using Arrived = std::function<void(const std::string& url)>;

    static std::shared_ptr<KXPreviewLoads> create(Arrived arrived);
    explicit KXPreviewLoads(Arrived arrived);
    ~KXPreviewLoads();

    // The image of the URL if memory holds it, else the partial image of its load so far, else the
    // image of a finished load that memory does not hold (one cut short, which no cache keeps); a
    // URL with none of them starts its load (once) and answers nil. `box` is where the image is
    // drawn: it is decoded no larger (see KXPreviewBox); a load already running keeps its box.
    foundation::Ref<graphics::Image> imageForURL(const std::string& url, const KXPreviewBox& box = {});
    // Cancels the loads of every URL outside `wanted` and lets go of their uncached images, so a
    // row that comes back loads its image again; forgets the failures of every URL outside
    // `inView` (the URLs of the rows in view, a part of `wanted`), so a row that comes back into
    // view asks once more.
    void keepOnly(const std::unordered_set<std::string>& wanted, const std::unordered_set<std::string>& inView);
    // Forgets failures, so the next paint asks again.
    void forgetFailures() { failed_.clear(); }
    // Forgets the failure of one URL: for a failure that came in while no row in view showed it.
    void forgetFailure(const std::string& url) { failed_.erase(url); }

    std::size_t loadsInFlight() const { return loads_.size(); }
    std::size_t loadsStarted() const { return started_; }

private:
    Arrived arrived_;
    std::unordered_map<std::string, std::shared_ptr<KXPreviewImageSource::Load>> loads_;
    std::unordered_set<std::string> failed_;
    std::unordered_map<std::string, foundation::Ref<graphics::Image>> partial_;
    std::unordered_map<std::string, foundation::Ref<graphics::Image>> uncached_;
    std::size_t started_ = 0;
};
