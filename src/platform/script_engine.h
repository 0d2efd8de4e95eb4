#pragma once

#include <csetjmp>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct duk_hthread;

// A script engine for the language "JScript", run by the embedded Duktape interpreter.
//
// It mirrors the automation object the program asks for its arithmetic: the properties
// "Language", "Timeout", "State", "AllowUI" and "SitehWnd", the methods "ExecuteStatement",
// "Eval", "Run", "AddCode" and "Reset", and the description of the last error, which every
// method call and property write clears first and a failure sets. No script error ever escapes
// as a C++ exception or ends the program.
//
// Eval computes plain arithmetic (decimal numbers, + - * /, parentheses and spaces) natively,
// with the same double-precision rules and the same result text as the interpreter; anything
// else goes to the interpreter.
class ScriptEngine {
public:
    ScriptEngine();
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // "Language": only "JScript" exists; any other name is refused with an error and the
    // language stays "JScript".
    void SetLanguage(std::string_view language);
    std::string Language() const;

    // "Timeout" in milliseconds, -1 for no limit. The interpreter cannot interrupt a running
    // script, so the value is kept and reported but does not limit execution.
    void SetTimeout(int32_t milliseconds);
    int32_t Timeout() const;

    // "State": 0 (initialised) or 1 (connected); other values are refused with an error.
    void SetState(int32_t state);
    int32_t State() const;

    // "AllowUI": scripts here have no user interface either way; the flag is kept.
    void SetAllowUI(bool allow);
    bool AllowUI() const;

    // "SitehWnd": the handle of the window that would own script dialogs; kept.
    void SetSitehWnd(int64_t handle);
    int64_t SitehWnd() const;

    // Runs statements in the global scope; the outcome is read from LastError().
    void ExecuteStatement(std::string_view statement);
    // The value of an expression as its script text ("24", "3.5", "undefined"); empty with an
    // error recorded when the expression fails.
    std::string Eval(std::string_view expression);
    // Calls a global function (added with AddCode) with text arguments; its value as text.
    std::string Run(std::string_view procedure, const std::vector<std::string>& arguments);
    // Adds code (typically function definitions) to the global scope, running its statements.
    void AddCode(std::string_view code);
    // Discards every script state: global variables and functions are gone afterwards.
    void Reset();

    // The description of the last error; empty when the last call succeeded.
    const std::string& LastError() const { return lastError_; }

    // Whether Eval may compute plain arithmetic natively (on by default). Off sends every
    // expression through the interpreter.
    void SetNativeArithmetic(bool enabled) { nativeArithmetic_ = enabled; }
    bool NativeArithmetic() const { return nativeArithmetic_; }

private:
    friend class ScriptEngineTestAccess;
    using Body = int (*)(duk_hthread* ctx, void* udata);

    // Runs body as a protected call on a clean value stack, after clearing the last error. On
    // success the body's value, as text, goes to result (when given); on failure the error's
    // text becomes the last error. Returns whether the body succeeded.
    bool Protected(Body body, void* udata, std::string* result);
    void CreateHeap();
    void DestroyHeap();
    void AbandonHeap();
    static void OnFatal(void* udata, const char* message);

    duk_hthread* ctx_ = nullptr;
    std::jmp_buf* fatalExit_ = nullptr;
    char fatalMessage_[256] = {};
    std::string lastError_;
    int32_t timeout_ = 10000;
    int32_t state_ = 0;
    bool allowUI_ = true;
    int64_t sitehWnd_ = 0;
    bool nativeArithmetic_ = true;
};
