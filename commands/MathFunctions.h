#pragma once
// The commands themselves and the checked arithmetic they share. Each command reads its
// operands from the calculator's stack and leaves its result there; a failing step raises.

#include <cmath>
#include <cstdint>

#include "Calculator.h"
#include "Errors.h"

namespace quorva {

// Every floating-point step goes through these: a result that is not a finite number never
// reaches the stack.
inline double Checked(double r) {
    if (!std::isfinite(r)) Raise(kOverflow);
    return r;
}

inline double Divide(double y, double x) {
    if (x == 0.0) Raise(y == 0.0 ? kOverflow : kDivisionByZero);
    return Checked(y / x);
}

// Int() of the commands rounds towards minus infinity.
inline bool IsWhole(double v) { return v == std::floor(v); }

// The 32-bit conversion of the logical commands and of the degree tests: nearest integer,
// halves to the even neighbour, overflow outside the signed 32-bit range.
int32_t ToInt32(double v);

// Two-operand commands ("+" ... "m") and logic of two operands.
void Add(Calculator& calc);
void Subtract(Calculator& calc);
void Multiply(Calculator& calc);
void DivideCommand(Calculator& calc);
void Power(Calculator& calc);
void Percent(Calculator& calc);
void Modulo(Calculator& calc);
void Scale(Calculator& calc);

// One-operand and whole-stack commands.
void Inverse(Calculator& calc);
void RoundCommand(Calculator& calc);
void Factorial(Calculator& calc);
void SumAll(Calculator& calc);
void Average(Calculator& calc);

// Scientific.
void SquareRoot(Calculator& calc);
void NaturalLog(Calculator& calc);
void CommonLog(Calculator& calc);
void Exponential(Calculator& calc);
void PushPi(Calculator& calc);
void Sine(Calculator& calc);
void Cosine(Calculator& calc);
void Tangent(Calculator& calc);
void ArcSine(Calculator& calc);
void ArcCosine(Calculator& calc);
void ArcTangent(Calculator& calc);

// Logical and base change.
void And(Calculator& calc);
void Or(Calculator& calc);
void Xor(Calculator& calc);
void Not(Calculator& calc);
void ToBinary(Calculator& calc);
void ToDecimal(Calculator& calc);
void ToHexadecimal(Calculator& calc);

}  // namespace quorva
