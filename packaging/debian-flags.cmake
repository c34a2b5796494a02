# The flags Debian builds its packages with, every hardening feature on:
# _FORTIFY_SOURCE's checked functions, the stack protector, and relocations
# made read-only and resolved at start-up (relro, bind-now), as dpkg-buildflags
# gives them on this machine. The preset package reads this file as its tool
# chain, so they are the first configure's initial flags. CMake does not read
# CPPFLAGS, so they go in front of the compiler flags.
set(ENV{DEB_BUILD_MAINT_OPTIONS} hardening=+all)
foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND dpkg-buildflags --get ${kind}
                  OUTPUT_VARIABLE debian_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set(CMAKE_C_FLAGS_INIT "${debian_CPPFLAGS} ${debian_CFLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${debian_CPPFLAGS} ${debian_CXXFLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${debian_LDFLAGS}")
