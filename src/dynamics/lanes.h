#pragma once

// Lanes: one number of each of several runs, computed together. A run's chain of dependent
// operations keeps the processor waiting on each result; independent runs side by side fill that
// wait. Each lane's arithmetic is exactly its run's own: the same IEEE operations in the same
// order, with no contraction, so a formula instantiated for Lanes (dynamics/checked.h) gives each
// run the bits it gives alone. Where the processor has vectors of doubles, the lanes are the
// elements of vector registers (the vector extension of GCC and clang), so one instruction
// serves several runs; elsewhere the compiler makes the same operations one lane at a time.

#include <array>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace kestavon {

namespace lanes_detail {

// The vector of Width doubles, aligned as a double, so that lanes passed by value (a formula's
// arguments) are no over-aligned arguments; in registers this changes nothing. And the vector of
// as many 64-bit integers. (typedef: clang drops the alignment from an alias declaration.)
// NOLINTBEGIN(modernize-use-using)
template <int Width>
struct Vector {
  typedef double type __attribute__((vector_size(8 * Width), aligned(8)));
  typedef long long integers __attribute__((vector_size(8 * Width), aligned(8)));
};
// NOLINTEND(modernize-use-using)

}  // namespace lanes_detail

template <int Width>
struct Lanes {
  using Vector = typename lanes_detail::Vector<Width>::type;
  using Integers = typename lanes_detail::Vector<Width>::integers;

  Vector v;

  static constexpr int width = Width;

  [[gnu::always_inline]] double operator[](int lane) const { return v[lane]; }
  [[gnu::always_inline]] void set(int lane, double value) { v[lane] = value; }
};

namespace lanes_detail {

template <class T>
struct IsLanes : std::false_type {};
template <int Width>
struct IsLanes<Lanes<Width>> : std::true_type {};

// Lanes, or a constant of a formula (an int, a float or a double), which meets lanes as the
// language widens it to double, in every lane.
template <class T>
concept Operand = IsLanes<T>::value || std::is_arithmetic_v<T>;
template <class A, class B>
concept EitherLanes = IsLanes<A>::value || IsLanes<B>::value;
template <class A, class B>
concept Operands = Operand<A> && Operand<B> && EitherLanes<A, B>;

}  // namespace lanes_detail

// Lanes and lanes, or lanes and a constant: each lane's own operation. (Written out rather than
// through a helper: a function that returned a vector would be passed as the baseline's code
// passes it, unlike the wider code's.)
template <class A, class B>
requires lanes_detail::Operands<A, B>
[[gnu::always_inline]] inline auto operator+(const A& a, const B& b) {
  if constexpr (!lanes_detail::IsLanes<B>::value) {
    return A{a.v + static_cast<double>(b)};
  } else if constexpr (!lanes_detail::IsLanes<A>::value) {
    return B{static_cast<double>(a) + b.v};
  } else {
    return A{a.v + b.v};
  }
}
template <class A, class B>
requires lanes_detail::Operands<A, B>
[[gnu::always_inline]] inline auto operator-(const A& a, const B& b) {
  if constexpr (!lanes_detail::IsLanes<B>::value) {
    return A{a.v - static_cast<double>(b)};
  } else if constexpr (!lanes_detail::IsLanes<A>::value) {
    return B{static_cast<double>(a) - b.v};
  } else {
    return A{a.v - b.v};
  }
}
template <class A, class B>
requires lanes_detail::Operands<A, B>
[[gnu::always_inline]] inline auto operator*(const A& a, const B& b) {
  if constexpr (!lanes_detail::IsLanes<B>::value) {
    return A{a.v * static_cast<double>(b)};
  } else if constexpr (!lanes_detail::IsLanes<A>::value) {
    return B{static_cast<double>(a) * b.v};
  } else {
    return A{a.v * b.v};
  }
}
template <class A, class B>
requires lanes_detail::Operands<A, B>
[[gnu::always_inline]] inline auto operator/(const A& a, const B& b) {
  if constexpr (!lanes_detail::IsLanes<B>::value) {
    return A{a.v / static_cast<double>(b)};
  } else if constexpr (!lanes_detail::IsLanes<A>::value) {
    return B{static_cast<double>(a) / b.v};
  } else {
    return A{a.v / b.v};
  }
}
template <int W>
[[gnu::always_inline]] inline Lanes<W> operator-(const Lanes<W>& a) {
  return {-a.v};
}

namespace lanes_detail {

// The sum of all lanes, halves added until one lane is left.
template <int W>
[[gnu::always_inline]] inline double sumOfLanes(const Lanes<W>& lanes) {
  if constexpr (W == 2) {
    return lanes[0] + lanes[1];
  } else {
    Lanes<W / 2> low, high;
    std::memcpy(&low.v, &lanes.v, sizeof low.v);
    std::memcpy(&high.v, reinterpret_cast<const char*>(&lanes.v) + sizeof low.v, sizeof high.v);
    return sumOfLanes(Lanes<W / 2>{low.v + high.v});
  }
}

}  // namespace lanes_detail

// Whether every lane of every value is finite, in one test: x - x is zero for a finite x and NaN
// otherwise, and a NaN anywhere makes the sum of them all NaN.
template <int W, std::size_t N>
[[gnu::always_inline]] inline bool allFinite(const std::array<Lanes<W>, N>& values) {
  Lanes<W> sum{values[0].v - values[0].v};
  for (std::size_t i = 1; i < N; ++i) sum.v += values[i].v - values[i].v;
  return lanes_detail::sumOfLanes(sum) == 0;
}

}  // namespace kestavon
