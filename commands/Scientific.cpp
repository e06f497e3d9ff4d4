// Roots, logarithms, pi, trigonometry in both angle modes, the 32-bit logic and the change of
// an item's display base.

#include <cmath>

#include "Commands.h"
#include "MathFunctions.h"

namespace quorva {
namespace {

// Save, compute, replace by a decimal item: the shape of every function of one operand here.
template <typename Compute>
void DecimalFunction(Calculator& calc, Compute compute) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 1) return;
    const double x = s.ItemRef(n).value;
    s.RememberForUndo(n);
    s.ReplaceTop(kKindDecimal, compute(x));
}

// The product first, then the division: results must match that order bit for bit.
double DegreesToRadians(double x) { return Checked(x * PiValue) / 180.0; }
double RadiansToDegrees(double r) { return (r * 180.0) / PiValue; }

double RootOfOneMinusSquare(double x) {
    const double q = 1.0 + x * (-x);
    if (q < 0.0) Raise(kBadArgument);
    return std::sqrt(q);
}

template <typename Combine>
void Logical(Calculator& calc, Combine combine) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 2) return;
    const StackItem& xr = s.ItemRef(n);
    const StackItem& yr = s.ItemRef(n - 1);
    if (!IsWhole(xr.value) || !IsWhole(yr.value)) return;
    const int16_t xKind = xr.kind, yKind = yr.kind;
    const double x = xr.value, y = yr.value;
    s.RememberForUndo(n - 1);
    s.Drop();
    const int32_t yi = ToInt32(y);
    const int32_t xi = ToInt32(x);
    const double r = static_cast<double>(combine(yi, xi));
    s.ReplaceTop(ResultKind(xKind, yKind, r), r);
}

// ";b" and ";h": the value goes through the text of its new base, so a negative whole number
// becomes its 32-bit two's complement.
template <typename MakeText, typename ReadText>
void ChangeBase(Calculator& calc, int16_t kind, MakeText makeText, ReadText readText) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 1) return;
    const double x = s.ItemRef(n).value;
    if (!IsWhole(x)) return;
    s.RememberForUndo(n);
    const double v = readText(makeText(x));
    s.ReplaceTop(kind, v);
}

}  // namespace

int32_t ToInt32(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(kOverflow);
    return static_cast<int32_t>(r);
}

void SquareRoot(Calculator& calc) {
    DecimalFunction(calc, [](double x) {
        if (x < 0.0) Raise(kBadArgument);
        return std::sqrt(x);
    });
}

void NaturalLog(Calculator& calc) {
    DecimalFunction(calc, [](double x) {
        if (x <= 0.0) Raise(kBadArgument);
        return std::log(x);
    });
}

void CommonLog(Calculator& calc) {
    DecimalFunction(calc, [](double x) {
        if (x <= 0.0) Raise(kBadArgument);
        return std::log(x) / std::log(10.0);
    });
}

void Exponential(Calculator& calc) {
    DecimalFunction(calc, [](double x) { return Checked(std::exp(x)); });
}

void PushPi(Calculator& calc) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    // Position 301 holds no record: remembering it would let a later undo write a stale item
    // over the 300th. The push below refuses a full stack.
    if (n < OperandStack::kMaxItems) s.RememberForUndo(n + 1);
    s.Push(kKindDecimal, PiValue);
}

void Sine(Calculator& calc) {
    const bool radians = calc.AngleRadians();
    DecimalFunction(calc, [radians](double x) {
        if (radians) return Checked(std::sin(x));
        if (ToInt32(x) % 180 == 0) return 0.0;
        return Checked(std::sin(DegreesToRadians(x)));
    });
}

void Cosine(Calculator& calc) {
    const bool radians = calc.AngleRadians();
    DecimalFunction(calc, [radians](double x) {
        if (radians) return Checked(std::cos(x));
        // The remainder keeps the sign of the angle: only +90, 270, 450 ... are exact.
        if (ToInt32(x) % 180 == 90) return 0.0;
        return Checked(std::cos(DegreesToRadians(x)));
    });
}

void Tangent(Calculator& calc) {
    const bool radians = calc.AngleRadians();
    DecimalFunction(calc, [radians](double x) {
        return Checked(std::tan(radians ? x : DegreesToRadians(x)));
    });
}

void ArcSine(Calculator& calc) {
    const bool radians = calc.AngleRadians();
    DecimalFunction(calc, [radians](double x) {
        if (x == 1.0) return radians ? PiValue / 2.0 : 90.0;
        if (x == -1.0) return radians ? -PiValue / 2.0 : -90.0;
        const double a = std::atan(Divide(x, RootOfOneMinusSquare(x)));
        return radians ? a : RadiansToDegrees(a);
    });
}

void ArcCosine(Calculator& calc) {
    const bool radians = calc.AngleRadians();
    DecimalFunction(calc, [radians](double x) {
        if (x == 1.0) return 0.0;
        if (x == -1.0) return radians ? PiValue : 180.0;
        const double b = std::atan(Divide(-x, RootOfOneMinusSquare(x))) + 2.0 * std::atan(1.0);
        return radians ? b : RadiansToDegrees(b);
    });
}

void ArcTangent(Calculator& calc) {
    const bool radians = calc.AngleRadians();
    DecimalFunction(calc, [radians](double x) {
        const double a = std::atan(x);
        return radians ? a : RadiansToDegrees(a);
    });
}

void And(Calculator& calc) {
    Logical(calc, [](int32_t y, int32_t x) { return y & x; });
}

void Or(Calculator& calc) {
    Logical(calc, [](int32_t y, int32_t x) { return y | x; });
}

void Xor(Calculator& calc) {
    Logical(calc, [](int32_t y, int32_t x) { return y ^ x; });
}

void Not(Calculator& calc) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 1) return;
    const StackItem& xr = s.ItemRef(n);
    if (!IsWhole(xr.value)) return;
    const int16_t kind = xr.kind;
    const double x = xr.value;
    s.RememberForUndo(n);
    // In doubles, never through 32 bits: a negative operand gives 2^32 or more, a decimal item.
    const double r = Checked(4294967295.0 - x);
    s.ReplaceTop(ResultKind(kind, kind, r), r);
}

void ToBinary(Calculator& calc) {
    ChangeBase(calc, kKindBinary, [](double x) { return BinaryText(x); },
               [](const std::string& t) { return BinaryValue(t); });
}

void ToHexadecimal(Calculator& calc) {
    ChangeBase(calc, kKindHex, [](double x) { return HexText(x); },
               [](const std::string& t) { return HexValue(t); });
}

void ToDecimal(Calculator& calc) {
    OperandStack& s = calc.Stack();
    const int n = s.StackCount();
    if (n < 1) return;
    const double x = s.ItemRef(n).value;
    if (!IsWhole(x)) return;
    s.RememberForUndo(n);
    s.ReplaceTop(kKindDecimal, x);
}

}  // namespace quorva
