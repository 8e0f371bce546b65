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

Expression Expression::reduced() const
{
    // Layout expressions hold a handful of terms, so a linear merge beats any map.
    std::vector<Term> terms;
    terms.reserve(terms_.size());
    for (const Term& term : terms_) {
        auto same = std::find_if(terms.begin(), terms.end(),
            [&](const Term& kept) { return kept.variable.identity() == term.variable.identity(); });
        if (same == terms.end())
            terms.push_back(term);
        else
            same->coefficient += term.coefficient;
    }
    terms.erase(std::remove_if(terms.begin(), terms.end(), [](const Term& term) { return nearZero(term.coefficient); }),
        terms.end());
    return Expression(std::move(terms), constant_);
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
