// Random layout systems driven through the solver one change at a time. After every change the
// solver is compared with a fresh one given only what is present at that point: the history of
// additions, refusals, removals and suggestions must not show in the answer.

#include "Platform/AutoLayout/Solver.h"
#include "Platform/AutoLayout/Strength.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace autolayout;

namespace solverproperty {

using Op = RelationalOperator;

// A constraint over variable indices, so that the same system can be built over the variables of
// the solver under test and over those of the fresh solver.
struct Plan {
    std::vector<std::pair<int, double>> terms;
    double constant = 0.0;
    Op op = Op::Equal;
    double strength = strength::required;
};

Constraint build(const Plan& plan, const std::vector<Variable>& variables)
{
    std::vector<Term> terms;
    for (const auto& [index, coefficient] : plan.terms)
        terms.push_back(Term { variables[static_cast<std::size_t>(index)], coefficient });
    return Constraint(Expression(std::move(terms), plan.constant), plan.op, plan.strength);
}

struct Edit {
    int variable = 0;
    double strength = 0.0;
    double value = 0.0;
    bool present = false;
};

struct Random {
    std::mt19937 engine;
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
    bool chance(double p) { return std::bernoulli_distribution(p)(engine); }
    double strength()
    {
        int kind = between(0, 19);
        if (kind < 6)
            return strength::required;
        if (kind < 9)
            return strength::fromPriority(static_cast<float>(between(990, 999)));
        if (kind < 11)
            return strength::strong;
        if (kind < 14)
            return std::pow(10.0, between(700, 1000) / 100.0); // between strong and required
        return strength::fromPriority(static_cast<float>(between(1, 999)));
    }
};

// Boxes in a grid of rows and columns (one row is a chain). Variables: 0 and 1 are the window's
// width and height, then each box has its x, width, y and height. Along each axis the boxes of a
// line sit between the window's edges with margins and gaps, have required minimum sizes and
// preferred or limited sizes, and may be aligned with the first line; some systems also carry
// required constraints that contradict the others, for the solver to refuse.
struct LayoutSystem {
    std::vector<Plan> pool;
    int variableCount = 0;
};

LayoutSystem makeLayoutSystem(Random& random, int maxRows, int maxColumns)
{
    LayoutSystem system;
    int rows = random.between(1, maxRows);
    int columns = random.between(1, maxColumns);
    system.variableCount = 2 + 4 * rows * columns;
    // Each random draw is its own statement, so that every compiler draws them in one order.
    auto add = [&](std::vector<std::pair<int, double>> terms, double constant, Op op, double strength) {
        system.pool.push_back(Plan { std::move(terms), constant, op, strength });
    };
    auto prefer = [&](std::vector<std::pair<int, double>> terms, double constant, Op op) {
        add(std::move(terms), constant, op, random.strength());
    };
    for (int axis = 0; axis < (rows > 1 || random.chance(0.5) ? 2 : 1); ++axis) {
        int lines = axis == 0 ? rows : columns;
        int length = axis == 0 ? columns : rows;
        auto position = [&](int line, int i) {
            int box = axis == 0 ? line * columns + i : i * columns + line;
            return 2 + 4 * box + 2 * axis;
        };
        auto size = [&](int line, int i) { return position(line, i) + 1; };
        for (int line = 0; line < lines; ++line) {
            double minimumTotal = 0.0;
            double leading = random.between(0, 20);
            prefer({ { position(line, 0), 1.0 } }, -leading, Op::Equal);
            for (int i = 0; i < length; ++i) {
                double minimum = random.between(10, 60);
                minimumTotal += minimum;
                add({ { size(line, i), 1.0 } }, -minimum, Op::GreaterOrEqual, strength::required);
                if (random.chance(0.6)) {
                    double preferred = random.between(20, 200);
                    prefer({ { size(line, i), 1.0 } }, -preferred, Op::Equal);
                }
                if (random.chance(0.3)) {
                    double maximum = minimum + random.between(0, 150);
                    prefer({ { size(line, i), 1.0 } }, -maximum, Op::LessOrEqual);
                }
                if (i + 1 < length) {
                    std::vector<std::pair<int, double>> gap { { position(line, i + 1), 1.0 },
                        { position(line, i), -1.0 }, { size(line, i), -1.0 } };
                    double spacing = -random.between(0, 20);
                    if (random.chance(0.3))
                        add(gap, 0.0, Op::GreaterOrEqual, strength::required);
                    prefer(gap, spacing, Op::Equal);
                }
                if (line > 0 && random.chance(0.3))
                    prefer({ { position(line, i), 1.0 }, { position(0, i), -1.0 } }, 0.0, Op::Equal);
                if (line > 0 && random.chance(0.2))
                    prefer({ { size(line, i), 1.0 }, { size(0, i), -1.0 } }, 0.0, Op::Equal);
                if (random.chance(0.4)) {
                    // A share of another box's size, or an aspect ratio: fractions that rounding
                    // cannot represent exactly.
                    const double shares[] = { 0.5, 1.0 / 3.0, 2.0 / 3.0, 0.75, 1.5, 0.1, 3.0, 1.0 / 7.0 };
                    int box = random.between(0, rows * columns - 1);
                    int widthOrHeight = 3 + 4 * box + 2 * random.between(0, 1);
                    double share = shares[random.between(0, 7)];
                    prefer({ { size(line, i), 1.0 }, { widthOrHeight, -share } }, 0.0, Op::Equal);
                }
                if (random.chance(0.1)) // centred in the window
                    prefer({ { position(line, i), 1.0 }, { size(line, i), 0.5 }, { axis, -0.5 } }, 0.0,
                        Op::Equal);
            }
            std::vector<std::pair<int, double>> trailing { { position(line, length - 1), 1.0 },
                { size(line, length - 1), 1.0 }, { axis, -1.0 } };
            double margin = random.between(0, 20);
            prefer(trailing, margin, random.chance(0.3) ? Op::LessOrEqual : Op::Equal);
            if (random.chance(0.15))
                add({ { size(line, 0), 1.0 } }, random.between(1, 20) - minimumTotal / length,
                    Op::LessOrEqual, strength::required);
            if (random.chance(0.15))
                add({ { position(line, length - 1), 1.0 }, { size(line, length - 1), 1.0 } },
                    -minimumTotal / 2, Op::LessOrEqual, strength::required);
        }
        if (random.chance(0.2))
            add({ { axis, 1.0 } }, -random.between(100, 2000), Op::Equal, strength::required);
    }
    std::shuffle(system.pool.begin(), system.pool.end(), random.engine);
    return system;
}

// Weighted violation of the preferences and the worst breach of a required constraint (relative
// to the size of its terms), read from the variables' current values.
struct Outcome {
    double penalty = 0.0;
    double requiredBreach = 0.0;
    double largestWeight = 0.0;
};

Outcome measure(const std::vector<Plan>& pool, const std::vector<std::size_t>& present,
    const std::vector<Edit>& edits, const std::vector<Variable>& variables)
{
    Outcome outcome;
    for (std::size_t entry : present) {
        const Plan& plan = pool[entry];
        double value = plan.constant;
        double scale = std::max(1.0, std::fabs(plan.constant));
        for (const auto& [index, coefficient] : plan.terms) {
            double term = coefficient * variables[static_cast<std::size_t>(index)].value();
            value += term;
            scale = std::max(scale, std::fabs(term));
        }
        double violation = plan.op == Op::Equal ? std::fabs(value)
            : plan.op == Op::LessOrEqual        ? std::max(0.0, value)
                                                : std::max(0.0, -value);
        if (strength::isRequired(plan.strength)) {
            outcome.requiredBreach = std::max(outcome.requiredBreach, violation / scale);
        } else {
            outcome.penalty += plan.strength * violation;
            outcome.largestWeight = std::max(outcome.largestWeight, plan.strength);
        }
    }
    for (const Edit& edit : edits) {
        if (!edit.present)
            continue;
        outcome.penalty += edit.strength
            * std::fabs(variables[static_cast<std::size_t>(edit.variable)].value() - edit.value);
        outcome.largestWeight = std::max(outcome.largestWeight, edit.strength);
    }
    return outcome;
}

std::vector<Variable> makeVariables(int count)
{
    const char* names[] = { "x", "width", "y", "height" };
    std::vector<Variable> variables { Variable("windowWidth"), Variable("windowHeight") };
    for (int i = 2; i < count; ++i)
        variables.emplace_back(names[(i - 2) % 4] + std::to_string((i - 2) / 4));
    return variables;
}

// One random script over one layout system: additions (some refused), removals, edit variables
// for the window's size coming and going, and suggestions. After each change a fresh solver is
// given the constraints and edits present, in the order they came.
class Script {
public:
    Script(std::uint32_t seed, int maxRows, int maxColumns)
        : random_ { std::mt19937(seed) }
        , system_(makeLayoutSystem(random_, maxRows, maxColumns))
        , ours_(makeVariables(system_.variableCount))
        , theirs_(makeVariables(system_.variableCount))
    {
        for (std::size_t i = 0; i < system_.pool.size(); ++i) {
            absent_.push_back(i);
            pool_.push_back(build(system_.pool[i], ours_));
            theirPool_.push_back(build(system_.pool[i], theirs_));
        }
    }

    // Empty, or what went wrong and the changes that led there.
    std::string run(int steps)
    {
        for (int step = 0; step < steps; ++step) {
            SolverStatus status = makeChange();
            std::string failure
                = status == SolverStatus::Ok || status == SolverStatus::UnsatisfiableConstraint
                ? compare(status)
                : "the solver says " + std::string(toString(status));
            if (!failure.empty())
                return history() + failure;
        }
        return {};
    }

private:
    enum class Kind { Add, Remove, AddEdit, RemoveEdit, Suggest };
    struct Change {
        Kind kind;
        std::size_t plan;
        int variable;
        double value;
        SolverStatus status;
    };

    SolverStatus makeChange()
    {
        int choice = random_.between(0, 99);
        Edit& edit = edits_[static_cast<std::size_t>(random_.between(0, 1))];
        const Variable& variable = ours_[static_cast<std::size_t>(edit.variable)];
        Change change { Kind::Suggest, 0, edit.variable, 0.0, SolverStatus::Ok };
        if (choice < 55 && !absent_.empty()) {
            auto pick = absent_.begin() + random_.between(0, static_cast<int>(absent_.size()) - 1);
            change.kind = Kind::Add;
            change.plan = *pick;
            change.status = solver_.addConstraint(pool_[change.plan]);
            if (change.status == SolverStatus::Ok) {
                present_.push_back(change.plan);
                absent_.erase(pick);
            }
        } else if (choice < 70 && !present_.empty()) {
            auto pick = present_.begin() + random_.between(0, static_cast<int>(present_.size()) - 1);
            change.kind = Kind::Remove;
            change.plan = *pick;
            change.status = solver_.removeConstraint(pool_[change.plan]);
            absent_.push_back(change.plan);
            present_.erase(pick);
        } else if (choice < 80 || !edit.present) {
            edit.present = !edit.present;
            if (edit.present) {
                edit.strength = random_.chance(0.5)
                    ? strength::strong
                    : strength::fromPriority(static_cast<float>(random_.between(1, 999)));
                edit.value = 0.0;
                change.kind = Kind::AddEdit;
                change.value = edit.strength;
                change.status = solver_.addEditVariable(variable, edit.strength);
            } else {
                change.kind = Kind::RemoveEdit;
                change.status = solver_.removeEditVariable(variable);
            }
        } else {
            edit.value = random_.between(50, 2000);
            change.value = edit.value;
            change.status = solver_.suggestValue(variable, edit.value);
        }
        history_.push_back(change);
        return change.status;
    }

    std::string compare(SolverStatus status)
    {
        Solver fresh;
        for (std::size_t plan : present_) {
            SolverStatus freshStatus = fresh.addConstraint(theirPool_[plan]);
            if (freshStatus != SolverStatus::Ok)
                return "a fresh solver says " + std::string(toString(freshStatus)) + " to "
                    + theirPool_[plan].toString();
        }
        for (const Edit& edit : edits_) {
            const Variable& variable = theirs_[static_cast<std::size_t>(edit.variable)];
            if (edit.present
                && (fresh.addEditVariable(variable, edit.strength) != SolverStatus::Ok
                    || fresh.suggestValue(variable, edit.value) != SolverStatus::Ok))
                return "a fresh solver refuses the edit";
        }
        solver_.updateVariables();
        fresh.updateVariables();
        Outcome incremental = measure(system_.pool, present_, edits_, ours_);
        Outcome reference = measure(system_.pool, present_, edits_, theirs_);
        std::ostringstream failure;
        failure.precision(12);
        // Values carry rounding of about 1e-12, and each unit of them weighs up to the largest
        // weight.
        double largest = std::max(incremental.penalty, reference.penalty);
        if (incremental.requiredBreach > 1e-6 || reference.requiredBreach > 1e-6)
            failure << "required constraint broken by " << incremental.requiredBreach << " (fresh "
                    << reference.requiredBreach << ")";
        else if (std::fabs(incremental.penalty - reference.penalty)
            > 1e-7 * largest + 1e-9 * incremental.largestWeight)
            failure << "weighted violation " << incremental.penalty << ", a fresh solver finds "
                    << reference.penalty;
        else if (status == SolverStatus::UnsatisfiableConstraint
            && fresh.addConstraint(theirPool_[history_.back().plan]) != SolverStatus::UnsatisfiableConstraint)
            failure << "a fresh solver accepts what was refused";
        return failure.str();
    }

    std::string history() const
    {
        std::ostringstream text;
        for (const Change& change : history_) {
            switch (change.kind) {
            case Kind::Add:
                text << "add " << pool_[change.plan].toString();
                break;
            case Kind::Remove:
                text << "remove " << pool_[change.plan].toString();
                break;
            case Kind::AddEdit:
                text << "edit " << ours_[static_cast<std::size_t>(change.variable)].name() << " at "
                     << change.value;
                break;
            case Kind::RemoveEdit:
                text << "stop editing " << ours_[static_cast<std::size_t>(change.variable)].name();
                break;
            case Kind::Suggest:
                text << "suggest " << ours_[static_cast<std::size_t>(change.variable)].name() << " = "
                     << change.value;
                break;
            }
            text << " -> " << toString(change.status) << "\n";
        }
        return text.str();
    }

    Random random_;
    LayoutSystem system_;
    std::vector<Variable> ours_;
    std::vector<Variable> theirs_;
    std::vector<Constraint> pool_;
    std::vector<Constraint> theirPool_;
    Solver solver_;
    std::vector<std::size_t> present_;
    std::vector<std::size_t> absent_;
    std::vector<Edit> edits_ { Edit { 0 }, Edit { 1 } };
    std::vector<Change> history_;
};

void runScripts(std::uint32_t firstSeed, int scripts, int maxRows, int maxColumns, int steps)
{
    int failures = 0;
    for (int i = 0; i < scripts && failures < 3; ++i) {
        std::uint32_t seed = firstSeed + static_cast<std::uint32_t>(i);
        std::string failure = Script(seed, maxRows, maxColumns).run(steps);
        if (!failure.empty()) {
            ADD_FAILURE() << "seed " << seed << ":\n" << failure;
            ++failures;
        }
    }
}

} // namespace solverproperty

TEST(SolverProperty, SmallLayoutsAgreeWithAFreshSolverAfterEveryChange)
{
    solverproperty::runScripts(1000, 2000, 2, 3, 12);
}

TEST(SolverProperty, GridLayoutsAgreeWithAFreshSolverAfterEveryChange)
{
    solverproperty::runScripts(50000, 40, 4, 5, 40);
}
