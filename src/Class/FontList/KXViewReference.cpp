#include "Class/FontList/KXViewReference.h"

foundation::Ref<KXViewReference> KXViewReference::create(QWidget* view, long long tag)
{
    auto reference = std::make_shared<KXViewReference>();
    reference->view = view;
    reference->tag = tag;
    if (view)
        reference->globalRect = QRect(view->mapToGlobal(QPoint(0, 0)), view->size());
    return reference;
}
