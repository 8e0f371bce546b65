#include "Platform/AutoLayout/Strength.h"

#include <algorithm>
#include <cmath>

namespace autolayout::strength {

double fromPriority(float priority)
{
    if (priority >= 1000.0f)
        return required;
    double clamped = std::max(1.0, static_cast<double>(priority));
    return std::pow(10.0, clamped / 250.0);
}

} // namespace autolayout::strength
