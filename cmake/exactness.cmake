# The integrator must give exactly the doubles its evaluation order prescribes, on every target
# of the project: no contraction into fused multiply-adds, no fast-math, no reassociation, no
# link-time optimisation. Each compiler spells that its own way; a compiler this file does not
# know stops the configuration rather than build a program that may be silently inexact.
# (x87 excess precision is refused at compile time: see src/dynamics/checked.h.)

if(CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang|AppleClang)$")
  add_compile_options(-ffp-contract=off -fno-fast-math)
elseif(CMAKE_CXX_COMPILER_ID STREQUAL "MSVC")
  # Strict: no contraction, no reordering, and the floating-point environment honoured where the
  # status flags are read.
  add_compile_options(/fp:strict)
else()
  message(FATAL_ERROR
          "Kestavon does not know how to keep ${CMAKE_CXX_COMPILER_ID} from contracting or "
          "reordering floating-point arithmetic. Supported: GCC, Clang, MSVC. Add the flags that "
          "give strict IEEE double arithmetic to cmake/exactness.cmake to build with it.")
endif()
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION OFF)

# Speed rather than exactness, but for every target alike: the basic-block vectorizers of GCC and
# clang pack pairs of an integration step's values (x and y, or two slopes) into vector registers,
# which puts shuffles on the step's chain of dependent operations (docs/performance.md has the figures).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-fno-tree-slp-vectorize)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-fno-slp-vectorize)
endif()

# Warnings for our own code; third-party headers come in as system includes.
add_library(kestavon_warnings INTERFACE)
if(MSVC)
  target_compile_options(kestavon_warnings INTERFACE /W4)
else()
  target_compile_options(kestavon_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                                                     -Wconversion)
endif()
