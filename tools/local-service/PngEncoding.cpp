#include "local-service/PngEncoding.h"

#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/ImageDestination.h"

namespace localservice {

std::string encodePng(const QImage& image)
{
    auto destination = graphics::ImageDestination::create("public.png", 1);
    if (!destination)
        return {};
    destination->addImage(image);
    const auto data = destination->finalize();
    if (!data)
        return {};
    return std::string(reinterpret_cast<const char*>(data->bytes()), data->length());
}

} // namespace localservice
