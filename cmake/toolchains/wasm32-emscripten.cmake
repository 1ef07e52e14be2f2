# WebAssembly with Debian's emscripten (package emscripten): its own CMake platform file, then what
# every target of the project needs there. Programs run under node (the test programs: one file
# each, the module inside the script, which node loads without a fetch).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# C++ exceptions as WebAssembly's own (zero cost until thrown; every browser since 2022, node 17).
string(APPEND CMAKE_CXX_FLAGS_INIT " -fwasm-exceptions")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT
       " -fwasm-exceptions -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1")
