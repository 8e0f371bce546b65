#include "Platform/AutoLayout/Solver.h"

#include "Platform/AutoLayout/Strength.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace autolayout {

const char* toString(SolverStatus status)
{
    switch (status) {
    case SolverStatus::Ok:
        return "ok";
    case SolverStatus::DuplicateConstraint:
        return "duplicate constraint";
    case SolverStatus::UnknownConstraint:
        return "unknown constraint";
    case SolverStatus::UnsatisfiableConstraint:
        return "unsatisfiable constraint";
    case SolverStatus::DuplicateEditVariable:
        return "duplicate edit variable";
    case SolverStatus::UnknownEditVariable:
        return "unknown edit variable";
    case SolverStatus::BadRequiredStrength:
        return "edit variables cannot be required";
    case SolverStatus::InternalError:
        return "internal solver error";
    }
    return "unknown status";
}

Solver::Solver()
{
    reset();
}

Solver::~Solver() = default;

void Solver::reset()
{
    constraints_.clear();
    edits_.clear();
    needsRebuild_ = false;
    clearTableau();
}

void Solver::clearTableau()
{
    static std::atomic<std::uint64_t> tableaux { 0 };
    tableau_ = ++tableaux;
    variableIndex_.clear();
    indexed_ = false;
    variables_.clear();
    rows_.clear();
    isBasic_.clear();
    symbols_.clear();
    columns_.clear();
    stamps_.clear();
    stamp_ = 0;
    infeasible_.clear();
    objective_ = std::make_unique<Row>();
    artificial_.reset();
    weights_.clear();
    largestWeight_ = 1.0;
    basicCount_ = 0;
    ++structure_;
    makeSymbol(Symbol::Type::Invalid); // id 0 stays unused, so a default Symbol never aliases one
}

void Solver::rebuildIfNeeded()
{
    if (needsRebuild_)
        rebuild();
}

void Solver::rebuild()
{
    needsRebuild_ = false;
    std::vector<ConstraintInfo> ordered;
    ordered.reserve(constraints_.size());
    for (auto& [constraint, info] : constraints_)
        ordered.push_back(info);
    std::sort(ordered.begin(), ordered.end(),
        [](const ConstraintInfo& a, const ConstraintInfo& b) { return a.sequence < b.sequence; });
    constraints_.clear();
    std::vector<VariableInfo> known = std::move(variables_);
    clearTableau();
    // Variables that someone still holds keep a column, so that they read 0 rather than a stale
    // value when nothing constrains them any more; the others are forgotten here.
    for (VariableInfo& info : known) {
        if (info.variable.useCount() > 1)
            symbolFor(info.variable);
    }
    known.clear();
    // The same constraints in the same order: what was satisfiable before still is.
    for (ConstraintInfo& info : ordered) {
        if (addToTableau(info.constraint, info.tag) == SolverStatus::Ok)
            constraints_.emplace(info.constraint, info);
    }
    for (auto& [variable, edit] : edits_) {
        auto it = constraints_.find(edit.constraint);
        if (it == constraints_.end())
            continue;
        edit.tag = it->second.tag;
        edit.cellsStructure = ~std::uint64_t(0);
        double value = edit.constant;
        edit.constant = 0.0;
        (void)shiftEdit(edit, value);
    }
}

std::size_t Solver::rowCount()
{
    rebuildIfNeeded();
    return basicCount_;
}

Symbol Solver::makeSymbol(Symbol::Type type)
{
    Symbol symbol { static_cast<std::uint32_t>(symbols_.size()), type };
    symbols_.push_back(symbol);
    if (rows_.size() == rows_.capacity())
        ++structure_; // the rows move: pointers kept to them are stale
    rows_.emplace_back();
    isBasic_.push_back(0);
    columns_.emplace_back();
    return symbol;
}

Symbol Solver::symbolFor(const Variable& variable)
{
    Variable::Data& data = *variable.data_;
    if (data.solver == this && data.tableau == tableau_)
        return Symbol { data.symbol, Symbol::Type::External };
    // The cache names another solver (or an earlier tableau of this one). Only when another
    // solver took the cache over can the variable be known here all the same; the index that
    // answers that case is made the first time it arises and kept from then on, so that the
    // usual case (a variable only one solver ever sees) costs no lookup.
    bool otherSolver = data.solver && data.solver != this;
    if (otherSolver && !indexed_) {
        variableIndex_.reserve(variables_.size());
        for (std::size_t i = 0; i < variables_.size(); ++i)
            variableIndex_.emplace(variables_[i].variable.identity(), i);
        indexed_ = true;
    }
    std::size_t index = variables_.size();
    if (indexed_)
        index = variableIndex_.emplace(variable.identity(), index).first->second;
    if (index == variables_.size())
        variables_.push_back(VariableInfo { variable, makeSymbol(Symbol::Type::External) });
    Symbol symbol = variables_[index].symbol;
    data.solver = this;
    data.tableau = tableau_;
    data.symbol = symbol.id;
    return symbol;
}

Row* Solver::rowFor(Symbol symbol)
{
    return symbol.id < rows_.size() && isBasic_[symbol.id] ? &rows_[symbol.id] : nullptr;
}

void Solver::setRow(Symbol basic, Row row)
{
    ++structure_;
    for (const Row::Cell& cell : row.cells())
        columns_[cell.symbol.id].push_back(basic.id);
    rows_[basic.id] = std::move(row);
    isBasic_[basic.id] = 1;
    ++basicCount_;
}

Row Solver::takeRow(Symbol basic)
{
    ++structure_;
    --basicCount_;
    isBasic_[basic.id] = 0;
    Row taken = std::move(rows_[basic.id]);
    rows_[basic.id] = Row();
    return taken;
}

const std::vector<std::uint32_t>& Solver::column(Symbol symbol)
{
    std::vector<std::uint32_t>& entries = columns_[symbol.id];
    if (stamps_.size() < rows_.size())
        stamps_.resize(rows_.size(), 0);
    ++stamp_;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint32_t basic = entries[i];
        if (!isBasic_[basic] || stamps_[basic] == stamp_ || !rows_[basic].contains(symbol))
            continue;
        stamps_[basic] = stamp_;
        entries[kept++] = basic;
    }
    entries.resize(kept);
    return entries;
}

SolverStatus Solver::addConstraint(const Constraint& constraint)
{
    if (constraint.isNull())
        return SolverStatus::UnknownConstraint;
    if (constraints_.count(constraint))
        return SolverStatus::DuplicateConstraint;
    rebuildIfNeeded();
    Tag tag;
    SolverStatus status = addToTableau(constraint, tag);
    if (status == SolverStatus::Ok)
        constraints_.emplace(constraint, ConstraintInfo { constraint, tag, nextSequence_++ });
    else if (status == SolverStatus::InternalError)
        rebuild(); // drops whatever part of the constraint made it into the tableau
    return status;
}

SolverStatus Solver::addToTableau(const Constraint& constraint, Tag& tag)
{
    Row row = createRow(constraint, tag);
    Symbol subject = chooseSubject(row, tag);

    if (!subject.isValid() && row.cells().empty()) {
        // Nothing left to solve for: either it follows from what is there, or it contradicts it.
        return nearZero(row.constant()) ? SolverStatus::Ok : SolverStatus::UnsatisfiableConstraint;
    }

    if (!subject.isValid()) {
        SolverStatus status = SolverStatus::Ok;
        if (!addWithArtificialVariable(row, status)) {
            if (status != SolverStatus::Ok)
                return status;
            // The search for a feasible point moved the basis; the objective moved along with it
            // but is no longer at its optimum.
            status = optimize(*objective_, objectiveTolerance());
            return status == SolverStatus::Ok ? SolverStatus::UnsatisfiableConstraint : status;
        }
    } else {
        row.solveFor(subject);
        substitute(subject, row);
        setRow(subject, std::move(row));
    }
    return optimize(*objective_, objectiveTolerance());
}

Row Solver::createRow(const Constraint& constraint, Tag& tag)
{
    const Expression& expression = constraint.expression();
    Row row(expression.constant());
    row.reserve(expression.terms().size() + 2);
    for (const Term& term : expression.terms()) {
        if (nearZero(term.coefficient))
            continue;
        Symbol symbol = symbolFor(term.variable);
        if (const Row* basic = rowFor(symbol))
            row.insert(*basic, term.coefficient);
        else
            row.insert(symbol, term.coefficient);
    }

    double strength = constraint.strength();
    bool required = strength::isRequired(strength);
    switch (constraint.op()) {
    case RelationalOperator::LessOrEqual:
    case RelationalOperator::GreaterOrEqual: {
        double coefficient = constraint.op() == RelationalOperator::LessOrEqual ? 1.0 : -1.0;
        tag.marker = makeSymbol(Symbol::Type::Slack);
        row.insert(tag.marker, coefficient);
        if (!required) {
            tag.other = makeSymbol(Symbol::Type::Error);
            row.insert(tag.other, -coefficient);
            objective_->insert(tag.other, strength);
        }
        break;
    }
    case RelationalOperator::Equal:
        if (!required) {
            tag.marker = makeSymbol(Symbol::Type::Error);
            tag.other = makeSymbol(Symbol::Type::Error);
            row.insert(tag.marker, -1.0);
            row.insert(tag.other, 1.0);
            objective_->insert(tag.marker, strength);
            objective_->insert(tag.other, strength);
        }
        break;
    }
    if (!required) {
        ++weights_[strength];
        largestWeight_ = std::max(largestWeight_, strength);
    }
    if (row.constant() < 0.0)
        row.reverseSign();
    return row;
}

Symbol Solver::chooseSubject(const Row& row, const Tag& tag) const
{
    // Any external symbol would do; the one that occurs in the fewest other rows keeps the
    // substitution that follows cheap and the tableau sparse. A variable no row holds yet (the
    // usual case when views are laid out one after another) costs nothing at all. Only one with
    // a coefficient far below the row's largest is passed over: dividing by it would magnify
    // the rounding in every row it is substituted into.
    double largest = 0.0;
    for (const Row::Cell& cell : row.cells()) {
        if (cell.symbol.isExternal())
            largest = std::max(largest, std::fabs(cell.coefficient));
    }
    Symbol best;
    std::size_t bestSpread = 0;
    for (const Row::Cell& cell : row.cells()) {
        if (!cell.symbol.isExternal() || std::fabs(cell.coefficient) < 0.01 * largest)
            continue;
        std::size_t spread = columns_[cell.symbol.id].size();
        if (!best.isValid() || spread < bestSpread) {
            best = cell.symbol;
            bestSpread = spread;
            if (spread == 0)
                break;
        }
    }
    if (best.isValid())
        return best;
    if (tag.marker.isPivotable() && row.coefficientFor(tag.marker) < 0.0)
        return tag.marker;
    if (tag.other.isPivotable() && row.coefficientFor(tag.other) < 0.0)
        return tag.other;
    return Symbol {};
}

bool Solver::addWithArtificialVariable(const Row& row, SolverStatus& status)
{
    Symbol art = makeSymbol(Symbol::Type::Slack);
    setRow(art, Row(row));
    artificial_ = std::make_unique<Row>(row);
    status = optimize(*artificial_, zeroTolerance);
    bool success = status == SolverStatus::Ok && nearZero(artificial_->constant());
    artificial_.reset();

    if (rowFor(art)) {
        Row basic = takeRow(art);
        // A failed addition leaves the artificial variable basic: its row is the refused
        // constraint and the other rows still describe exactly the earlier system, so dropping
        // it restores the solver. Pivoting it in first would keep part of the refused constraint.
        if (!success || basic.cells().empty())
            return success;
        Symbol entering;
        double largest = 0.0;
        for (const Row::Cell& cell : basic.cells()) {
            if (cell.symbol.isPivotable() && std::fabs(cell.coefficient) > largest) {
                entering = cell.symbol;
                largest = std::fabs(cell.coefficient);
            }
        }
        if (!entering.isValid())
            return false;
        basic.solveFor(art, entering);
        substitute(entering, basic);
        setRow(entering, std::move(basic));
    }

    ++structure_;
    for (std::uint32_t basic : column(art))
        rows_[basic].remove(art);
    columns_[art.id].clear();
    objective_->remove(art);
    return success;
}

void Solver::substitute(Symbol symbol, const Row& row)
{
    ++structure_;
    std::vector<std::uint32_t> affected = column(symbol);
    columns_[symbol.id].clear();
    for (std::uint32_t basic : affected) {
        Row& target = rows_[basic];
        entered_.clear();
        target.substitute(symbol, row, &entered_);
        for (Symbol entered : entered_)
            columns_[entered.id].push_back(basic);
        if (symbols_[basic].isRestricted() && target.constant() < 0.0)
            infeasible_.push_back(symbols_[basic]);
    }
    objective_->substitute(symbol, row);
    if (artificial_)
        artificial_->substitute(symbol, row);
}

double Solver::objectiveTolerance() const
{
    // Rounding leaves about 1e-13 of the largest weight behind; a hundred times that still lets
    // the weakest priorities (about 1% apart) be told apart beside weights a million times theirs.
    return 1.0e-11 * largestWeight_;
}

SolverStatus Solver::optimize(Row& objective, double tolerance)
{
    // The most negative coefficient enters first, so that a residue of rounding that slipped
    // past the tolerance is only ever taken when nothing real is left. Layouts are highly
    // degenerate; should the pivots go on for long, the lowest-numbered symbols are taken
    // instead, which cannot cycle.
    std::size_t patience = 2 * basicCount_ + 100;
    for (std::size_t pivots = 0;; ++pivots) {
        bool lowestFirst = pivots > patience;
        Symbol entering = enteringSymbol(objective, tolerance, lowestFirst);
        if (!entering.isValid())
            return SolverStatus::Ok;
        Symbol leaving = leavingSymbol(entering, lowestFirst);
        if (!leaving.isValid())
            return SolverStatus::InternalError; // the objective is unbounded
        Row row = takeRow(leaving);
        row.solveFor(leaving, entering);
        substitute(entering, row);
        setRow(entering, std::move(row));
    }
}

SolverStatus Solver::dualOptimize()
{
    while (!infeasible_.empty()) {
        Symbol leaving = infeasible_.back();
        infeasible_.pop_back();
        Row* row = rowFor(leaving);
        if (!row || nearZero(row->constant()) || row->constant() >= 0.0)
            continue;
        Symbol entering = dualEnteringSymbol(*row);
        if (!entering.isValid())
            return SolverStatus::InternalError;
        Row taken = takeRow(leaving);
        taken.solveFor(leaving, entering);
        substitute(entering, taken);
        setRow(entering, std::move(taken));
    }
    return SolverStatus::Ok;
}

Symbol Solver::enteringSymbol(const Row& objective, double tolerance, bool lowestFirst) const
{
    Symbol entering;
    double steepest = -tolerance;
    for (const Row::Cell& cell : objective.cells()) {
        if (cell.symbol.type != Symbol::Type::Dummy && cell.coefficient < steepest) {
            if (lowestFirst)
                return cell.symbol;
            entering = cell.symbol;
            steepest = cell.coefficient;
        }
    }
    return entering;
}

Symbol Solver::dualEnteringSymbol(const Row& row) const
{
    // Of the symbols that keep the objective at its optimum longest, the one with the largest
    // coefficient. Residues of rounding below zero in the objective count as zero.
    Symbol entering;
    double ratio = std::numeric_limits<double>::max();
    double pivot = 0.0;
    for (const Row::Cell& cell : row.cells()) {
        if (cell.coefficient > 0.0 && cell.symbol.type != Symbol::Type::Dummy) {
            double candidate = std::max(0.0, objective_->coefficientFor(cell.symbol)) / cell.coefficient;
            if (candidate < ratio || (candidate == ratio && cell.coefficient > pivot)) {
                ratio = candidate;
                pivot = cell.coefficient;
                entering = cell.symbol;
            }
        }
    }
    return entering;
}

Symbol Solver::leavingSymbol(Symbol entering, bool lowestFirst)
{
    // The row that bounds the entering symbol first. Rows that bound it at the same point are
    // common (many rows sit at zero); of those, the largest coefficient makes the steadiest
    // pivot, or the lowest-numbered symbol while cycling is to be ruled out.
    Symbol leaving;
    double ratio = std::numeric_limits<double>::max();
    double pivot = 0.0;
    for (std::uint32_t basic : column(entering)) {
        if (!symbols_[basic].isRestricted())
            continue;
        const Row& row = rows_[basic];
        double coefficient = row.coefficientFor(entering);
        if (coefficient >= 0.0)
            continue;
        double candidate = -row.constant() / coefficient;
        bool tie = nearZero(candidate - ratio);
        if ((candidate < ratio && !tie)
            || (tie && (lowestFirst ? basic < leaving.id : -coefficient > pivot))) {
            ratio = std::min(ratio, candidate);
            pivot = -coefficient;
            leaving = symbols_[basic];
        }
    }
    return leaving;
}

Symbol Solver::markerLeavingSymbol(Symbol marker)
{
    constexpr double dmax = std::numeric_limits<double>::max();
    double r1 = dmax;
    double r2 = dmax;
    Symbol first, second, third;
    for (std::uint32_t basic : column(marker)) {
        const Row& row = rows_[basic];
        double coefficient = row.coefficientFor(marker);
        Symbol symbol = symbols_[basic];
        if (symbol.isExternal()) {
            third = symbol;
        } else if (coefficient < 0.0) {
            double ratio = -row.constant() / coefficient;
            if (ratio < r1) {
                r1 = ratio;
                first = symbol;
            }
        } else {
            double ratio = row.constant() / coefficient;
            if (ratio < r2) {
                r2 = ratio;
                second = symbol;
            }
        }
    }
    if (first.isValid())
        return first;
    if (second.isValid())
        return second;
    return third;
}

void Solver::removeMarkerEffects(Symbol marker, double strength)
{
    if (const Row* row = rowFor(marker))
        objective_->insert(*row, -strength);
    else
        objective_->insert(marker, -strength);
}

SolverStatus Solver::removeConstraint(const Constraint& constraint)
{
    auto it = constraints_.find(constraint);
    if (it == constraints_.end())
        return SolverStatus::UnknownConstraint;
    // A required equality has no marker to pivot on. And once the largest weights are gone, the
    // residues they left would hide the differences between the weights that remain. Either way
    // the tableau is made again, once, before it is next used; until then removing is forgetting.
    if (needsRebuild_ || !it->second.tag.marker.isValid() || lastOfTheLargestWeights(constraint)) {
        constraints_.erase(it);
        needsRebuild_ = true;
        return SolverStatus::Ok;
    }
    Tag tag = it->second.tag;
    constraints_.erase(it);

    // The error weights leave the objective first, so that the re-optimisation below no longer
    // pays for the removed constraint.
    if (tag.marker.type == Symbol::Type::Error)
        removeMarkerEffects(tag.marker, constraint.strength());
    if (tag.other.type == Symbol::Type::Error)
        removeMarkerEffects(tag.other, constraint.strength());

    // Should rounding leave the tableau without a pivot that the removal needs, the constraint is
    // gone from the record all the same, and the tableau is made again without it.
    if (rowFor(tag.marker)) {
        takeRow(tag.marker);
    } else {
        Symbol leaving = markerLeavingSymbol(tag.marker);
        if (!leaving.isValid()) {
            rebuild();
            return SolverStatus::Ok;
        }
        Row row = takeRow(leaving);
        row.solveFor(leaving, tag.marker);
        substitute(tag.marker, row);
    }
    columns_[tag.marker.id].clear();
    if (optimize(*objective_, objectiveTolerance()) != SolverStatus::Ok)
        rebuild();
    return SolverStatus::Ok;
}

bool Solver::lastOfTheLargestWeights(const Constraint& constraint)
{
    if (constraint.isRequired())
        return false;
    auto it = weights_.find(constraint.strength());
    if (it != weights_.end() && --it->second == 0)
        weights_.erase(it);
    double remaining = weights_.empty() ? 1.0 : std::max(1.0, weights_.rbegin()->first);
    return 100.0 * remaining < largestWeight_;
}

bool Solver::hasConstraint(const Constraint& constraint) const
{
    return constraints_.count(constraint) != 0;
}

} // namespace autolayout
