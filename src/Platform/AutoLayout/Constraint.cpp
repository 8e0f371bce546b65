#include "Platform/AutoLayout/Constraint.h"

#include "Platform/AutoLayout/Strength.h"

#include <algorithm>
#include <cstdio>

namespace autolayout {

Constraint::Constraint(Expression expression, RelationalOperator op, double strength)
    : data_(std::make_shared<const Data>(
        Data { std::move(expression).reduced(), op, std::clamp(strength, 0.0, strength::required) }))
{
}

Constraint::Constraint(const Expression& lhs, RelationalOperator op, const Expression& rhs, double strength)
    : Constraint(lhs - rhs, op, strength)
{
}

bool Constraint::isRequired() const
{
    return strength::isRequired(data_->strength);
}

std::string Constraint::toString() const
{
    const char* ops[] = { " <= 0", " == 0", " >= 0" };
    std::string text = data_->expression.toString() + ops[static_cast<int>(data_->op)];
    char buffer[48];
    if (isRequired())
        return text + " | required";
    std::snprintf(buffer, sizeof buffer, " | strength = %g", data_->strength);
    return text + buffer;
}

} // namespace autolayout
