# Compiles every project source of a Windows build tree for syntax only with clang in
# Microsoft compatibility mode: a stand-in check where no MSVC is at hand. The MinGW headers
# are written for GCC or MSVC, so clang presents itself as GCC to them (__GNUC__ and the
# atomics macros libstdc++ reads); the project's own code is parsed with -fms-compatibility
# and -pedantic, and any diagnostic fails the check.
#   cmake -DBUILD_DIR=build/win -P cmake/msvc-syntax.cmake
if(NOT BUILD_DIR)
    set(BUILD_DIR build/win)
endif()
find_program(CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
if(NOT CLANGXX)
    message(FATAL_ERROR "msvc-syntax: clang++ not found (apt-get install clang)")
endif()
execute_process(COMMAND x86_64-w64-mingw32-g++-posix -print-file-name=include OUTPUT_VARIABLE gcc_include
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(flags --target=x86_64-w64-windows-gnu -fms-compatibility -fms-compatibility-version=19.38 -fms-extensions
    -fsyntax-only -std=c++20 -pedantic -Wno-unknown-pragmas
    -D__GNUC__=12 -D__GNUC_MINOR__=2 -D__GNUC_PATCHLEVEL__=0 -D__STRICT_ANSI__
    -D__GCC_ATOMIC_TEST_AND_SET_TRUEVAL=1 -D__GCC_ATOMIC_POINTER_LOCK_FREE=2)
foreach(t BOOL CHAR CHAR8_T CHAR16_T CHAR32_T WCHAR_T SHORT INT LONG LLONG)
    list(APPEND flags -D__GCC_ATOMIC_${t}_LOCK_FREE=2)
endforeach()
set(gcc_cxx "${gcc_include}/c++")
foreach(dir "${gcc_cxx}" "${gcc_cxx}/x86_64-w64-mingw32" /usr/x86_64-w64-mingw32/include)
    list(APPEND flags -isystem "${dir}")
endforeach()

file(READ "${BUILD_DIR}/compile_commands.json" commands)
string(JSON count LENGTH "${commands}")
math(EXPR last "${count} - 1")
set(checked 0)
set(failed "")
foreach(i RANGE ${last})
    string(JSON file GET "${commands}" ${i} file)
    string(JSON command GET "${commands}" ${i} command)
    if(file MATCHES "googletest" OR NOT file MATCHES "\\.cpp$")
        continue()
    endif()
    string(REGEX MATCHALL "-[ID][^ ]+" own "${command}")
    string(REPLACE "\\\"" "\"" own "${own}")  # the shell's escaped quotes, taken without a shell
    execute_process(COMMAND ${CLANGXX} ${flags} ${own} "${file}" WORKING_DIRECTORY "${BUILD_DIR}"
                    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
    math(EXPR checked "${checked} + 1")
    if(NOT rc EQUAL 0 OR err)
        message("${err}")
        list(APPEND failed "${file}")
    endif()
endforeach()
list(LENGTH failed nfailed)
message(STATUS "msvc-syntax: ${checked} sources checked, ${nfailed} with diagnostics")
if(nfailed)
    message(FATAL_ERROR "msvc-syntax: ${failed}")
endif()
