#pragma once

// A compile-time proof for checkedFormula (checked.h): that a formula is made only of +, -, *,
// negation and division by non-zero finite constants, and that every operation in it reaches one
// of its results. Such a formula turns every fault into an infinity or a NaN that shows in a
// result, so a finite result proves that no fault occurred.
//
// A formula is a generic, captureless callable that does the same arithmetic whatever its number
// type (no `if constexpr` on it, no overloads by type). The program instantiates it with double and
// float;
// the proof instantiates it with Traced, which carries no value, only whether it descends from one
// poisoned operation. Traced has no division by a variable, no conversion to a number and no libm
// functions: a formula that uses them does not compile as a checked formula.

#include <array>
#include <concepts>
#include <cstddef>
#include <limits>
#include <type_traits>
#include <utility>

namespace kestavon::formula {

// The operations of one evaluation, numbered in order; one of them may be poisoned.
class Tape {
 public:
  constexpr explicit Tape(int poisoned) : m_poisoned(poisoned) {}

  // Numbers the next operation; true when it is the poisoned one.
  constexpr bool next() { return m_count++ == m_poisoned; }
  constexpr int count() const { return m_count; }
  constexpr void refuseDivisor() { m_badDivisor = true; }
  constexpr bool badDivisor() const { return m_badDivisor; }

 private:
  int m_poisoned;
  int m_count = 0;
  bool m_badDivisor = false;
};

// A constant of the formula: a literal or a named constant, never a traced value; float, double
// or an integer, so that no arithmetic with it happens in a wider type than the program's (a long
// double product can be finite where the double one overflows).
template <class T>
concept Constant = std::same_as<T, float> || std::same_as<T, double> || std::is_integral_v<T>;

class Traced {
 public:
  constexpr Traced() = default;
  constexpr Traced(Tape* tape, bool poisoned) : m_tape(tape), m_poisoned(poisoned) {}

  constexpr bool poisoned() const { return m_poisoned; }

  // Negation is exact: it cannot fault, and a non-finite value stays non-finite.
  constexpr Traced operator-() const { return *this; }

  friend constexpr Traced operator+(Traced a, Traced b) { return a.then(b.m_poisoned); }
  friend constexpr Traced operator-(Traced a, Traced b) { return a.then(b.m_poisoned); }
  friend constexpr Traced operator*(Traced a, Traced b) { return a.then(b.m_poisoned); }
  template <Constant C>
  friend constexpr Traced operator+(Traced a, C /*constant*/) {
    return a.then(false);
  }
  template <Constant C>
  friend constexpr Traced operator+(C /*constant*/, Traced b) {
    return b.then(false);
  }
  template <Constant C>
  friend constexpr Traced operator-(Traced a, C /*constant*/) {
    return a.then(false);
  }
  template <Constant C>
  friend constexpr Traced operator-(C /*constant*/, Traced b) {
    return b.then(false);
  }
  template <Constant C>
  friend constexpr Traced operator*(Traced a, C /*constant*/) {
    return a.then(false);
  }
  template <Constant C>
  friend constexpr Traced operator*(C /*constant*/, Traced b) {
    return b.then(false);
  }
  // Only a non-zero finite constant divides: then no division by zero can occur, and an infinity
  // or NaN in the dividend stays one.
  template <Constant C>
  friend constexpr Traced operator/(Traced a, C divisor) {
    const auto wide = static_cast<long double>(divisor);
    if (!(wide != 0 && wide >= -std::numeric_limits<long double>::max() &&
          wide <= std::numeric_limits<long double>::max())) {
      a.m_tape->refuseDivisor();
    }
    return a.then(false);
  }
  friend Traced operator/(Traced, Traced) = delete;
  template <Constant C>
  friend Traced operator/(C, Traced) = delete;

 private:
  // The result of an operation on this value (and another, poisoned or not).
  constexpr Traced then(bool otherPoisoned) const {
    const bool poisonedHere = m_tape->next();
    return Traced{m_tape, m_poisoned || otherPoisoned || poisonedHere};
  }

  Tape* m_tape = nullptr;
  bool m_poisoned = false;
};

// Widens a float input to double inside a formula (for Traced, nothing to do). The widening
// cannot fault but for a signalling NaN, which it turns into a quiet one: still not finite.
constexpr double widen(float value) { return value; }
constexpr double widen(double value) { return value; }
constexpr Traced widen(Traced value) { return value; }

// A formula's outputs as an array, whether it returns one value or an array of them.
template <class T>
constexpr auto outputsOf(const T& value) {
  return std::array<T, 1>{value};
}
template <class T, std::size_t N>
constexpr auto outputsOf(const std::array<T, N>& values) {
  return values;
}

template <class Formula, std::size_t Inputs>
constexpr auto traceOnce(Tape& tape, int poisonedInput) {
  // Inputs go in as constants, as checkedFormula passes them: a formula that writes to its inputs
  // does not compile (it would change what a second evaluation starts from).
  return [&]<std::size_t... I>(std::index_sequence<I...>) {
    const std::array<const Traced, Inputs> inputs{
        Traced{&tape, static_cast<int>(I) == poisonedInput}...};
    return outputsOf(Formula{}(inputs[I]...));
  }
  (std::make_index_sequence<Inputs>{});
}

// The proof: the formula traces with no refused divisor, and poisoning any one input or any one
// operation poisons at least one of its first `Checked` outputs (all of them when Checked is 0).
template <class Formula, std::size_t Inputs, std::size_t Checked>
constexpr bool faultsReachResults() {
  Tape counting(-1);
  const auto plain = traceOnce<Formula, Inputs>(counting, -1);
  const std::size_t results = Checked == 0 ? plain.size() : Checked;
  if (counting.badDivisor() || results > plain.size()) return false;
  const int operations = counting.count();
  for (int poisoned = -static_cast<int>(Inputs); poisoned < operations; ++poisoned) {
    Tape tape(poisoned < 0 ? -1 : poisoned);
    const int poisonedInput = poisoned < 0 ? poisoned + static_cast<int>(Inputs) : -1;
    const auto outputs = traceOnce<Formula, Inputs>(tape, poisonedInput);
    bool reached = false;
    for (std::size_t i = 0; i < results; ++i) reached = reached || outputs[i].poisoned();
    if (!reached) return false;
  }
  return true;
}

}  // namespace kestavon::formula
