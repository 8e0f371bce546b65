#pragma once

namespace autolayout::strength {

// Weights of non-required constraints in the objective. Required constraints are not weighed at
// all: they are hard rows of the tableau, so `required` only marks them.
inline constexpr double required = 1.0e12;
// Above every layout priority below required: what edit variables for window sizes use.
inline constexpr double strong = 1.0e6;
inline constexpr double medium = 1.0e3;
inline constexpr double weak = 1.0;

// Layout priorities run from 1 to 1000, with 1000 meaning required. Each step of 250 weighs ten
// times more, so 250 < 500 < 501 < 750 < 999 stay strictly ordered and a higher priority wins
// against a lower one over any realistic number of conflicting constraints.
double fromPriority(float priority);

inline bool isRequired(double strength)
{
    return strength >= required;
}

} // namespace autolayout::strength
