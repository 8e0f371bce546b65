#include "Platform/AutoLayout/Solver.h"

#include "Platform/AutoLayout/Strength.h"

// Edit variables and reading the solution out: the part of the solver that runs on every
// window resize.

namespace autolayout {

SolverStatus Solver::addEditVariable(const Variable& variable, double strength)
{
    if (edits_.count(variable))
        return SolverStatus::DuplicateEditVariable;
    if (strength::isRequired(strength))
        return SolverStatus::BadRequiredStrength;
    Constraint constraint(Expression(variable), RelationalOperator::Equal, strength);
    SolverStatus status = addConstraint(constraint);
    if (status != SolverStatus::Ok)
        return status;
    EditInfo info;
    info.tag = constraints_.at(constraint).tag;
    info.constraint = constraint;
    edits_.emplace(variable, std::move(info));
    return SolverStatus::Ok;
}

SolverStatus Solver::removeEditVariable(const Variable& variable)
{
    auto it = edits_.find(variable);
    if (it == edits_.end())
        return SolverStatus::UnknownEditVariable;
    Constraint constraint = it->second.constraint;
    edits_.erase(it);
    return removeConstraint(constraint);
}

bool Solver::hasEditVariable(const Variable& variable) const
{
    return edits_.count(variable) != 0;
}

SolverStatus Solver::suggestValue(const Variable& variable, double value)
{
    auto it = edits_.find(variable);
    if (it == edits_.end())
        return SolverStatus::UnknownEditVariable;
    rebuildIfNeeded();
    // Rounding may leave the tableau without the pivot the new value needs; the tableau is then
    // made again with the value.
    if (shiftEdit(it->second, value) != SolverStatus::Ok)
        rebuild();
    return SolverStatus::Ok;
}

SolverStatus Solver::shiftEdit(EditInfo& info, double value)
{
    double delta = value - info.constant;
    info.constant = value;

    // Changing the edit constant by delta is the same as shifting its error variable by delta;
    // wherever that variable sits in the tableau, only the constants move.
    if (Row* markerRow = rowFor(info.tag.marker)) {
        if (markerRow->add(-delta) < 0.0)
            infeasible_.push_back(info.tag.marker);
    } else if (Row* other = rowFor(info.tag.other)) {
        if (other->add(delta) < 0.0)
            infeasible_.push_back(info.tag.other);
    } else {
        if (info.cellsStructure != structure_) {
            info.cells.clear();
            info.restricted.clear();
            for (std::uint32_t basic : column(info.tag.marker)) {
                Row* holder = &rows_[basic];
                info.cells.emplace_back(holder, holder->coefficientFor(info.tag.marker));
                if (symbols_[basic].isRestricted())
                    info.restricted.emplace_back(holder, symbols_[basic]);
            }
            info.cellsStructure = structure_;
        }
        for (const auto& [holder, coefficient] : info.cells)
            holder->add(delta * coefficient);
        for (const auto& [holder, basic] : info.restricted) {
            if (holder->constant() < 0.0)
                infeasible_.push_back(basic);
        }
    }
    return dualOptimize();
}

void Solver::reserve(std::size_t constraints, std::size_t variables)
{
    constraints_.reserve(constraints_.size() + constraints);
    if (indexed_)
        variableIndex_.reserve(variableIndex_.size() + variables);
    variables_.reserve(variables_.size() + variables);
    std::size_t symbols = symbols_.size() + variables + constraints;
    symbols_.reserve(symbols);
    if (symbols > rows_.capacity())
        ++structure_; // the rows move: pointers kept to them are stale
    rows_.reserve(symbols);
    isBasic_.reserve(symbols);
    columns_.reserve(symbols);
}

void Solver::updateVariables()
{
    rebuildIfNeeded();
    // Between structural changes the same rows hold the same variables; only their constants
    // move (a window being resized), so the pairs are gathered once and then copied straight.
    if (valuesStructure_ != structure_ || valueSources_.size() + zeroValues_.size() != variables_.size()) {
        valueSources_.clear();
        zeroValues_.clear();
        for (VariableInfo& info : variables_) {
            if (const Row* row = rowFor(info.symbol))
                valueSources_.emplace_back(row, info.variable.data_->slot);
            else
                zeroValues_.push_back(info.variable.data_->slot);
        }
        valuesStructure_ = structure_;
    }
    for (const auto& [row, value] : valueSources_)
        *value = row->constant();
    for (double* value : zeroValues_)
        *value = 0.0;
}

} // namespace autolayout
