#include "worksheet/expression_evaluator.h"

#include <vector>

#include "platform/script_engine.h"

ExpressionEvaluator::ExpressionEvaluator() : engine_(std::make_shared<ScriptEngine>()) {
    engine_->SetLanguage("JScript");
}

ExpressionEvaluator::~ExpressionEvaluator() = default;

ExpressionEvaluator::ExpressionEvaluator(const ExpressionEvaluator& other) = default;

ExpressionEvaluator& ExpressionEvaluator::operator=(const ExpressionEvaluator& other) = default;

bool ExpressionEvaluator::ExecuteStatement(const std::string& statement) {
    engine_->ExecuteStatement(statement);
    return engine_->LastError().empty();
}

std::string ExpressionEvaluator::Eval(const std::string& expression) {
    return engine_->Eval(expression);
}

void ExpressionEvaluator::Reset() {
    engine_->Reset();
}

std::string ExpressionEvaluator::LastError() const {
    return engine_->LastError();
}

std::shared_ptr<ScriptEngine> ExpressionEvaluator::EngineObject() const {
    return engine_;
}

std::string ExpressionEvaluator::Run(const std::string& procedure,
                                     const std::optional<std::string>& a1,
                                     const std::optional<std::string>& a2,
                                     const std::optional<std::string>& a3,
                                     const std::optional<std::string>& a4,
                                     const std::optional<std::string>& a5,
                                     const std::optional<std::string>& a6) {
    // Only the arguments up to the first omitted one are passed on.
    std::vector<std::string> arguments;
    for (const std::optional<std::string>* a : {&a1, &a2, &a3, &a4, &a5, &a6}) {
        if (!a->has_value()) break;
        arguments.push_back(**a);
    }
    return engine_->Run(procedure, arguments);
}

std::string ExpressionEvaluator::Language(int32_t selector) {
    if (selector == 0) {
        engine_->SetLanguage("JScript");
    } else if (selector == 1) {
        engine_->SetLanguage("vbs");
    }
    return engine_->Language();
}

int32_t ExpressionEvaluator::Timeout(std::optional<int32_t> milliseconds) {
    engine_->SetTimeout(milliseconds.value_or(-1));
    return engine_->Timeout();
}

int32_t ExpressionEvaluator::State(std::optional<int32_t> state) {
    if (state) engine_->SetState(*state);
    return engine_->State();
}

bool ExpressionEvaluator::AllowUI(std::optional<bool> allow) {
    if (allow) engine_->SetAllowUI(*allow);
    return engine_->AllowUI();
}

int64_t ExpressionEvaluator::SitehWnd(std::optional<int64_t> handle) {
    if (handle) engine_->SetSitehWnd(*handle);
    return engine_->SitehWnd();
}

void ExpressionEvaluator::AddCode(const std::string& code) {
    engine_->AddCode(code);
}

void ExpressionEvaluator::NoOperation() {}
