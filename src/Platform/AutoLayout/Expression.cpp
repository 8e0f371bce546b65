#include "Platform/AutoLayout/Expression.h"

#include "Platform/AutoLayout/Row.h"

#include <cstdio>
#include <unordered_map>

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
    std::vector<Term> terms;
    std::unordered_map<const void*, std::size_t> position;
    for (const Term& term : terms_) {
        auto [it, fresh] = position.emplace(term.variable.identity(), terms.size());
        if (fresh)
            terms.push_back(term);
        else
            terms[it->second].coefficient += term.coefficient;
    }
    std::vector<Term> kept;
    kept.reserve(terms.size());
    for (Term& term : terms) {
        if (!nearZero(term.coefficient))
            kept.push_back(std::move(term));
    }
    return Expression(std::move(kept), constant_);
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
