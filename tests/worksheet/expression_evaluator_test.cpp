#include "worksheet/expression_evaluator.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/script_engine.h"

namespace {

TEST(ExpressionEvaluator, EvaluatesWithTheScriptLanguagesArithmetic) {
    ExpressionEvaluator evaluator;
    EXPECT_EQ(evaluator.Eval("12+3*4"), "24");
    EXPECT_EQ(evaluator.Eval("(12+3)*4"), "60");
    EXPECT_EQ(evaluator.Eval("20-5-3"), "12");
    EXPECT_NE(evaluator.Eval("7/2").find('.'), std::string::npos);
    EXPECT_EQ(evaluator.Eval("8/2"), "4");
    EXPECT_EQ(evaluator.Eval("3-5"), "-2");
    EXPECT_EQ(evaluator.Eval("7/2*4"), "14");
    EXPECT_EQ(evaluator.Eval("5-2-3"), "0");
    EXPECT_EQ(evaluator.Eval("1/49*49"), "0.9999999999999999");
    EXPECT_EQ(evaluator.Eval("99*98*97*96*95*94"), "806781064320");
    EXPECT_EQ(evaluator.LastError(), "");
}

TEST(ExpressionEvaluator, RejectedStatementsReportFalseWithAnError) {
    ExpressionEvaluator evaluator;
    EXPECT_TRUE(evaluator.ExecuteStatement("var x = 6 * 7;"));
    EXPECT_EQ(evaluator.LastError(), "");
    EXPECT_EQ(evaluator.Eval("x"), "42");

    EXPECT_FALSE(evaluator.ExecuteStatement("var = ;"));
    EXPECT_NE(evaluator.LastError(), "");
    EXPECT_FALSE(evaluator.ExecuteStatement("undefinedFunction()"));
    EXPECT_NE(evaluator.LastError(), "");
    EXPECT_FALSE(evaluator.ExecuteStatement("throw ''"));

    EXPECT_EQ(evaluator.Eval("1+"), "");  // passed through; the error stays with the engine
    EXPECT_NE(evaluator.LastError(), "");
    EXPECT_TRUE(evaluator.ExecuteStatement("x = 1"));
}

TEST(ExpressionEvaluator, RunForwardsTheLeadingUnbrokenArguments) {
    ExpressionEvaluator evaluator;
    evaluator.AddCode(
        "function count() { return arguments.length; }\n"
        "function last() { return arguments[arguments.length - 1]; }");
    EXPECT_EQ(evaluator.Run("count"), "0");
    EXPECT_EQ(evaluator.Run("count", "a"), "1");
    EXPECT_EQ(evaluator.Run("count", "a", "b", "c"), "3");
    EXPECT_EQ(evaluator.Run("count", "1", "2", "3", "4", "5", "6"), "6");
    EXPECT_EQ(evaluator.Run("count", "1", "2", "3", "4", "5"), "5");
    // An argument after an omitted one is never passed.
    EXPECT_EQ(evaluator.Run("count", std::nullopt, "b"), "0");
    EXPECT_EQ(evaluator.Run("count", "a", "b", std::nullopt, "d", "e", "f"), "2");
    EXPECT_EQ(evaluator.Run("last", "a", "", std::nullopt, "d"), "");
    EXPECT_EQ(evaluator.Run("last", "a", "b", "c", "d", "e", "f"), "f");
    EXPECT_EQ(evaluator.LastError(), "");
}

TEST(ExpressionEvaluator, ResetForgetsAddedCode) {
    ExpressionEvaluator evaluator;
    evaluator.AddCode("function seven() { return 7; }");
    ASSERT_EQ(evaluator.Run("seven"), "7");
    evaluator.Reset();
    EXPECT_EQ(evaluator.Run("seven"), "");
    EXPECT_NE(evaluator.LastError(), "");
    EXPECT_EQ(evaluator.Eval("2+5"), "7");
}

TEST(ExpressionEvaluator, LanguageSelectorsWriteJScriptVbsOrNothing) {
    ExpressionEvaluator evaluator;
    EXPECT_EQ(evaluator.Language(), "JScript");
    EXPECT_EQ(evaluator.LastError(), "");
    EXPECT_EQ(evaluator.Language(1), "JScript");  // "vbs" is refused
    EXPECT_NE(evaluator.LastError(), "");
    // Selector 2 writes nothing, so the refusal above stays the last error.
    EXPECT_EQ(evaluator.Language(2), "JScript");
    EXPECT_NE(evaluator.LastError(), "");
    EXPECT_EQ(evaluator.Language(0), "JScript");
    EXPECT_EQ(evaluator.LastError(), "");
}

TEST(ExpressionEvaluator, PropertiesReadBackWhatTheEngineReports) {
    ExpressionEvaluator evaluator;
    EXPECT_EQ(evaluator.Timeout(2500), 2500);
    EXPECT_EQ(evaluator.Timeout(), -1);    // omitted: writes "no limit"
    EXPECT_EQ(evaluator.Timeout(-7), -1);  // refused by the engine; its value is reported

    EXPECT_EQ(evaluator.State(), 0);
    EXPECT_EQ(evaluator.State(1), 1);
    EXPECT_EQ(evaluator.State(), 1);  // omitted: nothing written

    EXPECT_TRUE(evaluator.AllowUI());
    EXPECT_FALSE(evaluator.AllowUI(false));
    EXPECT_FALSE(evaluator.AllowUI());

    EXPECT_EQ(evaluator.SitehWnd(), 0);
    EXPECT_EQ(evaluator.SitehWnd(4242), 4242);
    EXPECT_EQ(evaluator.SitehWnd(), 4242);
}

TEST(ExpressionEvaluator, CopiesShareOneEngine) {
    ExpressionEvaluator original;
    original.AddCode("function shared() { return 'same'; }");
    {
        ExpressionEvaluator copy(original);
        EXPECT_EQ(copy.EngineObject(), original.EngineObject());
        EXPECT_EQ(copy.Run("shared"), "same");
        EXPECT_EQ(copy.State(1), 1);
        EXPECT_EQ(original.State(), 1);
        EXPECT_FALSE(copy.ExecuteStatement("broken("));
        EXPECT_NE(original.LastError(), "");
    }
    // The copy is gone; the engine lives on with the original.
    EXPECT_EQ(original.Run("shared"), "same");

    ExpressionEvaluator other;
    EXPECT_NE(other.EngineObject(), original.EngineObject());
    other = original;
    EXPECT_EQ(other.EngineObject(), original.EngineObject());
    EXPECT_EQ(other.Run("shared"), "same");

    const std::shared_ptr<ScriptEngine> engine = original.EngineObject();
    engine->ExecuteStatement("var seenByAll = 5");
    EXPECT_EQ(other.Eval("seenByAll*2"), "10");
}

}  // namespace
