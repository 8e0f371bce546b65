#include "Class/ImageViews/ILWebTransition.h"

#include "Class/ImageViews/ImageView.h"

namespace {

const ILAnimationContext*& currentContext()
{
    static const ILAnimationContext* current = nullptr;
    return current;
}

std::shared_ptr<ILWebTransition> preset(ImageView::TransitionKind kind, ImageView::TransitionEdge edge)
{
    auto transition = ILWebTransition::create();
    transition->setAnimations([kind, edge](QWidget* view, const ILImageRef&) {
        auto* imageView = qobject_cast<ImageView*>(view);
        const ILAnimationContext* group = ILAnimationContext::current();
        if (!imageView || !group)
            return;
        imageView->startTransition(
            kind, edge, group->duration, group->timingFunction.value_or(QEasingCurve(QEasingCurve::Linear)));
    });
    return transition;
}

} // namespace

const ILAnimationContext* ILAnimationContext::current()
{
    return currentContext();
}

ILAnimationContext::Scope::Scope(const ILAnimationContext& context)
    : saved_(std::exchange(currentContext(), &context))
{
}

ILAnimationContext::Scope::~Scope()
{
    currentContext() = saved_;
}

std::shared_ptr<ILWebTransition> ILWebTransition::fadeTransition()
{
    return preset(ImageView::TransitionKind::Fade, ImageView::TransitionEdge::None);
}

std::shared_ptr<ILWebTransition> ILWebTransition::flipFromLeftTransition()
{
    return preset(ImageView::TransitionKind::Push, ImageView::TransitionEdge::Left);
}

std::shared_ptr<ILWebTransition> ILWebTransition::flipFromRightTransition()
{
    return preset(ImageView::TransitionKind::Push, ImageView::TransitionEdge::Right);
}

std::shared_ptr<ILWebTransition> ILWebTransition::flipFromTopTransition()
{
    return preset(ImageView::TransitionKind::Push, ImageView::TransitionEdge::Top);
}

std::shared_ptr<ILWebTransition> ILWebTransition::flipFromBottomTransition()
{
    return preset(ImageView::TransitionKind::Push, ImageView::TransitionEdge::Bottom);
}

std::shared_ptr<ILWebTransition> ILWebTransition::curlUpTransition()
{
    return preset(ImageView::TransitionKind::Reveal, ImageView::TransitionEdge::Top);
}

std::shared_ptr<ILWebTransition> ILWebTransition::curlDownTransition()
{
    return preset(ImageView::TransitionKind::Reveal, ImageView::TransitionEdge::Bottom);
}
