#pragma once

#include "Platform/AutoLayout/Constraint.h"
#include "Platform/AutoLayout/Row.h"
#include "Platform/AutoLayout/Variable.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace autolayout {

enum class SolverStatus {
    Ok,
    DuplicateConstraint,
    UnknownConstraint,
    UnsatisfiableConstraint,
    DuplicateEditVariable,
    UnknownEditVariable,
    BadRequiredStrength,
    // Rounding left the tableau without a way out of a pivot while a constraint or edit variable
    // was being added; it is not added and the solver is as it was. (Removals and suggestions
    // that meet the same make the tableau again and succeed.)
    InternalError,
};

const char* toString(SolverStatus status);

// An incremental simplex solver of linear equalities and inequalities, some required and the
// others weighted by strength. Constraints and edit variables can be added and removed at any
// time; each change re-optimises from the current tableau instead of starting again, except the
// removal of a required equality, after which the tableau is rebuilt once from the constraints
// that remain (required equalities are the bulk of a layout and would otherwise each leave a
// marker column behind that every substitution has to carry), and the removal of the last of
// weights far above all others.
// Whatever an operation answers, the solver stays consistent: a refused or failed operation leaves
// the constraints and edits as they were and the solution as optimal as it was (though where
// optima tie, it may be another of them).
// Not thread-safe: one owner at a time.
class Solver {
public:
    Solver();
    ~Solver();
    Solver(const Solver&) = delete;
    Solver& operator=(const Solver&) = delete;

    // A required constraint that contradicts the required ones already present is refused with
    // UnsatisfiableConstraint.
    [[nodiscard]] SolverStatus addConstraint(const Constraint& constraint);
    [[nodiscard]] SolverStatus removeConstraint(const Constraint& constraint);
    bool hasConstraint(const Constraint& constraint) const;

    // An edit variable's strength must be below required.
    [[nodiscard]] SolverStatus addEditVariable(const Variable& variable, double strength);
    [[nodiscard]] SolverStatus removeEditVariable(const Variable& variable);
    bool hasEditVariable(const Variable& variable) const;
    [[nodiscard]] SolverStatus suggestValue(const Variable& variable, double value);

    // Room for this many more constraints and variables, for callers about to add many at once.
    void reserve(std::size_t constraints, std::size_t variables);

    // Copies the current solution into the variables.
    void updateVariables();
    void reset();

    std::size_t constraintCount() const { return constraints_.size(); }
    std::size_t rowCount();
    // The tableau as text, for debugging.
    std::string dump();

private:
    struct Tag {
        Symbol marker;
        Symbol other;
    };
    struct ConstraintInfo {
        Constraint constraint;
        Tag tag;
        std::uint64_t sequence = 0;
    };
    struct EditInfo {
        Tag tag;
        Constraint constraint;
        double constant = 0.0;
        // The rows holding the error symbol with its coefficients, while the tableau's
        // structure stays as it was when they were gathered: repeated suggestions (a window
        // being resized) then skip every lookup.
        std::vector<std::pair<Row*, double>> cells;
        std::vector<std::pair<Row*, Symbol>> restricted;
        std::uint64_t cellsStructure = ~std::uint64_t(0);
    };
    struct VariableInfo {
        Variable variable;
        Symbol symbol;
    };

    SolverStatus addToTableau(const Constraint& constraint, Tag& tag);
    void clearTableau();
    void rebuildIfNeeded();
    // Makes the tableau again from the constraints and edits on record: after the removals above,
    // and whenever rounding left the tableau with a pivot it cannot make, to undo whatever the
    // failed operation had done to it.
    void rebuild();
    Symbol makeSymbol(Symbol::Type type);
    Symbol symbolFor(const Variable& variable);
    Row* rowFor(Symbol symbol);
    void setRow(Symbol basic, Row row);
    Row takeRow(Symbol basic);

    Row createRow(const Constraint& constraint, Tag& tag);
    Symbol chooseSubject(const Row& row, const Tag& tag) const;
    bool addWithArtificialVariable(const Row& row, SolverStatus& status);
    void substitute(Symbol symbol, const Row& row);
    // Basic symbols whose rows hold `symbol`, stale entries dropped.
    const std::vector<std::uint32_t>& column(Symbol symbol);
    // Coefficients of the objective closer to zero than this are rounding residues.
    double objectiveTolerance() const;
    SolverStatus optimize(Row& objective, double tolerance);
    // Moves an edit's constant to `value`, then restores feasibility.
    SolverStatus shiftEdit(EditInfo& info, double value);
    SolverStatus dualOptimize();
    Symbol enteringSymbol(const Row& objective, double tolerance, bool lowestFirst) const;
    Symbol dualEnteringSymbol(const Row& row) const;
    Symbol leavingSymbol(Symbol entering, bool lowestFirst);
    Symbol markerLeavingSymbol(Symbol marker);
    void removeMarkerEffects(Symbol marker, double strength);
    // Takes the constraint's weight out of those counted; tells whether the largest that remains
    // is far below the largest the objective has seen.
    bool lastOfTheLargestWeights(const Constraint& constraint);
    std::string symbolName(Symbol symbol) const;

    std::unordered_map<Constraint, ConstraintInfo, ConstraintHash> constraints_;
    // Variables by identity, kept only once a variable shared with another solver showed up.
    std::unordered_map<const void*, std::size_t> variableIndex_;
    bool indexed_ = false;
    std::vector<VariableInfo> variables_;
    std::unordered_map<Variable, EditInfo, VariableHash> edits_;
    // Indexed by symbol id: the row whose basic variable the symbol is, if any (isBasic_ says),
    // and its type. Rows sit in one array, so that the passes that only move constants (a
    // window being resized) walk memory in order; growing it counts as a structural change.
    std::vector<Row> rows_;
    std::vector<std::uint8_t> isBasic_;
    std::vector<Symbol> symbols_;
    // Indexed by symbol id: basic symbols whose rows may contain it (verified on use).
    std::vector<std::vector<std::uint32_t>> columns_;
    // Marks the basic symbols already kept while a column is compacted.
    std::vector<std::uint32_t> stamps_;
    std::uint32_t stamp_ = 0;
    std::vector<Symbol> infeasible_;
    std::vector<Symbol> entered_;
    std::unique_ptr<Row> objective_;
    std::unique_ptr<Row> artificial_;
    // The weights in the objective, each with how many constraints carry it, and the largest
    // since the tableau was made. Rounding leaves residues in the objective in proportion to the
    // latter, and they stay after its constraints go.
    std::map<double, std::size_t> weights_;
    double largestWeight_ = 1.0;
    std::size_t basicCount_ = 0;
    // Changes whenever a row gains or loses a symbol or the basis changes.
    std::uint64_t structure_ = 0;
    std::uint64_t nextSequence_ = 0;
    // Where updateVariables copies from and to, valid while structure_ stays valuesStructure_.
    std::vector<std::pair<const Row*, double*>> valueSources_;
    std::vector<double*> zeroValues_;
    std::uint64_t valuesStructure_ = ~std::uint64_t(0);
    // Tells tableaux apart for the symbol cached in each variable; never repeats in a process,
    // so a new solver at a dead one's address cannot mistake the cache for its own.
    std::uint64_t tableau_ = 0;
    // Required equalities carry no marker symbol, which keeps the tableau sparse; removing one
    // leaves the tableau to be rebuilt from the remaining constraints, once, before it is next
    // used.
    bool needsRebuild_ = false;
};

} // namespace autolayout
