#include "platform/script_engine.h"

#include <duktape.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// Reaches the engine's protected-call machinery to provoke what no script can: a fatal error.
class ScriptEngineTestAccess {
public:
    static bool RunFatal(ScriptEngine& engine) {
        return engine.Protected(&FatalBody, nullptr, nullptr);
    }

private:
    static duk_ret_t FatalBody(duk_context* ctx, void*) {
        duk_fatal(ctx, "provoked for the test");
        return 0;
    }
};

namespace {

// Every expression through both routes: native arithmetic and the interpreter.
void ExpectBothRoutes(ScriptEngine& engine, const std::string& expression,
                      const std::string& expected) {
    engine.SetNativeArithmetic(true);
    EXPECT_EQ(engine.Eval(expression), expected) << expression << " (native)";
    EXPECT_EQ(engine.LastError(), "") << expression;
    engine.SetNativeArithmetic(false);
    EXPECT_EQ(engine.Eval(expression), expected) << expression << " (interpreter)";
    EXPECT_EQ(engine.LastError(), "") << expression;
}

TEST(ScriptEngine, ArithmeticFollowsTheLanguageRules) {
    ScriptEngine engine;
    ExpectBothRoutes(engine, "12+3*4", "24");
    ExpectBothRoutes(engine, "(12+3)*4", "60");
    ExpectBothRoutes(engine, "20-5-3", "12");
    ExpectBothRoutes(engine, "7/2", "3.5");
    ExpectBothRoutes(engine, "8/2", "4");
    ExpectBothRoutes(engine, "3-5", "-2");
    ExpectBothRoutes(engine, "7/2*4", "14");
    ExpectBothRoutes(engine, "1/49*49", "0.9999999999999999");
    ExpectBothRoutes(engine, "0.1+0.2", "0.30000000000000004");
    ExpectBothRoutes(engine, "1/0", "Infinity");
    ExpectBothRoutes(engine, "0-1/0", "-Infinity");
    ExpectBothRoutes(engine, "0/0", "NaN");
    ExpectBothRoutes(engine, "0*(0-1)", "0");  // negative zero reads "0"
    ExpectBothRoutes(engine, "100000*100000*100000*1000000", "1e+21");
    ExpectBothRoutes(engine, "1/10000000", "1e-7");
    ExpectBothRoutes(engine, " ( 1 + 2 ) * 3 ", "9");
}

TEST(ScriptEngine, TextsOutsidePlainArithmeticGoToTheInterpreter) {
    ScriptEngine engine;
    // A leading zero makes an octal literal in the script language.
    ExpectBothRoutes(engine, "012+1", "11");
    ExpectBothRoutes(engine, "-5+2", "-3");
    ExpectBothRoutes(engine, "1e3/4", "250");
    ExpectBothRoutes(engine, "5.+1", "6");
    ExpectBothRoutes(engine, "Math.max(2, 9)", "9");
    ExpectBothRoutes(engine, "'a' + 1", "a1");
    ExpectBothRoutes(engine, "var x = 3", "undefined");
    ExpectBothRoutes(engine, "", "undefined");
}

TEST(ScriptEngine, ErrorsAreRecordedAndClearedByTheNextSuccess) {
    ScriptEngine engine;
    EXPECT_EQ(engine.Eval("1+"), "");
    EXPECT_NE(engine.LastError().find("SyntaxError"), std::string::npos) << engine.LastError();

    EXPECT_EQ(engine.Eval("missing * 2"), "");
    EXPECT_NE(engine.LastError().find("ReferenceError"), std::string::npos) << engine.LastError();

    EXPECT_EQ(engine.Eval("2+2"), "4");  // the native route also clears the error
    EXPECT_EQ(engine.LastError(), "");

    engine.ExecuteStatement("throw new RangeError('too far')");
    EXPECT_EQ(engine.LastError(), "RangeError: too far");
    engine.ExecuteStatement("var ok = 1");
    EXPECT_EQ(engine.LastError(), "");

    // A thrown value without text must still read as a failure.
    engine.ExecuteStatement("throw ''");
    EXPECT_NE(engine.LastError(), "");
    // So must an object whose text conversion itself throws.
    engine.ExecuteStatement("throw { toString: function () { throw 1; } }");
    EXPECT_NE(engine.LastError(), "");
    EXPECT_EQ(engine.Eval("({ toString: function () { throw new Error('no text'); } })"), "");
    EXPECT_EQ(engine.LastError(), "Error: no text");
}

TEST(ScriptEngine, StatementsAndCodeShareTheGlobalScope) {
    ScriptEngine engine;
    engine.ExecuteStatement("var total = 40");
    engine.AddCode("function addTwo(x) { return total + 2; }");
    EXPECT_EQ(engine.LastError(), "");
    EXPECT_EQ(engine.Eval("addTwo()"), "42");
    engine.AddCode("function broken( {");
    EXPECT_NE(engine.LastError(), "");
}

TEST(ScriptEngine, RunPassesTextArgumentsAndReturnsText) {
    ScriptEngine engine;
    engine.AddCode(
        "function count() { return arguments.length; }\n"
        "function join(a, b, c) { return a + '|' + b + '|' + c + '|' + typeof a; }\n"
        "function half(x) { return x / 2; }");
    EXPECT_EQ(engine.Run("count", {"a", "b", "c", "d", "e", "f"}), "6");
    EXPECT_EQ(engine.Run("join", {"1", "二", ""}), "1|二||string");
    EXPECT_EQ(engine.Run("half", {"7"}), "3.5");
    EXPECT_EQ(engine.LastError(), "");

    EXPECT_EQ(engine.Run("absent", {"1"}), "");
    EXPECT_NE(engine.LastError(), "");
}

TEST(ScriptEngine, PropertiesKeepWhatIsWrittenAndRefuseBadValues) {
    ScriptEngine engine;
    EXPECT_EQ(engine.Timeout(), 10000);
    engine.SetTimeout(-1);
    EXPECT_EQ(engine.Timeout(), -1);
    engine.SetTimeout(-2);
    EXPECT_NE(engine.LastError(), "");
    EXPECT_EQ(engine.Timeout(), -1);

    EXPECT_EQ(engine.State(), 0);
    engine.SetState(1);
    EXPECT_EQ(engine.State(), 1);
    engine.SetState(7);
    EXPECT_NE(engine.LastError(), "");
    EXPECT_EQ(engine.State(), 1);

    EXPECT_TRUE(engine.AllowUI());
    engine.SetAllowUI(false);
    EXPECT_FALSE(engine.AllowUI());

    EXPECT_EQ(engine.SitehWnd(), 0);
    engine.SetSitehWnd(0x123456789);
    EXPECT_EQ(engine.SitehWnd(), 0x123456789);
    EXPECT_EQ(engine.LastError(), "");

    // Properties are not script state: Reset keeps them.
    engine.Reset();
    EXPECT_EQ(engine.Timeout(), -1);
    EXPECT_EQ(engine.State(), 1);
    EXPECT_FALSE(engine.AllowUI());
    EXPECT_EQ(engine.Language(), "JScript");
}

TEST(ScriptEngine, AFatalErrorIsRecordedAndTheEngineCarriesOn) {
    ScriptEngine engine;
    engine.AddCode("function lost() { return 1; }");
    EXPECT_FALSE(ScriptEngineTestAccess::RunFatal(engine));
    EXPECT_NE(engine.LastError().find("provoked for the test"), std::string::npos);
    // A fresh interpreter took over: earlier code is gone, evaluation works.
    engine.SetNativeArithmetic(false);
    EXPECT_EQ(engine.Eval("typeof lost"), "undefined");
    EXPECT_EQ(engine.Eval("2*21"), "42");
    EXPECT_EQ(engine.LastError(), "");
}

}  // namespace
