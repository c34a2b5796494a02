# The WebAssembly build (the preset web, Emscripten's tool chain; tools/web.sh
# builds its GSL and runs it). Each program is linked for node as one .js
# file with its WebAssembly inside, under KELVARIN_WEB_NODE_DIR: it reads and
# writes the host's files from the working directory, ends with the native
# program's exit status, and ends in an abort by SIGABRT.
set(KELVARIN_WEB_NODE_DIR "${PROJECT_BINARY_DIR}/node" CACHE PATH
    "Where the node programs (kelvarin.js, ...) are written")

# The link options of anything run under node: the host's file system, the
# WebAssembly inside the .js, exit statuses kept, memory that grows.
set(KELVARIN_WEB_NODE_OPTIONS
    -sNODERAWFS=1 -sSINGLE_FILE=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=node)

function(kelvarin_web_program name)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KELVARIN_WEB_NODE_DIR})
  set(pre ${PROJECT_SOURCE_DIR}/web/node-pre.js)
  target_link_options(${name} PRIVATE ${KELVARIN_WEB_NODE_OPTIONS} "SHELL:--pre-js ${pre}")
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${pre})
endfunction()
