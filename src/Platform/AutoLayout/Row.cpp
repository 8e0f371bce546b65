#include "Platform/AutoLayout/Row.h"

#include <algorithm>
#include <cmath>

namespace autolayout {

bool nearZero(double value)
{
    return std::fabs(value) < zeroTolerance;
}

std::vector<Row::Cell>::iterator Row::find(Symbol symbol)
{
    auto it = std::lower_bound(cells_.begin(), cells_.end(), symbol.id,
        [](const Cell& cell, std::uint32_t id) { return cell.symbol.id < id; });
    return (it != cells_.end() && it->symbol.id == symbol.id) ? it : cells_.end();
}

std::vector<Row::Cell>::const_iterator Row::find(Symbol symbol) const
{
    auto it = std::lower_bound(cells_.begin(), cells_.end(), symbol.id,
        [](const Cell& cell, std::uint32_t id) { return cell.symbol.id < id; });
    return (it != cells_.end() && it->symbol.id == symbol.id) ? it : cells_.end();
}

void Row::insert(Symbol symbol, double coefficient)
{
    auto it = std::lower_bound(cells_.begin(), cells_.end(), symbol.id,
        [](const Cell& cell, std::uint32_t id) { return cell.symbol.id < id; });
    if (it != cells_.end() && it->symbol.id == symbol.id) {
        it->coefficient += coefficient;
        if (nearZero(it->coefficient))
            cells_.erase(it);
        return;
    }
    if (!nearZero(coefficient))
        cells_.insert(it, Cell { symbol, coefficient });
}

void Row::insert(const Row& other, double coefficient, std::vector<Symbol>* entered)
{
    constant_ += other.constant_ * coefficient;
    if (other.cells_.empty())
        return;
    // Merging into a buffer kept between calls and swapping it in lets the buffers of the rows
    // circulate instead of allocating one per substitution.
    thread_local std::vector<Cell> merged;
    merged.clear();
    merged.reserve(cells_.size() + other.cells_.size());
    auto a = cells_.begin();
    auto b = other.cells_.begin();
    while (a != cells_.end() || b != other.cells_.end()) {
        if (b == other.cells_.end() || (a != cells_.end() && a->symbol.id < b->symbol.id)) {
            merged.push_back(*a++);
        } else if (a == cells_.end() || b->symbol.id < a->symbol.id) {
            double value = b->coefficient * coefficient;
            if (!nearZero(value)) {
                merged.push_back(Cell { b->symbol, value });
                if (entered)
                    entered->push_back(b->symbol);
            }
            ++b;
        } else {
            double value = a->coefficient + b->coefficient * coefficient;
            if (!nearZero(value))
                merged.push_back(Cell { a->symbol, value });
            ++a;
            ++b;
        }
    }
    cells_.swap(merged);
}

void Row::remove(Symbol symbol)
{
    auto it = find(symbol);
    if (it != cells_.end())
        cells_.erase(it);
}

void Row::reverseSign()
{
    constant_ = -constant_;
    for (Cell& cell : cells_)
        cell.coefficient = -cell.coefficient;
}

void Row::solveFor(Symbol symbol)
{
    auto it = find(symbol);
    double factor = -1.0 / it->coefficient;
    cells_.erase(it);
    constant_ *= factor;
    for (Cell& cell : cells_)
        cell.coefficient *= factor;
}

void Row::solveFor(Symbol lhs, Symbol rhs)
{
    insert(lhs, -1.0);
    solveFor(rhs);
}

double Row::coefficientFor(Symbol symbol) const
{
    auto it = find(symbol);
    return it == cells_.end() ? 0.0 : it->coefficient;
}

bool Row::contains(Symbol symbol) const
{
    return find(symbol) != cells_.end();
}

bool Row::substitute(Symbol symbol, const Row& row, std::vector<Symbol>* entered)
{
    auto it = find(symbol);
    if (it == cells_.end())
        return false;
    double coefficient = it->coefficient;
    cells_.erase(it);
    insert(row, coefficient, entered);
    return true;
}

} // namespace autolayout
