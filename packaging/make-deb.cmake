# The fixture of the package's tests: builds the Debian package with CPack in
# BUILD (its earlier packages removed first), checks that it is the one DEB
# the tests expect, and extracts it afresh into ROOT, without installing it.
#   cmake -DCPACK=<cpack> -DBUILD=<build> -DDEB=<package file> -DROOT=<folder>
#         -P make-deb.cmake
file(GLOB old "${BUILD}/kelvarin_*.deb")
if(old)
  file(REMOVE ${old})
endif()
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${BUILD}"
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB debs "${BUILD}/kelvarin_*.deb")
if(NOT debs STREQUAL DEB)
  message(FATAL_ERROR "expected ${DEB} alone in ${BUILD}, found: ${debs}")
endif()
file(REMOVE_RECURSE "${ROOT}")
execute_process(COMMAND dpkg -x "${DEB}" "${ROOT}" COMMAND_ERROR_IS_FATAL ANY)
