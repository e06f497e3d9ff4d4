#include "Options.h"

namespace quorva {

const std::array<OptionInfo, kOptionCount>& OptionTable() {
    static const std::array<OptionInfo, kOptionCount> table = {{
        {Option::OnTop, "chkOnTop", "AlwaysOnTop", 0, true},
        {Option::ShowFunctions, "chkShowFunctions", "ShowFunctionWindow", 0, true},
        {Option::Hide, "chkHide", "HideWindows", 0, true},
        {Option::Transparency, "scrTransp", "Transparency", 50, false},
        {Option::FillDecimals, "chkFillDec", "FillDecimals", 1, true},
        {Option::FullPrecision, "chkFullPrec", "KeepFullPrecision", 1, true},
        {Option::DecUpdate, "chkDecUpdate", "UpdateStackOnDecimal", 1, true},
        {Option::EngFormat, "chkEngFmt", "EngineeringFormat", 1, true},
        {Option::DirectExit, "chkDirectExit", "QuitOnHide", 0, true},
        {Option::ConfirmExit, "chkConfExit", "ConfirmQuit", 1, true},
        {Option::KeepStack, "chkKeepStack", "KeepStack", 0, true},
    }};
    return table;
}

const OptionInfo& InfoOf(Option id) {
    return OptionTable()[static_cast<int>(id)];
}

OptionsModel::OptionsModel() {
    for (const OptionInfo& info : OptionTable())
        values_[static_cast<int>(info.id)] = info.designValue;
}

void OptionsModel::Set(Option id, int16_t v) {
    int16_t& slot = values_[static_cast<int>(id)];
    if (slot == v) return;
    slot = v;
    // A listener may subscribe or unsubscribe while we call them.
    const auto listeners = listeners_;
    for (const auto& [token, listener] : listeners) listener(id, v);
}

int OptionsModel::Subscribe(Listener listener) {
    const int token = nextToken_++;
    listeners_.emplace_back(token, std::move(listener));
    return token;
}

void OptionsModel::Unsubscribe(int token) {
    std::erase_if(listeners_, [token](const auto& entry) { return entry.first == token; });
}

}  // namespace quorva
