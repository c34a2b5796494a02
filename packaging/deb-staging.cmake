# CPack runs this script on the staging tree, after the install rules and
# before it builds a package, and it changes the tree for the Debian package
# only; `cmake --install` and other generators keep the plain layout.
#
# - The copyright file in Debian's machine-readable format takes the place of
#   the copy of LICENSE, and the changelog is added, compressed.
# - The manual pages are compressed, as Debian policy asks.
# - The programs lose their .comment and .note sections (compiler versions),
#   as dh_strip removes them.
#
# gzip -9n leaves the file name and time out of the archive, so the package
# does not change with the time it is built.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(docdir "${root}/${CPACK_KELVARIN_DOCDIR}")
set(man1dir "${root}/${CPACK_KELVARIN_MANDIR}/man1")
set(bindir "${root}/${CPACK_KELVARIN_BINDIR}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "deb-staging: `${command}` failed: ${status}")
  endif()
endfunction()

file(REMOVE "${docdir}/LICENSE")
# file(COPY), not file(INSTALL), which would put CPack's DESTDIR in front.
file(COPY "${CPACK_KELVARIN_PACKAGING_DIR}/copyright" "${CPACK_KELVARIN_PACKAGING_DIR}/changelog"
     DESTINATION "${docdir}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
run(gzip -9nf "${docdir}/changelog")
file(GLOB pages "${man1dir}/*.1")
foreach(page ${pages})
  run(gzip -9nf "${page}")
endforeach()

file(GLOB programs "${bindir}/*")
foreach(program ${programs})
  run("${CPACK_OBJCOPY_EXECUTABLE}" --remove-section=.comment --remove-section=.note "${program}")
endforeach()
