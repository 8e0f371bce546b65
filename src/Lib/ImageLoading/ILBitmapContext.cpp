#include "Lib/ImageLoading/ILBitmapContext.h"

#include "Lib/ImageLoading/ILMainScreen.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageProperties.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct BitmapContext {
    QImage canvas;
    std::unique_ptr<QPainter> painter; // nullptr for a begin that began nothing
    double scale = 0; // as given to begin; 0 reads the main screen's at image time
};

std::vector<std::unique_ptr<BitmapContext>>& contextStack()
{
    thread_local std::vector<std::unique_ptr<BitmapContext>> stack;
    return stack;
}

std::unique_ptr<BitmapContext> makeContext(QSizeF size, bool opaque, double scale)
{
    auto context = std::make_unique<BitmapContext>();
    context->scale = scale;
    const double pixelScale = scale == 0 ? ILMainScreenScale() : scale;
    const double width = std::ceil(size.width() * pixelScale);
    const double height = std::ceil(size.height() * pixelScale);
    if (!(width >= 1 && height >= 1)
        || !graphics::imageLimits::allows(static_cast<std::int64_t>(std::min(width, 1e9)),
            static_cast<std::int64_t>(std::min(height, 1e9))))
        return context;
    QImage canvas(static_cast<int>(width), static_cast<int>(height),
        opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return context;
    canvas.fill(opaque ? 0xFF000000u : 0u);
    context->canvas = std::move(canvas);
    context->painter = std::make_unique<QPainter>(&context->canvas);
    context->painter->scale(pixelScale, pixelScale);
    return context;
}

} // namespace

void ILBitmapContextBegin(QSizeF size, bool opaque, double scale)
{
    contextStack().push_back(makeContext(size, opaque, scale));
}

void ILBitmapContextBeginDefault(QSizeF size)
{
    ILBitmapContextBegin(size, false, 1.0);
}

void ILBitmapContextEnd()
{
    auto& stack = contextStack();
    if (stack.empty())
        return;
    if (stack.back()->painter)
        stack.back()->painter->end();
    stack.pop_back();
}

QPainter* ILBitmapContextCurrent()
{
    const auto& stack = contextStack();
    return stack.empty() ? nullptr : stack.back()->painter.get();
}

foundation::Ref<graphics::Image> ILBitmapContextImage()
{
    const auto& stack = contextStack();
    if (stack.empty() || !stack.back()->painter)
        return nullptr;
    const BitmapContext& context = *stack.back();
    const double scale = context.scale != 0 ? context.scale : ILMainScreenScale();
    return graphics::Image::create(context.canvas.copy(), scale);
}
