#pragma once

#include "Platform/AutoLayout/Expression.h"

#include <memory>
#include <string>

namespace autolayout {

enum class RelationalOperator { LessOrEqual, Equal, GreaterOrEqual };

// A solver constraint: `expression op 0` at a strength. Immutable; copies share identity, which
// is what the solver keys its bookkeeping on.
class Constraint {
public:
    Constraint() = default;
    Constraint(Expression expression, RelationalOperator op, double strength);
    // lhs op rhs
    Constraint(const Expression& lhs, RelationalOperator op, const Expression& rhs, double strength);

    bool isNull() const { return !data_; }
    const Expression& expression() const { return data_->expression; }
    RelationalOperator op() const { return data_->op; }
    double strength() const { return data_->strength; }
    bool isRequired() const;
    std::string toString() const;

    const void* identity() const { return data_.get(); }
    friend bool operator==(const Constraint& a, const Constraint& b) { return a.data_ == b.data_; }

private:
    struct Data {
        Expression expression;
        RelationalOperator op;
        double strength;
    };
    std::shared_ptr<const Data> data_;
};

struct ConstraintHash {
    std::size_t operator()(const Constraint& constraint) const
    {
        return std::hash<const void*>()(constraint.identity());
    }
};

} // namespace autolayout
