# Debian's hardening, as dpkg-buildflags gives it (hardening=+all: stack protector, fortified libc
# calls, read-only relocations bound at start), and stack clash protection, which Debian's next
# release adds. Position-independent executables are the compilers' default here. None of it
# touches floating-point arithmetic; the fortified calls need an optimising build. WebAssembly has
# none of it: its stack is out of the program's reach, and a browser runs it in its sandbox.
if(UNIX AND NOT EMSCRIPTEN AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
  add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat
                      -Werror=format-security)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
