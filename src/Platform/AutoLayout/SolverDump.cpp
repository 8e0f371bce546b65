#include "Platform/AutoLayout/Solver.h"

#include <cstdio>
#include <functional>

namespace autolayout {

std::string Solver::symbolName(Symbol symbol) const
{
    static const char* prefixes[] = { "i", "v", "s", "e", "d" };
    std::string name = prefixes[static_cast<int>(symbol.type)] + std::to_string(symbol.id);
    if (symbol.isExternal()) {
        for (const VariableInfo& info : variables_) {
            if (info.symbol == symbol && !info.variable.name().empty())
                return name + "(" + info.variable.name() + ")";
        }
    }
    return name;
}

namespace {

std::string rowText(const Row& row, const std::function<std::string(Symbol)>& name)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%g", row.constant());
    std::string text = buffer;
    for (const Row::Cell& cell : row.cells()) {
        std::snprintf(buffer, sizeof buffer, " + %g * ", cell.coefficient);
        text += buffer + name(cell.symbol);
    }
    return text;
}

} // namespace

std::string Solver::dump()
{
    rebuildIfNeeded();
    auto name = [this](Symbol symbol) { return symbolName(symbol); };
    std::string text = "Objective\n---------\n" + rowText(*objective_, name) + "\n\nTableau\n-------\n";
    for (std::size_t id = 0; id < rows_.size(); ++id) {
        if (isBasic_[id])
            text += name(symbols_[id]) + " | " + rowText(rows_[id], name) + "\n";
    }
    text += "\nInfeasible\n----------\n";
    for (Symbol symbol : infeasible_)
        text += name(symbol) + "\n";
    text += "\nVariables\n---------\n";
    for (const VariableInfo& info : variables_)
        text += info.variable.name() + " = " + name(info.symbol) + "\n";
    text += "\nEdit variables\n--------------\n";
    for (const auto& [variable, info] : edits_)
        text += variable.name() + "\n";
    text += "\nConstraints\n-----------\n";
    for (const auto& [constraint, info] : constraints_)
        text += constraint.toString() + "\n";
    return text;
}

} // namespace autolayout
