#pragma once
// The operand stack: 300 records plus position 0, with one level of undo that relies on the
// records above the count being kept.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "NumberText.h"
#include "StackItem.h"

namespace quorva {

class OptionsModel;

// All a later run needs to go on exactly where this one ended: the records (those above the
// count too, which undo may bring back; any beyond the list are empty records), the count and
// the undo record.
struct StackSnapshot {
    std::vector<StackItem> records;  // positions 0 .. size - 1
    int16_t count = 0;
    bool undoAvailable = false;
    StackItem undoItem;
    int16_t undoCount = 0;
};

class OperandStack {
public:
    static constexpr int kMaxItems = 300;

    // format() gives the current decimal format; redraw() rebuilds the stack views.
    OperandStack(const OptionsModel& options, std::function<DecimalFormat()> format,
                 std::function<void()> redraw);

    int16_t StackCount() const { return count_; }

    void Clear();  // no redraw
    void Drop();   // no redraw
    StackItem GetItem(int n) const;
    StackItem GetTop() const;
    const StackItem& ItemRef(int n) const { return items_[n]; }  // 1..StackCount, no copy
    void WriteItem(int n, const StackItem& item);  // outside 1..StackCount: INDEX OUT OF RANGE
    // Push and ReplaceTop make the text (decimal items are read back from it unless full
    // precision is kept) and redraw. A full stack raises BAD ARGUMENT. A value that is not
    // finite, or a binary or hexadecimal value of 2^32 or more, raises OVERFLOW; a failed
    // push or replacement leaves the stack (undo state included) exactly as before.
    // A negative zero is stored as +0.
    void Push(int16_t kind, double value);
    void ReplaceTop(int16_t kind, double value);
    void ReformatDecimals();
    void Swap();
    void RememberForUndo(int k);
    void Undo();
    void Redraw() const { redraw_(); }
    // Takes the other stack's records (those above its count too), count and undo state, so an
    // operation can be tried on a copy without disturbing the original. No redraw.
    void CopyStateFrom(const OperandStack& other);
    // The records up to the last one that is not empty, and at least up to the top.
    StackSnapshot Snapshot() const;
    // Takes a snapshot as it is, texts and value bits included: at most kMaxItems + 1 records,
    // a count and an undo count of at most kMaxItems, the count below the number of records
    // (the reader of the stack file sees to that). No redraw.
    void Restore(const StackSnapshot& snapshot);

    bool UndoAvailable() const { return undoAvailable_; }
    void WithdrawUndo() { undoAvailable_ = false; }
    const StackItem& UndoItem() const { return undoItem_; }
    int16_t UndoCount() const { return undoCount_; }

    // Make the text of a record from its kind and value (a decimal item without full precision
    // takes the value of its text); may raise OVERFLOW. Other kinds keep their text.
    void MakeText(StackItem& item) const;

private:
    void Store(int n, int16_t kind, double value);

    const OptionsModel& options_;
    std::function<DecimalFormat()> format_;
    std::function<void()> redraw_;
    std::array<StackItem, kMaxItems + 1> items_{};
    int16_t count_ = 0;
    bool undoAvailable_ = false;
    StackItem undoItem_{};
    int16_t undoCount_ = 0;
};

}  // namespace quorva
