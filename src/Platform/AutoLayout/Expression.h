#pragma once

#include "Platform/AutoLayout/Variable.h"

#include <string>
#include <vector>

namespace autolayout {

struct Term {
    Variable variable;
    double coefficient = 1.0;
};

// A linear expression: constant + sum(coefficient * variable). Built with the operators below:
// `2.0 * x + y - 10.0`.
class Expression {
public:
    Expression(double constant = 0.0)
        : constant_(constant)
    {
    }
    Expression(const Variable& variable)
        : terms_ { Term { variable, 1.0 } }
    {
    }
    Expression(Term term)
        : terms_ { std::move(term) }
    {
    }
    Expression(std::vector<Term> terms, double constant)
        : terms_(std::move(terms))
        , constant_(constant)
    {
    }

    const std::vector<Term>& terms() const { return terms_; }
    double constant() const { return constant_; }
    // The value with the variables' current values.
    double value() const;
    // The same expression with each variable once and no zero coefficients.
    Expression reduced() const&;
    Expression reduced() &&;
    std::string toString() const;

    Expression& operator+=(const Expression& other);
    Expression& operator-=(const Expression& other);
    Expression& operator*=(double factor);

private:
    std::vector<Term> terms_;
    double constant_ = 0.0;
};

Expression operator+(Expression a, const Expression& b);
Expression operator-(Expression a, const Expression& b);
Expression operator-(Expression a);
Expression operator*(Expression a, double factor);
Expression operator*(double factor, Expression a);
Expression operator/(Expression a, double divisor);

} // namespace autolayout
