#include "Class/ImageViews/ILViewWebCache.h"

#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ILViewWebCacheState.h"
#include "Class/ImageViews/ILWebIndicator.h"
#include "Class/ImageViews/ILWebTransition.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/ImageLoading/ILImageThumbnail.h"
#include "Lib/ImageLoading/ILWebCombinedOperation.h"
#include "Lib/ImageLoading/ILWebManager.h"
#include "Platform/Dispatch/Progress.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"
#include "Platform/Foundation/URL.h"

#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <unordered_map>

using foundation::Id;
using foundation::Ref;

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<const QWidget*, std::shared_ptr<ILViewWebCacheState>> states;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

// Keeps an indicator's view centred in its host as the host resizes.
class IndicatorCentring final : public QObject {
public:
    IndicatorCentring(QWidget* host, QWidget* indicator)
        : QObject(host)
        , indicator_(indicator)
    {
        host->installEventFilter(this);
    }

    static void centre(QWidget* host, QWidget* indicator)
    {
        const QSize size = indicator->size();
        indicator->move((host->width() - size.width()) / 2, (host->height() - size.height()) / 2);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((event->type() == QEvent::Resize || event->type() == QEvent::Show) && indicator_
            && watched == parent())
            centre(static_cast<QWidget*>(watched), indicator_);
        return false;
    }

private:
    QPointer<QWidget> indicator_;
};

// A view's load asks for its image at the size the view draws it, unless the caller named a size.
// A view not laid out yet has no size to go by, and one read from another thread than its own
// might be mid-change: its image is then only held to the pixel limit.
ILContext withViewSize(QWidget* view, const ILContext& context)
{
    if (ILThumbnailBoxOf(context, ILWebContextImageThumbnailPixelSize).isValid()
        || QThread::currentThread() != view->thread() || !view->testAttribute(Qt::WA_Resized)
        || view->size().isEmpty())
        return context;
    bool fill = false;
    if (const auto* imageView = qobject_cast<const ImageView*>(view))
        fill = imageView->imageScaling() == ImageScaling::ProportionallyFilling
            || imageView->imageScaling() == ImageScaling::AxesIndependently;
    const QSize box = (QSizeF(view->size()) * view->devicePixelRatioF()).toSize();
    return ILContextWithThumbnail(context, box, fill);
}

std::string operationKeyOf(QWidget* view, const ILContext& context)
{
    const Id key = context ? context->objectForKey(ILWebContextSetImageOperationKey) : Id();
    if (key.string())
        return key.stringValue();
    return view->metaObject()->className();
}

bool hasIndicator(const std::shared_ptr<ILViewWebCacheState>& state)
{
    std::lock_guard lock(state->mutex);
    return state->indicator != nullptr;
}

// Stops the view's indicator on the main queue; a view without one has nothing to stop.
void stopIndicator(const QPointer<QWidget>& view, const std::shared_ptr<ILViewWebCacheState>& state)
{
    if (!hasIndicator(state))
        return;
    ILDispatchMainAsyncSafe([view] {
        if (view)
            il_stopImageIndicator(view);
    });
}

} // namespace

std::shared_ptr<ILViewWebCacheState> ILViewWebCacheState::of(QWidget* view)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.states[view];
    if (!slot) {
        slot = std::make_shared<ILViewWebCacheState>();
        QObject::connect(view, &QObject::destroyed, [view] {
            std::shared_ptr<ILViewWebCacheState> dropped;
            auto& reg = registry();
            std::lock_guard inner(reg.mutex);
            if (const auto it = reg.states.find(view); it != reg.states.end()) {
                dropped = std::move(it->second);
                reg.states.erase(it);
            }
        });
    }
    return slot;
}

std::shared_ptr<ILViewWebCacheState> ILViewWebCacheState::find(const QWidget* view)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.states.find(view);
    return it == r.states.end() ? nullptr : it->second;
}

std::uint64_t ILViewWebCacheState::beginLoad(const std::string& key)
{
    std::lock_guard lock(mutex);
    return ++generations[key];
}

bool ILViewWebCacheState::isCurrentLoad(const std::string& key, std::uint64_t generation)
{
    std::lock_guard lock(mutex);
    return generations[key] == generation;
}

ILContext il_contextWith(const ILContext& context, std::string_view key, const Id& value)
{
    auto copied = context ? foundation::MutableDictionary::dictionaryWithDictionary(*context)
                          : foundation::MutableDictionary::create();
    copied->setObject(value, Id(key));
    return std::dynamic_pointer_cast<foundation::Dictionary>(copied->copy());
}

ILInternalCompletionBlock il_externalCompletion(ILExternalCompletionBlock completed)
{
    if (!completed)
        return nullptr;
    return [completed](const ILImageRef& image, const Ref<foundation::Data>&,
               const Ref<foundation::Error>& error, ILCacheType cacheType, bool,
               const Ref<foundation::URL>& imageURL) { completed(image, error, cacheType, imageURL); };
}

void il_internalSetImageWithURL(QWidget* view, const Ref<foundation::URL>& url, const ILImageRef& placeholder,
    ILLoadOptions options, const ILContext& context, ILSetImageBlock setImageBlock,
    ILImageLoaderProgressBlock progress, ILInternalCompletionBlock completed)
{
    if (!view)
        return;
    const ILContext copied = withViewSize(
        view, context ? std::dynamic_pointer_cast<foundation::Dictionary>(context->copy()) : nullptr);
    const std::string key = operationKeyOf(view, copied);
    const auto state = ILViewWebCacheState::of(view);
    {
        std::lock_guard lock(state->mutex);
        state->latestOperationKey = key;
    }
    il_cancelImageLoadOperationWithKey(view, key);
    const std::uint64_t generation = state->beginLoad(key);
    {
        std::lock_guard lock(state->mutex);
        state->imageURL = url;
    }
    const QPointer<QWidget> weakView(view);
    if (!(options & ILLoadDelayPlaceholder)) {
        ILDispatchMainAsyncSafe([weakView, state, key, generation, placeholder, setImageBlock, url] {
            if (weakView && state->isCurrentLoad(key, generation))
                il_setImage(weakView, placeholder, nullptr, setImageBlock, ILCacheTypeNone, url);
        });
    }
    if (!url) {
        stopIndicator(weakView, state);
        if (completed)
            ILDispatchMainAsyncSafe([completed] {
                completed(nullptr, nullptr, ILWebMakeError(ILWebErrorInvalidURL, "Image url is nil"),
                    ILCacheTypeNone, true, nullptr);
            });
        return;
    }

    std::shared_ptr<dispatch::Progress> loadProgress;
    {
        std::lock_guard lock(state->mutex);
        loadProgress = state->progress;
    }
    if (loadProgress)
        loadProgress->setUnitCounts(0, 0);
    if (hasIndicator(state)) {
        ILDispatchMainAsyncSafe([weakView] {
            if (weakView)
                il_startImageIndicator(weakView);
        });
    }

    std::shared_ptr<ILWebManager> manager;
    if (copied)
        manager
            = std::dynamic_pointer_cast<ILWebManager>(copied->objectForKey(ILWebContextCustomManager).ref());
    if (!manager)
        manager = ILWebManager::sharedManager();

    ILImageLoaderProgressBlock progressAdapter
        = [weakView, state, loadProgress, progress](
              std::int64_t received, std::int64_t expected, const Ref<foundation::URL>& targetURL) {
              if (loadProgress)
                  loadProgress->setUnitCounts(received, expected);
              std::shared_ptr<ILWebIndicator> indicator;
              {
                  std::lock_guard lock(state->mutex);
                  indicator = state->indicator;
              }
              if (indicator && indicator->respondsToUpdateIndicatorProgress()) {
                  const double fraction = expected == 0
                      ? 0.0
                      : std::clamp(static_cast<double>(received) / static_cast<double>(expected), 0.0, 1.0);
                  dispatch::mainQueue().async([weakView, indicator, fraction] {
                      if (weakView)
                          indicator->updateIndicatorProgress(fraction);
                  });
              }
              if (progress)
                  progress(received, expected, targetURL);
          };

    ILInternalCompletionBlock completionAdapter =
        [weakView, state, key, generation, loadProgress, options, placeholder, setImageBlock, completed, url](
            const ILImageRef& image, const Ref<foundation::Data>& data, const Ref<foundation::Error>& error,
            ILCacheType cacheType, bool finished, const Ref<foundation::URL>& imageURL) {
            if (!weakView)
                return;
            if (finished && !error && loadProgress && loadProgress->totalUnitCount() == 0
                && loadProgress->completedUnitCount() == 0)
                loadProgress->setUnitCounts(1, 1);
            if (finished)
                stopIndicator(weakView, state);
            const bool callCompletion = finished || (options & ILLoadAvoidAutoSetImage);
            const bool skipSetting = (image && (options & ILLoadAvoidAutoSetImage))
                || (!image && !(options & ILLoadDelayPlaceholder));
            auto closing = [weakView, skipSetting, callCompletion, completed, image, data, error, cacheType,
                               finished, url] {
                if (!skipSetting && weakView)
                    il_setNeedsLayout(weakView);
                if (callCompletion && completed)
                    completed(image, data, error, cacheType, finished, url);
            };
            if (skipSetting) {
                ILDispatchMainAsyncSafe(closing);
                return;
            }
            const ILImageRef target = image ? image : placeholder;
            const Ref<foundation::Data> targetData = image ? data : nullptr;
            std::shared_ptr<ILWebTransition> transition;
            if (finished && (cacheType == ILCacheTypeNone || (options & ILLoadForceTransition))) {
                std::lock_guard lock(state->mutex);
                transition = state->transition;
            }
            ILDispatchMainAsyncSafe([weakView, state, key, generation, target, targetData, setImageBlock,
                                        transition, cacheType, imageURL, closing] {
                // A load that a newer one replaced leaves the view to the newer one.
                if (weakView && state->isCurrentLoad(key, generation))
                    il_setImage(weakView, target, targetData, setImageBlock, transition, cacheType, imageURL);
                closing();
            });
        };

    auto operation = manager->loadImageWithURL(url, options, copied, progressAdapter, completionAdapter);
    il_setImageLoadOperation(view, operation, key);
}

void il_cancelCurrentImageLoad(QWidget* view)
{
    il_cancelImageLoadOperationWithKey(view, il_latestOperationKey(view));
}

void il_setImage(QWidget* view, const ILImageRef& image, const Ref<foundation::Data>& imageData,
    const ILSetImageBlock& setImageBlock, ILCacheType cacheType, const Ref<foundation::URL>& imageURL)
{
    il_setImage(view, image, imageData, setImageBlock, nullptr, cacheType, imageURL);
}

void il_setImage(QWidget* view, const ILImageRef& image, const Ref<foundation::Data>& imageData,
    const ILSetImageBlock& setImageBlock, const std::shared_ptr<ILWebTransition>& transition,
    ILCacheType cacheType, const Ref<foundation::URL>& imageURL)
{
    if (!view)
        return;
    ILSetImageBlock action = setImageBlock;
    if (!action) {
        if (auto* imageView = qobject_cast<ImageView*>(view)) {
            QPointer<ImageView> target(imageView);
            action = [target](const ILImageRef& delivered, const auto&, ILCacheType, const auto&) {
                if (target)
                    target->setImage(delivered);
            };
        } else if (auto* button = dynamic_cast<KXBaseButton*>(view)) {
            QPointer<KXBaseButton> target(button);
            action = [target](const ILImageRef& delivered, const auto&, ILCacheType, const auto&) {
                if (target)
                    target->setImage(il_kxImage(delivered));
            };
        }
    }
    if (!transition) {
        if (action)
            action(image, imageData, cacheType, imageURL);
        return;
    }
    if (const auto& prepares = transition->prepares())
        prepares(view, image, imageData, cacheType, imageURL);
    ILAnimationContext group;
    group.duration = transition->duration();
    group.timingFunction = transition->timingFunction();
    group.allowsImplicitAnimation = (transition->animationOptions() & 0x1) != 0;
    {
        ILAnimationContext::Scope scope(group);
        if (action && !transition->avoidAutoSetImage())
            action(image, imageData, cacheType, imageURL);
        if (const auto& animations = transition->animations())
            animations(view, image);
    }
    if (const auto completion = transition->completion()) {
        dispatch::mainQueue().after(group.duration, [weakView = QPointer<QWidget>(view), completion] {
            if (weakView)
                completion(true);
        });
    }
}

void il_setNeedsLayout(QWidget* view)
{
    if (!view)
        return;
    view->updateGeometry();
    view->update();
}

std::shared_ptr<ILWebOperation> il_imageLoadOperationForKey(
    QWidget* view, const std::optional<std::string>& key)
{
    if (!view || !key)
        return nullptr;
    const auto state = ILViewWebCacheState::of(view);
    std::lock_guard lock(state->mutex);
    const auto it = state->operations.find(*key);
    return it == state->operations.end() ? nullptr : it->second.lock();
}

void il_setImageLoadOperation(
    QWidget* view, const std::shared_ptr<ILWebOperation>& operation, const std::optional<std::string>& key)
{
    if (!view || !key)
        return;
    il_cancelImageLoadOperationWithKey(view, key);
    if (!operation)
        return;
    const auto state = ILViewWebCacheState::of(view);
    std::lock_guard lock(state->mutex);
    state->operations[*key] = operation;
}

void il_cancelImageLoadOperationWithKey(QWidget* view, const std::optional<std::string>& key)
{
    if (!view || !key)
        return;
    const auto state = ILViewWebCacheState::of(view);
    std::shared_ptr<ILWebOperation> operation;
    {
        std::lock_guard lock(state->mutex);
        const auto it = state->operations.find(*key);
        if (it == state->operations.end())
            return;
        operation = it->second.lock();
        state->operations.erase(it);
    }
    if (operation)
        operation->cancel();
}

void il_removeImageLoadOperationWithKey(QWidget* view, const std::optional<std::string>& key)
{
    if (!view || !key)
        return;
    const auto state = ILViewWebCacheState::of(view);
    std::lock_guard lock(state->mutex);
    state->operations.erase(*key);
}

std::shared_ptr<ILWebIndicator> il_imageIndicator(QWidget* view)
{
    const auto state = view ? ILViewWebCacheState::find(view) : nullptr;
    if (!state)
        return nullptr;
    std::lock_guard lock(state->mutex);
    return state->indicator;
}

void il_setImageIndicator(QWidget* view, const std::shared_ptr<ILWebIndicator>& indicator)
{
    if (!view)
        return;
    const auto state = ILViewWebCacheState::of(view);
    std::shared_ptr<ILWebIndicator> old;
    QPointer<QObject> oldCentring;
    {
        std::lock_guard lock(state->mutex);
        old = std::exchange(state->indicator, indicator);
        oldCentring = std::exchange(state->indicatorCentring, nullptr);
    }
    delete oldCentring.data();
    if (old && old->indicatorView()) {
        // The indicator object keeps its view; the view only leaves this one.
        old->indicatorView()->hide();
        old->indicatorView()->setParent(nullptr);
    }
    QWidget* indicatorView = indicator ? indicator->indicatorView() : nullptr;
    if (!indicatorView)
        return;
    if (indicatorView->size().isEmpty())
        indicatorView->resize(view->size());
    indicatorView->setParent(view);
    IndicatorCentring::centre(view, indicatorView);
    indicatorView->show();
    auto* centring = new IndicatorCentring(view, indicatorView);
    std::lock_guard lock(state->mutex);
    state->indicatorCentring = centring;
}

void il_startImageIndicator(QWidget* view)
{
    const QPointer<QWidget> weakView(view);
    ILDispatchMainAsyncSafe([weakView] {
        if (auto indicator = weakView ? il_imageIndicator(weakView) : nullptr)
            indicator->startAnimatingIndicator();
    });
}

void il_stopImageIndicator(QWidget* view)
{
    const QPointer<QWidget> weakView(view);
    ILDispatchMainAsyncSafe([weakView] {
        if (auto indicator = weakView ? il_imageIndicator(weakView) : nullptr)
            indicator->stopAnimatingIndicator();
    });
}

std::shared_ptr<ILWebTransition> il_imageTransition(QWidget* view)
{
    const auto state = view ? ILViewWebCacheState::find(view) : nullptr;
    if (!state)
        return nullptr;
    std::lock_guard lock(state->mutex);
    return state->transition;
}

void il_setImageTransition(QWidget* view, const std::shared_ptr<ILWebTransition>& transition)
{
    if (!view)
        return;
    const auto state = ILViewWebCacheState::of(view);
    std::lock_guard lock(state->mutex);
    state->transition = transition;
}

Ref<foundation::URL> il_imageURL(QWidget* view)
{
    const auto state = view ? ILViewWebCacheState::find(view) : nullptr;
    if (!state)
        return nullptr;
    std::lock_guard lock(state->mutex);
    return state->imageURL;
}

std::optional<std::string> il_latestOperationKey(QWidget* view)
{
    const auto state = view ? ILViewWebCacheState::find(view) : nullptr;
    if (!state)
        return std::nullopt;
    std::lock_guard lock(state->mutex);
    return state->latestOperationKey;
}

std::shared_ptr<dispatch::Progress> il_imageProgress(QWidget* view)
{
    if (!view)
        return nullptr;
    const auto state = ILViewWebCacheState::of(view);
    std::lock_guard lock(state->mutex);
    if (!state->progress)
        state->progress = dispatch::Progress::create(0);
    return state->progress;
}
