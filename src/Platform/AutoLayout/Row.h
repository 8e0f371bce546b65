#pragma once

#include "Platform/AutoLayout/Symbol.h"

#include <vector>

namespace autolayout {

// One row of the tableau: constant + sum(coefficient * symbol). Cells are kept sorted by symbol
// id so that adding one row into another is a linear merge, which is what substitution costs.
class Row {
public:
    struct Cell {
        Symbol symbol;
        double coefficient;
    };

    Row() = default;
    explicit Row(double constant)
        : constant_(constant)
    {
    }

    double constant() const { return constant_; }
    const std::vector<Cell>& cells() const { return cells_; }

    void reserve(std::size_t cells) { cells_.reserve(cells); }
    // Returns the new constant.
    double add(double value) { return constant_ += value; }
    void insert(Symbol symbol, double coefficient = 1.0);
    // Adds other * coefficient; symbols that enter this row are appended to `entered` when given.
    void insert(const Row& other, double coefficient, std::vector<Symbol>* entered = nullptr);
    void remove(Symbol symbol);
    void reverseSign();
    // Rewrites the row, taken as "0 = row", so that `symbol` is its subject: symbol = row'.
    void solveFor(Symbol symbol);
    // The row is "lhs = row"; makes rhs the subject instead.
    void solveFor(Symbol lhs, Symbol rhs);
    double coefficientFor(Symbol symbol) const;
    bool contains(Symbol symbol) const;
    // Replaces `symbol` by `row`, when it occurs here; returns whether it did.
    bool substitute(Symbol symbol, const Row& row, std::vector<Symbol>* entered = nullptr);

private:
    std::vector<Cell>::iterator find(Symbol symbol);
    std::vector<Cell>::const_iterator find(Symbol symbol) const;

    std::vector<Cell> cells_;
    double constant_ = 0.0;
};

// Coefficients and constants closer to zero than this are taken as zero.
inline constexpr double zeroTolerance = 1.0e-8;
bool nearZero(double value);

} // namespace autolayout
