#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <QEasingCurve>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

// The animation group a transition's blocks run in: its duration and timing, readable by the
// blocks (the presets take theirs from it). Main thread only.
class ILAnimationContext {
public:
    double duration = 0;
    std::optional<QEasingCurve> timingFunction;
    bool allowsImplicitAnimation = false;

    // The group being run now, nullptr outside one.
    static const ILAnimationContext* current();

    // Makes `context` the current group for the lifetime of the scope.
    class Scope {
    public:
        explicit Scope(const ILAnimationContext& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        const ILAnimationContext* saved_;
    };
};

// How a loaded image enters its view: a preparation block, then an animated group of `duration`
// seconds along `timingFunction` in which the image is set (unless avoidAutoSetImage) and the
// `animations` block runs, then `completion` with true. There is no implicit animation on this
// platform: bit 0x1 of animationOptions is kept and does nothing.
class ILWebTransition {
public:
    using PreparesBlock = std::function<void(QWidget* view, const ILImageRef& image,
        const foundation::Ref<foundation::Data>& data, ILCacheType cacheType,
        const foundation::Ref<foundation::URL>& imageURL)>;
    using AnimationsBlock = std::function<void(QWidget* view, const ILImageRef& image)>;
    using CompletionBlock = std::function<void(bool finished)>;

    static std::shared_ptr<ILWebTransition> create() { return std::make_shared<ILWebTransition>(); }
    // Presets: the image view cross-fades, pushes the new image in from an edge, or reveals it
    // from under the old one; other views just get the image.
    static std::shared_ptr<ILWebTransition> fadeTransition();
    static std::shared_ptr<ILWebTransition> flipFromLeftTransition();
    static std::shared_ptr<ILWebTransition> flipFromRightTransition();
    static std::shared_ptr<ILWebTransition> flipFromTopTransition();
    static std::shared_ptr<ILWebTransition> flipFromBottomTransition();
    static std::shared_ptr<ILWebTransition> curlUpTransition();
    static std::shared_ptr<ILWebTransition> curlDownTransition();

    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    const std::optional<QEasingCurve>& timingFunction() const { return timingFunction_; }
    void setTimingFunction(std::optional<QEasingCurve> curve) { timingFunction_ = std::move(curve); }
    unsigned long animationOptions() const { return animationOptions_; }
    void setAnimationOptions(unsigned long options) { animationOptions_ = options; }
    bool avoidAutoSetImage() const { return avoidAutoSetImage_; }
    void setAvoidAutoSetImage(bool value) { avoidAutoSetImage_ = value; }
    const PreparesBlock& prepares() const { return prepares_; }
    void setPrepares(PreparesBlock block) { prepares_ = std::move(block); }
    const AnimationsBlock& animations() const { return animations_; }
    void setAnimations(AnimationsBlock block) { animations_ = std::move(block); }
    const CompletionBlock& completion() const { return completion_; }
    void setCompletion(CompletionBlock block) { completion_ = std::move(block); }

private:
    double duration_ = 0.5;
    std::optional<QEasingCurve> timingFunction_;
    unsigned long animationOptions_ = 0;
    bool avoidAutoSetImage_ = false;
    PreparesBlock prepares_;
    AnimationsBlock animations_;
    CompletionBlock completion_;
};
