// The arithmetic of doubles: the four operations, power, scale, percent, modulo, inverse,
// rounding, factorial, and the two commands over the whole stack.

#include <cmath>

#include "Commands.h"
#include "MathFunctions.h"

namespace quorva {
namespace {

struct Operand {
    int16_t kind;
    double value;
};

Operand Top(const OperandStack& s, int n) { return {s.ItemRef(n).kind, s.ItemRef(n).value}; }

enum class Order { DropFirst, ComputeFirst };

// The two-operand pattern. With the drop first a failure leaves y alone on top, and the undo
// record already made brings x back.
template <typename Compute>
void TwoOperand(Calculator& calc, Order order, bool ruleKind, Compute compute) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 2) return;
    const Operand x = Top(s, n);
    const Operand y = Top(s, n - 1);
    s.RememberForUndo(static_cast<int>(n - 1));
    double r;
    if (order == Order::DropFirst) {
        s.Drop();
        r = compute(y.value, x.value);
    } else {
        try {
            r = compute(y.value, x.value);
        } catch (const RuntimeError&) {
            // The stack is untouched; a record of position n - 1 would make the next undo copy
            // y over x. Recording the top instead lets undo give back the same stack.
            s.RememberForUndo(n);
            throw;
        }
        s.Drop();
    }
    s.ReplaceTop(ruleKind ? ResultKind(x.kind, y.kind, r) : int16_t{kKindDecimal}, r);
}

// The one-operand pattern: save, compute, replace. compute gives the result's value; kindOf
// turns the operand's kind and the result into the result's kind.
template <typename Compute, typename KindOf>
void OneOperand(Calculator& calc, Compute compute, KindOf kindOf) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 1) return;
    const Operand x = Top(s, n);
    s.RememberForUndo(n);
    const double r = compute(x.value);
    s.ReplaceTop(kindOf(x.kind, r), r);
}

int16_t DecimalKind(int16_t, double) { return kKindDecimal; }
int16_t RuleKind(int16_t kind, double r) { return ResultKind(kind, kind, r); }

double SumOfStack(const OperandStack& s) {
    double sum = 0.0;
    for (int i = 1; i <= s.StackCount(); ++i) sum = Checked(sum + s.ItemRef(i).value);
    return sum;
}

// The stack becomes the one decimal item v; one undo gives the whole stack back.
void ReplaceStack(OperandStack& s, double v) {
    s.RememberForUndo(1);
    s.Clear();
    s.Push(kKindDecimal, v);
}

}  // namespace

void Add(Calculator& calc) {
    TwoOperand(calc, Order::DropFirst, true, [](double y, double x) { return Checked(y + x); });
}

void Subtract(Calculator& calc) {
    TwoOperand(calc, Order::DropFirst, true, [](double y, double x) { return Checked(y - x); });
}

void Multiply(Calculator& calc) {
    TwoOperand(calc, Order::DropFirst, false, [](double y, double x) { return Checked(y * x); });
}

void DivideCommand(Calculator& calc) {
    TwoOperand(calc, Order::DropFirst, false, [](double y, double x) { return Divide(y, x); });
}

void Power(Calculator& calc) {
    TwoOperand(calc, Order::ComputeFirst, true, [](double y, double x) {
        // 0 to a negative power is a division by zero in disguise: 0^-2 = 1 / 0^2.
        if (y == 0.0 && x < 0.0) Raise(kDivisionByZero);
        if (y < 0.0 && !IsWhole(x)) Raise(kBadArgument);
        return Checked(std::pow(y, x));
    });
}

void Scale(Calculator& calc) {
    TwoOperand(calc, Order::ComputeFirst, true,
               [](double y, double x) { return Checked(y * Checked(std::pow(10.0, x))); });
}

void Percent(Calculator& calc) {
    TwoOperand(calc, Order::ComputeFirst, false,
               [](double y, double x) { return Divide(Checked(x * y), 100.0); });
}

void Modulo(Calculator& calc) {
    const OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 2 || !IsWhole(s.ItemRef(n).value) || !IsWhole(s.ItemRef(n - 1).value)) return;
    TwoOperand(calc, Order::DropFirst, false, [](double y, double x) {
        const double q = Divide(y, x);
        return Checked(y - Checked(std::floor(q) * x));
    });
}

void Inverse(Calculator& calc) {
    OneOperand(calc, [](double x) { return Divide(1.0, x); }, DecimalKind);
}

void RoundCommand(Calculator& calc) {
    // nearbyint in the default rounding mode sends halves to the even neighbour.
    OneOperand(calc, [](double x) { return std::nearbyint(x); }, RuleKind);
}

void Factorial(Calculator& calc) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 1) return;
    const Operand x = Top(s, n);
    if (x.value < 0.0 || !IsWhole(x.value)) return;
    // Computed before the undo record: an overflow leaves the previous record in force.
    double product = 1.0;
    for (double i = 1.0; i <= x.value; i += 1.0) product = Checked(product * i);
    s.RememberForUndo(n);
    s.ReplaceTop(RuleKind(x.kind, product), product);
}

void SumAll(Calculator& calc) {
    OperandStack& s = calc.Stack();
    if (s.StackCount() < 1) return;
    ReplaceStack(s, SumOfStack(s));
}

void Average(Calculator& calc) {
    OperandStack& s = calc.Stack();
    if (s.StackCount() < 1) return;
    ReplaceStack(s, Divide(SumOfStack(s), s.StackCount()));
}

}  // namespace quorva
