// The one rule by which the simulation options are applied (the options dialog and kinetra-batch
// both use it): evaluation through the 15-digit text, writes only of changed values in a fixed
// order, every refusal with its own message, and the writes before a refusal kept.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/KNUtils.h"
#include "engine/SimOptionValues.h"
#include "parser/Parser.h"
#include "tests/core/engine/SimTestUtil.h"

namespace kinetra {
namespace {

// Records the listener's calls as short words: "eval TimeStep 0.25", "write TimeStep",
// "failed Power".
class TLog : public TSimOptionsListener {
public:
    std::vector<std::string> Lines;
    void Evaluated(TSimOption option, const std::string& text) override {
        Lines.push_back("eval " + Name(option) + " " + text);
    }
    void NotEvaluated(TSimOption option) override { Lines.push_back("failed " + Name(option)); }
    void Written(TSimOption option) override { Lines.push_back("write " + Name(option)); }

    static std::string Name(TSimOption option) {
        static const char* const names[] = {"Method",       "Accuracy",     "TimeStep", "Cycles",
                                            "GravConstant", "CoulombCoeff", "Power",    "Collisions"};
        return names[static_cast<int>(option)];
    }
};

TEST(SimOptions, WritesOnlyChangedValuesInOrderThroughTheirFifteenDigitText) {
    TSimData sim;
    test::NewSetup(sim, 2);
    TParser parser;
    TLog log;
    TSimOptionValues values;
    values.Method = nmRK4;
    values.Accuracy = "1E-12";  // the default: evaluated, not written
    values.TimeStep = "1/3";
    values.Cycles = "2*6";
    values.GravConstant = "h = 2";
    values.CoulombCoeff = "h*4";  // names assigned earlier are known
    values.Power = "-2";          // the default
    values.Collisions = true;
    EXPECT_TRUE(ApplySimOptions(sim, parser, values, &log));
    EXPECT_EQ(log.Lines,
              (std::vector<std::string>{"write Method", "eval Accuracy 1E-12",
                                        "eval TimeStep 0.333333333333333", "write TimeStep", "eval Cycles 12",
                                        "write Cycles", "eval GravConstant 2", "write GravConstant",
                                        "eval CoulombCoeff 8", "write CoulombCoeff", "eval Power -2"}));
    EXPECT_EQ(sim.Method, nmRK4);
    // The value of the shown text, not the parser's 1/3.
    EXPECT_EQ(sim.TimeStep, 0.333333333333333);
    EXPECT_EQ(sim.Cycles, 12);
    EXPECT_EQ(sim.Force->CoulombCoeff(), 8);
    EXPECT_TRUE(sim.Collisions);

    // The same values again change nothing; collisions alone are no change of the setup.
    log.Lines.clear();
    values.TimeStep = "0.333333333333333";
    values.Collisions = false;
    EXPECT_FALSE(ApplySimOptions(sim, parser, values, &log));
    for (const std::string& line : log.Lines) EXPECT_EQ(line.rfind("eval ", 0), 0u) << line;
    EXPECT_FALSE(sim.Collisions);
}

TEST(SimOptions, EveryRefusalHasItsMessageAndKeepsTheWritesBeforeIt) {
    struct TCase {
        TSimOptionValues Values;
        std::string Message;
        // The log's last line: the failed evaluation, or the last step before a refused setter.
        std::string Last;
    };
    const auto with = [](auto member, std::string text) {
        TSimOptionValues v;
        v.Method = nmEuler;  // written first, and kept whatever fails after it
        v.*member = std::move(text);
        return v;
    };
    using V = TSimOptionValues;
    const std::vector<TCase> cases = {
        {with(&V::Accuracy, "1E-31"), "Accuracy setting must be at least 1E-30", "eval Accuracy 1E-31"},
        {with(&V::TimeStep, "0"), "Time step must not be zero", "eval TimeStep 0"},
        {with(&V::TimeStep, "1/0"), "Zero denominator", "failed TimeStep"},
        {with(&V::TimeStep, "dt"), "'dt' unknown", "failed TimeStep"},
        {with(&V::TimeStep, "sqrt(-1)"), "sqrt of a negative number", "failed TimeStep"},
        {with(&V::TimeStep, "1e308*10"), MsgOverflow, "failed TimeStep"},
        {with(&V::Cycles, "201"), "Computation cycles must be between 1 and 200", "eval Cycles 201"},
        {with(&V::Cycles, "0"), "Computation cycles must be between 1 and 200", "eval Cycles 0"},
        {with(&V::Cycles, "2.5"), "'2.5' is not a valid integer value", "eval Cycles 2.5"},
        {with(&V::GravConstant, "nosuch"), "'nosuch' unknown", "failed GravConstant"},
        {with(&V::CoulombCoeff, "(1"), "Missing ')'", "failed CoulombCoeff"},
        {with(&V::Power, ""), "No value", "failed Power"},
    };
    for (const TCase& c : cases) {
        TSimData sim;
        test::NewSetup(sim, 2);
        TParser parser;
        TLog log;
        TSimOptionValues values = c.Values;
        values.Collisions = true;
        try {
            ApplySimOptions(sim, parser, values, &log);
            ADD_FAILURE() << c.Message;
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
        ASSERT_FALSE(log.Lines.empty()) << c.Message;
        EXPECT_EQ(log.Lines.front(), "write Method") << c.Message;
        EXPECT_EQ(log.Lines.back(), c.Last) << c.Message;
        EXPECT_EQ(sim.Method, nmEuler) << c.Message;
        // Nothing after the refusal: the collisions come last.
        EXPECT_FALSE(sim.Collisions) << c.Message;
        EXPECT_EQ(sim.TimeStep, DefaultTimeStep) << c.Message;
    }
}

// The accuracy is applied for every method, before the time step: a bad accuracy stops even a
// valid step given with it.
TEST(SimOptions, ABadAccuracyStopsTheTimeStepAfterIt) {
    TSimData sim;
    test::NewSetup(sim, 1);
    TParser parser;
    TSimOptionValues values;
    values.TimeStep = "0.01";
    values.Accuracy = "0";
    EXPECT_THROW(ApplySimOptions(sim, parser, values), EKNError);
    EXPECT_EQ(sim.TimeStep, DefaultTimeStep);
}

}  // namespace
}  // namespace kinetra
