#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class ScriptEngine;  // platform/script_engine.h

// Computes the value of an arithmetic expression text with the "JScript" script engine, so the
// value follows that language's rules: double-precision arithmetic, * and / before + and -,
// left to right within one level, true division. A thin class over the engine: the engine lives
// as long as the last evaluator that refers to it, and copies share one engine.
class ExpressionEvaluator {
public:
    // Creates the engine and sets its language to "JScript".
    ExpressionEvaluator();
    ~ExpressionEvaluator();
    // A second reference to the same engine; the engine itself is not duplicated.
    ExpressionEvaluator(const ExpressionEvaluator& other);
    ExpressionEvaluator& operator=(const ExpressionEvaluator& other);

    // Runs a statement; true exactly when the engine then reports no error.
    bool ExecuteStatement(const std::string& statement);
    // The value text of an expression: "24", "-2", "3.5". Passed through unchanged.
    std::string Eval(const std::string& expression);
    // Asks the engine to discard its script state.
    void Reset();
    // The engine's last error text; empty when its last call succeeded.
    std::string LastError() const;
    // Another reference to the engine.
    std::shared_ptr<ScriptEngine> EngineObject() const;
    // Calls a function added with AddCode. The engine receives the longest unbroken run of
    // given arguments counted from a1: an argument after an omitted one is never passed.
    std::string Run(const std::string& procedure, const std::optional<std::string>& a1 = {},
                    const std::optional<std::string>& a2 = {},
                    const std::optional<std::string>& a3 = {},
                    const std::optional<std::string>& a4 = {},
                    const std::optional<std::string>& a5 = {},
                    const std::optional<std::string>& a6 = {});
    // Selector 0 sets the language "JScript", 1 asks for "vbs", others set nothing; returns
    // the language the engine then reports.
    std::string Language(int32_t selector = 0);
    // Writes the time limit (-1, no limit, when omitted); returns what the engine reports.
    int32_t Timeout(std::optional<int32_t> milliseconds = {});
    // The following three write only when given, then return what the engine reports.
    int32_t State(std::optional<int32_t> state = {});
    bool AllowUI(std::optional<bool> allow = {});
    int64_t SitehWnd(std::optional<int64_t> handle = {});
    // Adds code, such as function definitions, to the engine.
    void AddCode(const std::string& code);
    // Does nothing.
    void NoOperation();

private:
    std::shared_ptr<ScriptEngine> engine_;
};
