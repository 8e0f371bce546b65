#include "Platform/AutoLayout/Solver.h"
#include "Platform/AutoLayout/Strength.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

using namespace autolayout;

namespace {

constexpr auto OpEQ = RelationalOperator::Equal;
constexpr auto OpLE = RelationalOperator::LessOrEqual;
constexpr auto OpGE = RelationalOperator::GreaterOrEqual;
constexpr double required = strength::required;

void add(Solver& solver, const Constraint& constraint)
{
    ASSERT_EQ(solver.addConstraint(constraint), SolverStatus::Ok) << constraint.toString();
}

} // namespace

TEST(SolverEqualities, SolvesAChainOfRequiredEqualities)
{
    Solver solver;
    Variable left("left"), width("width"), right("right");
    add(solver, Constraint(left, OpEQ, 10.0, required));
    add(solver, Constraint(width, OpEQ, 80.0, required));
    add(solver, Constraint(right, OpEQ, left + width, required));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(left.value(), 10.0);
    EXPECT_DOUBLE_EQ(width.value(), 80.0);
    EXPECT_DOUBLE_EQ(right.value(), 90.0);
}

TEST(SolverEqualities, AVariableSharedWithAnotherSolverKeepsOneColumnInEach)
{
    Solver first;
    Variable x("x"), y("y"), z("z");
    add(first, Constraint(x, OpEQ, 10.0, required));
    add(first, Constraint(z, OpEQ, 3.0, required));
    {
        Solver second;
        add(second, Constraint(x, OpEQ, 20.0, required));
        add(second, Constraint(z, OpEQ, x - 1.0, required));
        second.updateVariables();
        EXPECT_DOUBLE_EQ(z.value(), 19.0);
        Solver third; // a solver that sees x first after the others
        add(third, Constraint(y, OpEQ, x * 2.0, required));
        add(third, Constraint(x, OpEQ, 4.0, required));
        third.updateVariables();
        EXPECT_DOUBLE_EQ(y.value(), 8.0);
    }
    // Back in the first solver, x and z are the columns it already had, not new free ones.
    add(first, Constraint(y, OpEQ, x + z, required));
    first.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
    EXPECT_DOUBLE_EQ(y.value(), 13.0);
    EXPECT_EQ(first.addConstraint(Constraint(x, OpEQ, 11.0, required)),
              SolverStatus::UnsatisfiableConstraint);
}

TEST(SolverEqualities, MultipliersAndConstantsOnBothSides)
{
    Solver solver;
    Variable x("x"), y("y");
    add(solver, Constraint(2.0 * x + 4.0, OpEQ, y - 6.0, required));
    add(solver, Constraint(y, OpEQ, 30.0, required));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
}

TEST(SolverEqualities, RedundantRequiredEqualityIsAccepted)
{
    Solver solver;
    Variable x("x"), y("y");
    add(solver, Constraint(x, OpEQ, 10.0, required));
    add(solver, Constraint(y, OpEQ, x + 5.0, required));
    add(solver, Constraint(y - x, OpEQ, 5.0, required));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(y.value(), 15.0);
    EXPECT_EQ(solver.constraintCount(), 3u);
}

TEST(SolverInequalities, RequiredBoundsClampAWeakPreference)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, OpGE, 10.0, required));
    add(solver, Constraint(x, OpLE, 20.0, required));
    Constraint preference(x, OpEQ, 50.0, strength::weak);
    add(solver, preference);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 20.0);

    ASSERT_EQ(solver.removeConstraint(preference), SolverStatus::Ok);
    add(solver, Constraint(x, OpEQ, 0.0, strength::weak));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
}

TEST(SolverInequalities, SlackAllowsValuesInsideTheRange)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, OpGE, 10.0, required));
    add(solver, Constraint(x, OpLE, 20.0, required));
    add(solver, Constraint(x, OpEQ, 13.5, strength::weak));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 13.5);
}

TEST(SolverStrengths, StrongerPreferenceWins)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, OpEQ, 100.0, strength::fromPriority(250)));
    add(solver, Constraint(x, OpEQ, 40.0, strength::fromPriority(750)));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 40.0);
}

TEST(SolverStrengths, PrioritiesOrderStrictly)
{
    const float ordered[] = { 1, 50, 250, 490, 500, 501, 510, 750, 999 };
    for (std::size_t i = 1; i < std::size(ordered); ++i)
        EXPECT_LT(strength::fromPriority(ordered[i - 1]), strength::fromPriority(ordered[i])) << ordered[i];
    EXPECT_LT(strength::fromPriority(999), strength::strong);
    EXPECT_TRUE(strength::isRequired(strength::fromPriority(1000)));
    EXPECT_FALSE(strength::isRequired(strength::fromPriority(999)));
}

TEST(SolverStrengths, PriorityFiveHundredOneBeatsFiveHundred)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, OpEQ, 1.0, strength::fromPriority(500)));
    add(solver, Constraint(x, OpEQ, 2.0, strength::fromPriority(501)));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 2.0);
}

TEST(SolverStrengths, HuggingAndCompressionAroundAnIntrinsicWidth)
{
    // A label of intrinsic width 120 in a 100-wide slot shrinks (compression 750 loses against
    // the required slot); in a 300-wide slot with a 251 stretch it grows past hugging 250.
    Solver solver;
    Variable width("width");
    add(solver, Constraint(width, OpGE, 120.0, strength::fromPriority(750)));
    add(solver, Constraint(width, OpLE, 120.0, strength::fromPriority(250)));
    Constraint slot(width, OpLE, 100.0, required);
    add(solver, slot);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(width.value(), 100.0);

    ASSERT_EQ(solver.removeConstraint(slot), SolverStatus::Ok);
    add(solver, Constraint(width, OpEQ, 300.0, strength::fromPriority(251)));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(width.value(), 300.0);
}

TEST(SolverEditVariables, SuggestedValuesPropagate)
{
    Solver solver;
    Variable windowWidth("W"), panel("panel"), list("list");
    ASSERT_EQ(solver.addEditVariable(windowWidth, strength::strong), SolverStatus::Ok);
    add(solver, Constraint(panel, OpEQ, 310.0, required));
    add(solver, Constraint(list, OpEQ, windowWidth - panel - 10.0, required));
    for (double width : { 800.0, 1200.0, 640.0, 1000.0 }) {
        ASSERT_EQ(solver.suggestValue(windowWidth, width), SolverStatus::Ok);
        solver.updateVariables();
        EXPECT_DOUBLE_EQ(list.value(), width - 320.0);
    }
}

TEST(SolverEditVariables, VariablesWithSharedStorageGetTheirOwnSlotsAndOutliveTheirOwner)
{
    Solver solver;
    Variable windowWidth("W");
    auto block = std::make_shared<std::array<double, 2>>(std::array<double, 2> { 7.0, 7.0 });
    Variable left("left", std::shared_ptr<double>(block, block->data()));
    Variable width("width", std::shared_ptr<double>(block, block->data() + 1));
    EXPECT_EQ((*block)[0], 0.0); // a fresh variable reads zero, whatever its storage held
    std::weak_ptr<std::array<double, 2>> watch = block;
    block.reset();
    ASSERT_EQ(solver.addEditVariable(windowWidth, strength::strong), SolverStatus::Ok);
    add(solver, Constraint(left, OpEQ, 20.0, required));
    add(solver, Constraint(width, OpEQ, windowWidth - 40.0, required));
    ASSERT_EQ(solver.suggestValue(windowWidth, 300.0), SolverStatus::Ok);
    solver.updateVariables();
    ASSERT_FALSE(watch.expired());
    EXPECT_DOUBLE_EQ(left.value(), 20.0);
    EXPECT_DOUBLE_EQ(width.value(), 260.0);
    EXPECT_EQ(left.valueAddress() + 1, width.valueAddress());
    EXPECT_DOUBLE_EQ((*watch.lock())[1], 260.0);
}

TEST(SolverEditVariables, RequiredMinimumHoldsAgainstTheEdit)
{
    Solver solver;
    Variable w("w");
    add(solver, Constraint(w, OpGE, 200.0, required));
    ASSERT_EQ(solver.addEditVariable(w, strength::strong), SolverStatus::Ok);
    ASSERT_EQ(solver.suggestValue(w, 50.0), SolverStatus::Ok);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(w.value(), 200.0);
    ASSERT_EQ(solver.suggestValue(w, 450.0), SolverStatus::Ok);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(w.value(), 450.0);
}

TEST(SolverEditVariables, Errors)
{
    Solver solver;
    Variable x("x");
    EXPECT_EQ(solver.suggestValue(x, 1.0), SolverStatus::UnknownEditVariable);
    EXPECT_EQ(solver.addEditVariable(x, required), SolverStatus::BadRequiredStrength);
    ASSERT_EQ(solver.addEditVariable(x, strength::medium), SolverStatus::Ok);
    EXPECT_TRUE(solver.hasEditVariable(x));
    EXPECT_EQ(solver.addEditVariable(x, strength::medium), SolverStatus::DuplicateEditVariable);
    EXPECT_EQ(solver.removeEditVariable(x), SolverStatus::Ok);
    EXPECT_EQ(solver.removeEditVariable(x), SolverStatus::UnknownEditVariable);
    EXPECT_EQ(solver.rowCount(), 0u);
}

TEST(SolverRemoval, RemovingAConstraintRestoresTheWeakerOne)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, OpEQ, 5.0, strength::weak));
    Constraint pin(x, OpEQ, 42.0, required);
    add(solver, pin);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 42.0);
    ASSERT_EQ(solver.removeConstraint(pin), SolverStatus::Ok);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 5.0);
    EXPECT_FALSE(solver.hasConstraint(pin));
    EXPECT_EQ(solver.removeConstraint(pin), SolverStatus::UnknownConstraint);
}

TEST(SolverRemoval, RemovingARequiredEqualityKeepsEditsAndOtherConstraints)
{
    Solver solver;
    Variable w("w"), left("left"), width("width");
    ASSERT_EQ(solver.addEditVariable(w, strength::strong), SolverStatus::Ok);
    ASSERT_EQ(solver.suggestValue(w, 500.0), SolverStatus::Ok);
    add(solver, Constraint(left, OpEQ, 10.0, required));
    Constraint fill(left + width, OpEQ, w, required);
    add(solver, fill);
    add(solver, Constraint(width, OpEQ, 40.0, strength::weak));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(width.value(), 490.0);

    ASSERT_EQ(solver.removeConstraint(fill), SolverStatus::Ok);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(width.value(), 40.0);
    EXPECT_DOUBLE_EQ(w.value(), 500.0) << "the suggested value survives the rebuild";
    EXPECT_DOUBLE_EQ(left.value(), 10.0);

    add(solver, fill);
    ASSERT_EQ(solver.suggestValue(w, 300.0), SolverStatus::Ok);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(width.value(), 290.0);
}

TEST(SolverRemoval, UnconstrainedVariableReadsZeroAfterItsConstraintGoes)
{
    Solver solver;
    Variable x("x");
    Constraint pin(x, OpEQ, 25.0, required);
    add(solver, pin);
    solver.updateVariables();
    ASSERT_DOUBLE_EQ(x.value(), 25.0);
    ASSERT_EQ(solver.removeConstraint(pin), SolverStatus::Ok);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 0.0);
}

TEST(SolverRemoval, DuplicateConstraintIsRefused)
{
    Solver solver;
    Variable x("x");
    Constraint c(x, OpEQ, 1.0, required);
    add(solver, c);
    EXPECT_EQ(solver.addConstraint(c), SolverStatus::DuplicateConstraint);
}

TEST(SolverRemoval, RemovingEveryConstraintEmptiesTheTableau)
{
    Solver solver;
    Variable a("a"), b("b"), c("c");
    std::vector<Constraint> all { Constraint(a, OpGE, 0.0, required), Constraint(b, OpEQ, a + 10.0, required),
        Constraint(c, OpLE, b * 2.0, required), Constraint(c, OpEQ, 100.0, strength::medium),
        Constraint(a, OpEQ, 3.0, strength::weak) };
    for (const Constraint& constraint : all)
        add(solver, constraint);
    for (const Constraint& constraint : all)
        ASSERT_EQ(solver.removeConstraint(constraint), SolverStatus::Ok);
    EXPECT_EQ(solver.rowCount(), 0u);
    EXPECT_EQ(solver.constraintCount(), 0u);
}

TEST(SolverUnsatisfiable, ConflictingRequiredEqualityIsRefusedAndLeavesTheSolution)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, OpEQ, 10.0, required));
    Constraint conflict(x, OpEQ, 20.0, required);
    EXPECT_EQ(solver.addConstraint(conflict), SolverStatus::UnsatisfiableConstraint);
    EXPECT_FALSE(solver.hasConstraint(conflict));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
}

TEST(SolverUnsatisfiable, ConflictingRequiredInequalityIsRefusedAndTheSolverGoesOn)
{
    Solver solver;
    Variable x("x"), y("y");
    add(solver, Constraint(x, OpGE, 100.0, required));
    add(solver, Constraint(y, OpEQ, x + 1.0, required));
    EXPECT_EQ(solver.addConstraint(Constraint(x, OpLE, 50.0, required)),
              SolverStatus::UnsatisfiableConstraint);
    add(solver, Constraint(x, OpEQ, 120.0, strength::weak));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 120.0);
    EXPECT_DOUBLE_EQ(y.value(), 121.0);
}

TEST(SolverUnsatisfiable, RefusalLeavesTheOptimumStraightAfterAndThroughSuggestions)
{
    // Finding a refused constraint infeasible moves the basis about; nothing else that happens
    // here (no later addition or removal) would put the optimum back. An equality takes the same
    // path as an inequality.
    for (RelationalOperator op : { OpLE, OpEQ }) {
        Solver solver;
        Variable w("w"), window("window"), rest("rest");
        ASSERT_EQ(solver.addEditVariable(window, strength::strong), SolverStatus::Ok);
        ASSERT_EQ(solver.suggestValue(window, 300.0), SolverStatus::Ok);
        add(solver, Constraint(rest, OpEQ, window - w, required));
        add(solver, Constraint(w, OpGE, 20.0, required));
        add(solver, Constraint(w, OpEQ, 80.0, strength::medium));
        Constraint conflict(w, op, 15.0, required);
        EXPECT_EQ(solver.addConstraint(conflict), SolverStatus::UnsatisfiableConstraint);
        EXPECT_FALSE(solver.hasConstraint(conflict));
        solver.updateVariables();
        EXPECT_DOUBLE_EQ(w.value(), 80.0);
        EXPECT_DOUBLE_EQ(rest.value(), 220.0);
        ASSERT_EQ(solver.suggestValue(window, 500.0), SolverStatus::Ok);
        solver.updateVariables();
        EXPECT_DOUBLE_EQ(w.value(), 80.0);
        EXPECT_DOUBLE_EQ(rest.value(), 420.0);
    }
}

TEST(SolverRounding, StrongPreferenceOverFractionsIsAddedWholeAndRemovable)
{
    // Shares of a tenth and two thirds leave residues of about 1e-7 in an objective that weighs
    // a strong preference; taken for a way down, one led to a pivot with no way out, and the
    // constraint was reported as failed while its row stayed in the tableau.
    Solver solver;
    Variable a("a"), b("b"), c("c");
    add(solver, Constraint(b - a * 0.1, OpLE, 25.0, strength::fromPriority(560)));
    add(solver, Constraint(b * 0.7, OpLE, 171.0, required));
    add(solver, Constraint(a - c * 0.1, OpEQ, 108.0, required));
    Constraint limit(c - a * (2.0 / 3.0), OpLE, 132.0, strength::strong);
    ASSERT_EQ(solver.addConstraint(limit), SolverStatus::Ok);
    EXPECT_TRUE(solver.hasConstraint(limit));
    solver.updateVariables();
    // Nothing conflicts, so every constraint holds; which point of the feasible range the
    // solver picks is its own choice.
    EXPECT_LE(b.value() - a.value() * 0.1, 25.0 + 1e-9);
    EXPECT_LE(b.value() * 0.7, 171.0 + 1e-9);
    EXPECT_NEAR(a.value() - c.value() * 0.1, 108.0, 1e-9);
    EXPECT_LE(c.value() - a.value() * (2.0 / 3.0), 132.0 + 1e-9);

    EXPECT_EQ(solver.removeConstraint(limit), SolverStatus::Ok);
    EXPECT_FALSE(solver.hasConstraint(limit));
    EXPECT_EQ(solver.addConstraint(limit), SolverStatus::Ok);
}

TEST(SolverRounding, LargeWeightOverAShareIsRemovedCleanly)
{
    // A preference a hundred million times another, tying two variables by a tenth: removing the
    // weaker one used to end in an internal error after the removal had been done.
    Solver solver;
    Variable a("a"), b("b");
    add(solver, Constraint(a, OpEQ, b * 0.1, 1.0e8));
    Constraint same(a, OpEQ, b, strength::weak);
    add(solver, same);
    add(solver, Constraint(a, OpGE, 49.0, required));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(a.value(), 49.0);
    EXPECT_DOUBLE_EQ(b.value(), 490.0);

    EXPECT_EQ(solver.removeConstraint(same), SolverStatus::Ok);
    EXPECT_FALSE(solver.hasConstraint(same));
    solver.updateVariables();
    EXPECT_NEAR(a.value(), b.value() * 0.1, 1e-9);
    EXPECT_GE(a.value(), 49.0 - 1e-9);
    add(solver, same);
}

TEST(SolverDump, NamesVariablesAndConstraints)
{
    Solver solver;
    Variable x("frameX");
    add(solver, Constraint(x, OpEQ, 7.0, required));
    std::string text = solver.dump();
    EXPECT_NE(text.find("frameX"), std::string::npos);
    EXPECT_NE(text.find("1*frameX + -7 == 0 | required"), std::string::npos) << text;
}
