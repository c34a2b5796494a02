# The fixture of the Windows download's tests: packs it with CPack in BUILD
# (its earlier zips removed first), checks that it is the one zip the tests
# expect, and unpacks it afresh into the folder CHECK, as a user would; every
# file must lie in the zip's folder of its own name.
#   cmake -DCPACK=<cpack> -DBUILD=<build> -DZIP=<zip> -DCHECK=<folder>
#         -P unpack-zip.cmake
file(GLOB old "${BUILD}/kelvarin-*-win64.zip")
if(old)
  file(REMOVE ${old})
endif()
execute_process(COMMAND "${CPACK}" --config "${BUILD}/CPackConfig.cmake" -B "${BUILD}"
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB zips "${BUILD}/kelvarin-*-win64.zip")
if(NOT zips STREQUAL ZIP)
  message(FATAL_ERROR "expected ${ZIP} alone in ${BUILD}, found: ${zips}")
endif()
file(REMOVE_RECURSE "${CHECK}")
file(MAKE_DIRECTORY "${CHECK}")
get_filename_component(top "${ZIP}" NAME_WLE)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf "${ZIP}" OUTPUT_VARIABLE contents
                COMMAND_ERROR_IS_FATAL ANY)
message("${contents}")
string(REGEX REPLACE "\n$" "" contents "${contents}")
string(REPLACE "\n" ";" contents "${contents}")
foreach(file IN LISTS contents)
  if(NOT file MATCHES "^${top}/")
    message(FATAL_ERROR "${file} lies outside the folder ${top}/")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ZIP}" WORKING_DIRECTORY "${CHECK}"
                COMMAND_ERROR_IS_FATAL ANY)
