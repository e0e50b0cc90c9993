#include "firmware/EmbeddedImages.h"

namespace marrowick {

std::optional<std::string_view> FindEmbeddedImage(int number)
{
    for (const auto& image : EmbeddedImages())
        if (image.number == number)
            return image.bytes;
    return std::nullopt;
}

} // namespace marrowick
