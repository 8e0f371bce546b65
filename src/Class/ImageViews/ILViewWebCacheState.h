#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class QWidget;
class QObject;
class ILWebIndicator;
class ILWebTransition;
namespace dispatch {
class Progress;
}

// The image-loading state of one view, made on first use and dropped when the view is destroyed
// (the associated objects of the loading categories). Every field is read and written under
// `mutex`.
class ILViewWebCacheState {
public:
    // The view's state, made when first asked for; thread-safe.
    static std::shared_ptr<ILViewWebCacheState> of(QWidget* view);
    // The view's state if it has one.
    static std::shared_ptr<ILViewWebCacheState> find(const QWidget* view);

    std::mutex mutex;
    std::map<std::string, std::weak_ptr<ILWebOperation>> operations;
    // The latest load under each key: a load that is no longer the latest sets nothing.
    std::map<std::string, std::uint64_t> generations;
    foundation::Ref<foundation::URL> imageURL;
    std::optional<std::string> latestOperationKey;
    std::shared_ptr<dispatch::Progress> progress;
    std::shared_ptr<ILWebTransition> transition;
    std::shared_ptr<ILWebIndicator> indicator;
    QPointer<QObject> indicatorCentring;
    // The button family's URLs.
    foundation::Ref<foundation::URL> currentImageURL;
    foundation::Ref<foundation::URL> currentAlternateImageURL;

    // Starts a new load under `key` and answers its number.
    std::uint64_t beginLoad(const std::string& key);
    bool isCurrentLoad(const std::string& key, std::uint64_t generation);
};
