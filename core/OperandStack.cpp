#include "OperandStack.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Errors.h"
#include "Options.h"

namespace quorva {

namespace {

// Users never want to see "-0": a zero is always stored as +0.
double Normalised(double v) {
    return v == 0 ? 0.0 : v;
}

}  // namespace

OperandStack::OperandStack(const OptionsModel& options, std::function<DecimalFormat()> format,
                           std::function<void()> redraw)
    : options_(options), format_(std::move(format)), redraw_(std::move(redraw)) {}

void OperandStack::Clear() {
    count_ = 0;
}

void OperandStack::Drop() {
    if (count_ > 0) --count_;
}

StackItem OperandStack::GetItem(int n) const {
    if (n >= 1 && n <= count_) return items_[n];
    return StackItem{};
}

StackItem OperandStack::GetTop() const {
    return GetItem(count_);
}

void OperandStack::WriteItem(int n, const StackItem& item) {
    if (n < 1 || n > count_) Raise(kIndexOutOfRange);
    StackItem& slot = items_[n];
    slot = item;
    slot.value = Normalised(slot.value);
}

void OperandStack::MakeText(StackItem& item) const {
    switch (item.kind) {
        case kKindDecimal: {
            const DecimalFormat f = format_();
            item.text = DecimalText(item.value, f);
            if (!options_.On(Option::FullPrecision))
                item.value = Normalised(LocaleValue(item.text, f.separator));
            break;
        }
        case kKindBinary:
            item.text = BinaryText(item.value);
            break;
        case kKindHex:
            item.text = HexText(item.value);
            break;
        default:
            break;  // the record keeps the text it had
    }
}

// The record is built aside and stored only once its text exists, so a failure changes nothing.
void OperandStack::Store(int n, int16_t kind, double value) {
    if (!std::isfinite(value)) Raise(kOverflow);
    StackItem item{kind, Normalised(value), {}};
    if (kind != kKindDecimal && kind != kKindBinary && kind != kKindHex) item.text = items_[n].text;
    MakeText(item);
    items_[n] = std::move(item);
}

void OperandStack::Push(int16_t kind, double value) {
    if (count_ >= kMaxItems) Raise(kBadArgument);
    Store(count_ + 1, kind, value);
    ++count_;
    redraw_();
}

void OperandStack::ReplaceTop(int16_t kind, double value) {
    if (count_ == 0) return;
    Store(count_, kind, value);
    redraw_();
}

void OperandStack::ReformatDecimals() {
    for (int n = 1; n <= count_; ++n) {
        if (items_[n].kind == kKindDecimal) MakeText(items_[n]);
    }
    redraw_();
}

void OperandStack::Swap() {
    if (count_ <= 1) return;
    undoAvailable_ = false;
    const StackItem a = GetTop();
    const StackItem b = GetItem(count_ - 1);
    Drop();
    Drop();
    Push(a.kind, a.value);
    Push(b.kind, b.value);
}

void OperandStack::RememberForUndo(int k) {
    undoAvailable_ = true;
    if (k >= 0 && k <= kMaxItems) undoItem_ = items_[k];
    undoCount_ = count_;
}

void OperandStack::CopyStateFrom(const OperandStack& other) {
    items_ = other.items_;
    count_ = other.count_;
    undoAvailable_ = other.undoAvailable_;
    undoItem_ = other.undoItem_;
    undoCount_ = other.undoCount_;
}

StackSnapshot OperandStack::Snapshot() const {
    int last = kMaxItems;
    while (last > count_ && items_[last] == StackItem{}) --last;
    StackSnapshot s;
    s.records.assign(items_.begin(), items_.begin() + last + 1);
    s.count = count_;
    s.undoAvailable = undoAvailable_;
    s.undoItem = undoItem_;
    s.undoCount = undoCount_;
    return s;
}

void OperandStack::Restore(const StackSnapshot& s) {
    const std::size_t n = std::min(s.records.size(), items_.size());
    items_.fill(StackItem{});
    std::copy(s.records.begin(), s.records.begin() + static_cast<std::ptrdiff_t>(n), items_.begin());
    count_ = static_cast<int16_t>(std::clamp<int>(s.count, 0, n == 0 ? 0 : static_cast<int>(n) - 1));
    undoAvailable_ = s.undoAvailable;
    undoItem_ = s.undoItem;
    undoCount_ = static_cast<int16_t>(std::clamp<int>(s.undoCount, 0, kMaxItems));
}

void OperandStack::Undo() {
    if (!undoAvailable_) return;
    undoAvailable_ = false;
    items_[count_] = undoItem_;
    count_ = undoCount_;
    redraw_();
}

}  // namespace quorva
