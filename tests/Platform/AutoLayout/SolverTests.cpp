#include "Platform/AutoLayout/Solver.h"
#include "Platform/AutoLayout/Strength.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>

using namespace autolayout;

namespace {

constexpr auto EQ = RelationalOperator::Equal;
constexpr auto LE = RelationalOperator::LessOrEqual;
constexpr auto GE = RelationalOperator::GreaterOrEqual;
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
    add(solver, Constraint(left, EQ, 10.0, required));
    add(solver, Constraint(width, EQ, 80.0, required));
    add(solver, Constraint(right, EQ, left + width, required));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(left.value(), 10.0);
    EXPECT_DOUBLE_EQ(width.value(), 80.0);
    EXPECT_DOUBLE_EQ(right.value(), 90.0);
}

TEST(SolverEqualities, AVariableSharedWithAnotherSolverKeepsOneColumnInEach)
{
    Solver first;
    Variable x("x"), y("y"), z("z");
    add(first, Constraint(x, EQ, 10.0, required));
    add(first, Constraint(z, EQ, 3.0, required));
    {
        Solver second;
        add(second, Constraint(x, EQ, 20.0, required));
        add(second, Constraint(z, EQ, x - 1.0, required));
        second.updateVariables();
        EXPECT_DOUBLE_EQ(z.value(), 19.0);
        Solver third; // a solver that sees x first after the others
        add(third, Constraint(y, EQ, x * 2.0, required));
        add(third, Constraint(x, EQ, 4.0, required));
        third.updateVariables();
        EXPECT_DOUBLE_EQ(y.value(), 8.0);
    }
    // Back in the first solver, x and z are the columns it already had, not new free ones.
    add(first, Constraint(y, EQ, x + z, required));
    first.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
    EXPECT_DOUBLE_EQ(y.value(), 13.0);
    EXPECT_EQ(first.addConstraint(Constraint(x, EQ, 11.0, required)), SolverStatus::UnsatisfiableConstraint);
}

TEST(SolverEqualities, MultipliersAndConstantsOnBothSides)
{
    Solver solver;
    Variable x("x"), y("y");
    add(solver, Constraint(2.0 * x + 4.0, EQ, y - 6.0, required));
    add(solver, Constraint(y, EQ, 30.0, required));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
}

TEST(SolverEqualities, RedundantRequiredEqualityIsAccepted)
{
    Solver solver;
    Variable x("x"), y("y");
    add(solver, Constraint(x, EQ, 10.0, required));
    add(solver, Constraint(y, EQ, x + 5.0, required));
    add(solver, Constraint(y - x, EQ, 5.0, required));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(y.value(), 15.0);
    EXPECT_EQ(solver.constraintCount(), 3u);
}

TEST(SolverInequalities, RequiredBoundsClampAWeakPreference)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, GE, 10.0, required));
    add(solver, Constraint(x, LE, 20.0, required));
    Constraint preference(x, EQ, 50.0, strength::weak);
    add(solver, preference);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 20.0);

    ASSERT_EQ(solver.removeConstraint(preference), SolverStatus::Ok);
    add(solver, Constraint(x, EQ, 0.0, strength::weak));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
}

TEST(SolverInequalities, SlackAllowsValuesInsideTheRange)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, GE, 10.0, required));
    add(solver, Constraint(x, LE, 20.0, required));
    add(solver, Constraint(x, EQ, 13.5, strength::weak));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 13.5);
}

TEST(SolverStrengths, StrongerPreferenceWins)
{
    Solver solver;
    Variable x("x");
    add(solver, Constraint(x, EQ, 100.0, strength::fromPriority(250)));
    add(solver, Constraint(x, EQ, 40.0, strength::fromPriority(750)));
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
    add(solver, Constraint(x, EQ, 1.0, strength::fromPriority(500)));
    add(solver, Constraint(x, EQ, 2.0, strength::fromPriority(501)));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 2.0);
}

TEST(SolverStrengths, HuggingAndCompressionAroundAnIntrinsicWidth)
{
    // A label of intrinsic width 120 in a 100-wide slot shrinks (compression 750 loses against
    // the required slot); in a 300-wide slot with a 251 stretch it grows past hugging 250.
    Solver solver;
    Variable width("width");
    add(solver, Constraint(width, GE, 120.0, strength::fromPriority(750)));
    add(solver, Constraint(width, LE, 120.0, strength::fromPriority(250)));
    Constraint slot(width, LE, 100.0, required);
    add(solver, slot);
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(width.value(), 100.0);

    ASSERT_EQ(solver.removeConstraint(slot), SolverStatus::Ok);
    add(solver, Constraint(width, EQ, 300.0, strength::fromPriority(251)));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(width.value(), 300.0);
}

TEST(SolverEditVariables, SuggestedValuesPropagate)
{
    Solver solver;
    Variable windowWidth("W"), panel("panel"), list("list");
    ASSERT_EQ(solver.addEditVariable(windowWidth, strength::strong), SolverStatus::Ok);
    add(solver, Constraint(panel, EQ, 310.0, required));
    add(solver, Constraint(list, EQ, windowWidth - panel - 10.0, required));
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
    add(solver, Constraint(left, EQ, 20.0, required));
    add(solver, Constraint(width, EQ, windowWidth - 40.0, required));
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
    add(solver, Constraint(w, GE, 200.0, required));
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
    add(solver, Constraint(x, EQ, 5.0, strength::weak));
    Constraint pin(x, EQ, 42.0, required);
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
    add(solver, Constraint(left, EQ, 10.0, required));
    Constraint fill(left + width, EQ, w, required);
    add(solver, fill);
    add(solver, Constraint(width, EQ, 40.0, strength::weak));
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
    Constraint pin(x, EQ, 25.0, required);
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
    Constraint c(x, EQ, 1.0, required);
    add(solver, c);
    EXPECT_EQ(solver.addConstraint(c), SolverStatus::DuplicateConstraint);
}

TEST(SolverRemoval, RemovingEveryConstraintEmptiesTheTableau)
{
    Solver solver;
    Variable a("a"), b("b"), c("c");
    std::vector<Constraint> all { Constraint(a, GE, 0.0, required), Constraint(b, EQ, a + 10.0, required),
        Constraint(c, LE, b * 2.0, required), Constraint(c, EQ, 100.0, strength::medium),
        Constraint(a, EQ, 3.0, strength::weak) };
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
    add(solver, Constraint(x, EQ, 10.0, required));
    Constraint conflict(x, EQ, 20.0, required);
    EXPECT_EQ(solver.addConstraint(conflict), SolverStatus::UnsatisfiableConstraint);
    EXPECT_FALSE(solver.hasConstraint(conflict));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 10.0);
}

TEST(SolverUnsatisfiable, ConflictingRequiredInequalityIsRefusedAndTheSolverGoesOn)
{
    Solver solver;
    Variable x("x"), y("y");
    add(solver, Constraint(x, GE, 100.0, required));
    add(solver, Constraint(y, EQ, x + 1.0, required));
    EXPECT_EQ(solver.addConstraint(Constraint(x, LE, 50.0, required)), SolverStatus::UnsatisfiableConstraint);
    add(solver, Constraint(x, EQ, 120.0, strength::weak));
    solver.updateVariables();
    EXPECT_DOUBLE_EQ(x.value(), 120.0);
    EXPECT_DOUBLE_EQ(y.value(), 121.0);
}

TEST(SolverDump, NamesVariablesAndConstraints)
{
    Solver solver;
    Variable x("frameX");
    add(solver, Constraint(x, EQ, 7.0, required));
    std::string text = solver.dump();
    EXPECT_NE(text.find("frameX"), std::string::npos);
    EXPECT_NE(text.find("1*frameX + -7 == 0 | required"), std::string::npos) << text;
}

// Random systems checked against their own constraints: every required constraint holds and
// the result does not depend on the order of additions and removals.
TEST(SolverRandomised, RequiredConstraintsHoldAfterRandomEditsAndRemovals)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> number(0.0, 100.0);
    Solver solver;
    std::vector<Variable> vars;
    for (int i = 0; i < 30; ++i)
        vars.emplace_back("v" + std::to_string(i));
    std::vector<Constraint> required;
    for (int i = 1; i < 30; ++i) {
        Constraint c(vars[i], GE, vars[i - 1] + 1.0, strength::required);
        add(solver, c);
        required.push_back(c);
    }
    std::vector<Constraint> spans;
    for (int i = 3; i < 30; i += 3) {
        Constraint c(vars[i] - vars[i - 3], EQ, 3.0 + i, strength::required);
        add(solver, c);
        spans.push_back(c);
    }
    std::vector<Constraint> weak;
    for (int i = 0; i < 30; ++i) {
        Constraint c(vars[i], EQ, number(random), strength::fromPriority(static_cast<float>(1 + i * 30)));
        add(solver, c);
        weak.push_back(c);
    }
    ASSERT_EQ(solver.addEditVariable(vars[0], strength::strong), SolverStatus::Ok);
    for (int round = 0; round < 40; ++round) {
        ASSERT_EQ(solver.suggestValue(vars[0], number(random)), SolverStatus::Ok);
        if (round % 5 == 4) {
            ASSERT_EQ(solver.removeConstraint(weak[round / 5]), SolverStatus::Ok);
            ASSERT_EQ(solver.removeConstraint(spans[round / 5]), SolverStatus::Ok);
        }
        solver.updateVariables();
        for (const Constraint& c : required)
            EXPECT_GE(c.expression().value(), -1e-6) << c.toString();
        for (std::size_t i = static_cast<std::size_t>(round / 5 + (round % 5 == 4 ? 1 : 0)); i < spans.size(); ++i)
            EXPECT_NEAR(spans[i].expression().value(), 0.0, 1e-6) << spans[i].toString();
    }
}
