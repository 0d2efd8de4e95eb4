#include "platform/script_engine.h"

#include <duktape.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/plain_arithmetic.h"
#include "platform/script_number_text.h"

namespace {

// The bodies below run inside duk_safe_call. Script errors leave them by a long jump, so they
// hold no object with a destructor.

struct SourceCall {
    const char* text;
    duk_size_t length;
};

duk_ret_t EvaluateBody(duk_context* ctx, void* udata) {
    const auto* call = static_cast<const SourceCall*>(udata);
    duk_eval_lstring(ctx, call->text, call->length);
    duk_to_string(ctx, -1);
    return 1;
}

duk_ret_t ExecuteBody(duk_context* ctx, void* udata) {
    const auto* call = static_cast<const SourceCall*>(udata);
    duk_eval_lstring_noresult(ctx, call->text, call->length);
    return 0;
}

struct RunCall {
    const char* procedure;
    duk_size_t procedureLength;
    const std::vector<std::string>* arguments;
};

duk_ret_t RunBody(duk_context* ctx, void* udata) {
    const auto* call = static_cast<const RunCall*>(udata);
    duk_get_global_lstring(ctx, call->procedure, call->procedureLength);
    const std::vector<std::string>& arguments = *call->arguments;
    for (const std::string& argument : arguments) {
        duk_push_lstring(ctx, argument.data(), argument.size());
    }
    duk_call(ctx, static_cast<duk_idx_t>(arguments.size()));
    duk_to_string(ctx, -1);
    return 1;
}

bool IsJScript(std::string_view language) {
    constexpr std::string_view kName = "jscript";
    if (language.size() != kName.size()) return false;
    for (std::size_t i = 0; i < kName.size(); ++i) {
        char c = language[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kName[i]) return false;
    }
    return true;
}

}  // namespace

ScriptEngine::ScriptEngine() {
    CreateHeap();
}

ScriptEngine::~ScriptEngine() {
    DestroyHeap();
}

void ScriptEngine::CreateHeap() {
    ctx_ = duk_create_heap(nullptr, nullptr, nullptr, this, &ScriptEngine::OnFatal);
}

void ScriptEngine::DestroyHeap() {
    if (ctx_ != nullptr) duk_destroy_heap(ctx_);
    ctx_ = nullptr;
}

// After a fatal error the heap's state is unknown: even destroying it is unsafe, so it is set
// aside for good (still referenced, so leak checkers see it as kept) and a fresh heap takes its
// place.
void ScriptEngine::AbandonHeap() {
    static auto* const abandoned = new std::vector<duk_hthread*>();  // never destroyed
    abandoned->push_back(ctx_);
    ctx_ = nullptr;
    CreateHeap();
}

// Duktape calls this for errors that no protected call catches; it must not return. Inside
// Protected() it jumps back there, which records the error and replaces the heap.
void ScriptEngine::OnFatal(void* udata, const char* message) {
    auto* engine = static_cast<ScriptEngine*>(udata);
    std::snprintf(engine->fatalMessage_, sizeof engine->fatalMessage_, "%s",
                  message != nullptr ? message : "");
    if (engine->fatalExit_ != nullptr) std::longjmp(*engine->fatalExit_, 1);
    // Outside any call of ours (heap creation or destruction) there is nowhere to go back to.
    std::fprintf(stderr, "script engine: fatal error: %s\n", engine->fatalMessage_);
    std::abort();
}

bool ScriptEngine::Protected(Body body, void* udata, std::string* result) {
    lastError_.clear();
    if (ctx_ == nullptr) CreateHeap();
    if (ctx_ == nullptr) {
        lastError_ = "Error: the script engine could not be created";
        return false;
    }
    std::jmp_buf fatalExit;
    fatalExit_ = &fatalExit;
    if (setjmp(fatalExit) != 0) {
        fatalExit_ = nullptr;
        AbandonHeap();
        lastError_ = "Error: fatal script engine error: ";
        lastError_ += fatalMessage_;
        return false;
    }
    duk_set_top(ctx_, 0);
    const duk_int_t rc = duk_safe_call(ctx_, body, udata, 0, 1);
    duk_size_t length = 0;
    const char* text = duk_safe_to_lstring(ctx_, -1, &length);
    if (rc == DUK_EXEC_SUCCESS) {
        if (result != nullptr) result->assign(text, length);
    } else {
        lastError_.assign(text, length);
        // A script may throw a value whose text is empty; the failure must still show.
        if (lastError_.empty()) lastError_ = "Error: exception without a description";
    }
    duk_set_top(ctx_, 0);
    fatalExit_ = nullptr;
    return rc == DUK_EXEC_SUCCESS;
}

void ScriptEngine::SetLanguage(std::string_view language) {
    lastError_.clear();
    if (!IsJScript(language)) {
        lastError_ = "Error: the script language '";
        lastError_ += language;
        lastError_ += "' is not available";
    }
}

std::string ScriptEngine::Language() const {
    return "JScript";
}

void ScriptEngine::SetTimeout(int32_t milliseconds) {
    lastError_.clear();
    if (milliseconds < -1) {
        lastError_ = "RangeError: invalid timeout";
        return;
    }
    timeout_ = milliseconds;
}

int32_t ScriptEngine::Timeout() const {
    return timeout_;
}

void ScriptEngine::SetState(int32_t state) {
    lastError_.clear();
    if (state != 0 && state != 1) {
        lastError_ = "RangeError: invalid state";
        return;
    }
    state_ = state;
}

int32_t ScriptEngine::State() const {
    return state_;
}

void ScriptEngine::SetAllowUI(bool allow) {
    lastError_.clear();
    allowUI_ = allow;
}

bool ScriptEngine::AllowUI() const {
    return allowUI_;
}

void ScriptEngine::SetSitehWnd(int64_t handle) {
    lastError_.clear();
    sitehWnd_ = handle;
}

int64_t ScriptEngine::SitehWnd() const {
    return sitehWnd_;
}

void ScriptEngine::ExecuteStatement(std::string_view statement) {
    SourceCall call{statement.data(), statement.size()};
    Protected(&ExecuteBody, &call, nullptr);
}

std::string ScriptEngine::Eval(std::string_view expression) {
    if (nativeArithmetic_) {
        if (const std::optional<double> value = EvaluatePlainArithmetic(expression)) {
            lastError_.clear();
            char text[kScriptNumberTextCapacity];
            return std::string(text, FormatScriptNumber(*value, text));
        }
    }
    std::string result;
    SourceCall call{expression.data(), expression.size()};
    Protected(&EvaluateBody, &call, &result);
    return result;
}

std::string ScriptEngine::Run(std::string_view procedure,
                              const std::vector<std::string>& arguments) {
    std::string result;
    RunCall call{procedure.data(), procedure.size(), &arguments};
    Protected(&RunBody, &call, &result);
    return result;
}

void ScriptEngine::AddCode(std::string_view code) {
    SourceCall call{code.data(), code.size()};
    Protected(&ExecuteBody, &call, nullptr);
}

void ScriptEngine::Reset() {
    lastError_.clear();
    DestroyHeap();
    CreateHeap();
}
