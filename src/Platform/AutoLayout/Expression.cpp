#include "Platform/AutoLayout/Expression.h"

#include "Platform/AutoLayout/Row.h"

#include <cstdio>
#include <algorithm>

namespace autolayout {

double Expression::value() const
{
    double result = constant_;
    for (const Term& term : terms_)
        result += term.coefficient * term.variable.value();
    return result;
}

Expression Expression::reduced() const&
{
    return Expression(*this).reduced();
}

Expression Expression::reduced() &&
{
    // Layout expressions hold a handful of terms, so a linear merge in place beats any map.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < terms_.size(); ++i) {
        std::size_t same = 0;
        while (same < kept && terms_[same].variable.identity() != terms_[i].variable.identity())
            ++same;
        if (same < kept)
            terms_[same].coefficient += terms_[i].coefficient;
        else if (kept != i)
            terms_[kept++] = std::move(terms_[i]);
        else
            ++kept;
    }
    terms_.resize(kept);
    terms_.erase(std::remove_if(terms_.begin(), terms_.end(), [](const Term& term) { return nearZero(term.coefficient); }),
        terms_.end());
    return std::move(*this);
}

std::string Expression::toString() const
{
    std::string text;
    char buffer[64];
    for (const Term& term : terms_) {
        std::snprintf(buffer, sizeof buffer, "%g*", term.coefficient);
        text += buffer + term.variable.name() + " + ";
    }
    std::snprintf(buffer, sizeof buffer, "%g", constant_);
    return text + buffer;
}

Expression& Expression::operator+=(const Expression& other)
{
    terms_.insert(terms_.end(), other.terms_.begin(), other.terms_.end());
    constant_ += other.constant_;
    return *this;
}

Expression& Expression::operator-=(const Expression& other)
{
    return *this += -other;
}

Expression& Expression::operator*=(double factor)
{
    for (Term& term : terms_)
        term.coefficient *= factor;
    constant_ *= factor;
    return *this;
}

Expression operator+(Expression a, const Expression& b)
{
    return a += b;
}

Expression operator-(Expression a, const Expression& b)
{
    return a -= b;
}

Expression operator-(Expression a)
{
    return a *= -1.0;
}

Expression operator*(Expression a, double factor)
{
    return a *= factor;
}

Expression operator*(double factor, Expression a)
{
    return a *= factor;
}

Expression operator/(Expression a, double divisor)
{
    return a *= 1.0 / divisor;
}

} // namespace autolayout
