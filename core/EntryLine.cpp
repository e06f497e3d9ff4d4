#include "EntryLine.h"

namespace quorva {

void EntryLine::Begin(EntryState state) {
    state_ = state;
    positive_ = state == EntryState::Decimal;
    hasPoint_ = false;
}

void EntryLine::Clear() {
    text_.clear();
    Begin(EntryState::Idle);
}

void EntryLine::ChangeSign() {
    if (positive_)
        text_.insert(text_.begin(), '-');
    else if (!text_.empty())
        text_.erase(text_.begin());
    state_ = EntryState::Decimal;
    positive_ = !positive_;
}

void EntryLine::Backspace() {
    if (state_ == EntryState::Idle) return;
    if (!text_.empty()) text_.pop_back();
    if (text_ == "&") text_.clear();
    if (text_.empty()) Begin(EntryState::Idle);
    if (text_.find('.') == std::string::npos) hasPoint_ = false;
}

}  // namespace quorva
