# Cross-compiles the program for Windows on x86-64 with Debian's mingw-w64 tool
# chain:  cmake --preset windows   (or --toolchain with this file)
# Libraries built for Windows are looked up in the tool chain's own root and,
# when GSL_ROOT_DIR, MPFR_ROOT_DIR and XLSXWRITER_ROOT_DIR are given, in those
# installations; never among the machine's Linux libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVARIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELVARIN_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KELVARIN_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${KELVARIN_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELVARIN_MINGW_TRIPLET} ${GSL_ROOT_DIR} ${MPFR_ROOT_DIR} ${XLSXWRITER_ROOT_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The report's numbers are formatted by std::to_chars, but printf still writes
# the headings and messages, with the numbers in them (the number of players,
# the warnings' tolerance), and GSL's error report. mingw-w64's own printf
# follows C99 as glibc's does, whatever the system's msvcrt.dll does, so they
# come out as on Linux. A static link leaves kelvarin.exe needing no DLL
# beside the system's.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
