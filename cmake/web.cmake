# The WebAssembly build (the preset web, Emscripten's tool chain; make web
# builds its GSL with tools/gsl.sh and runs it). Each program is linked for node as one .js
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

# The page's copies of the programs: each an ES module whose default export
# is a factory (MODULARIZE) that makes a fresh instance for a run, in a Web
# Worker, with its files in memory and main called by the page; its
# WebAssembly (NAME.wasm beside it) is compiled once by the page and given to
# every instance, and nothing in it evaluates text as code. An instance
# starts with 4 MB of memory (1 MB of it the stack) and grows as it needs:
# the page makes hundreds, and each is garbage once its run has ended.
function(kelvarin_web_page_module name)
  get_target_property(sources ${name} SOURCES)
  get_target_property(folder ${name} SOURCE_DIR)
  list(TRANSFORM sources PREPEND ${folder}/)
  add_executable(${name}-page ${sources})
  # The libraries of the program, or those it names for the page.
  get_target_property(libraries ${name} KELVARIN_PAGE_LIBRARIES)
  if(NOT libraries)
    get_target_property(libraries ${name} LINK_LIBRARIES)
  endif()
  target_link_libraries(${name}-page PRIVATE ${libraries})
  set_target_properties(${name}-page PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/page OUTPUT_NAME ${name})
  target_link_options(${name}-page PRIVATE
    -sMODULARIZE=1 -sEXPORT_ES6=1 -sENVIRONMENT=worker -sDYNAMIC_EXECUTION=0
    -sEXIT_RUNTIME=1 -sINVOKE_RUN=0 -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1
    -sTOTAL_STACK=1MB -sINITIAL_MEMORY=4MB
    "-sEXPORTED_RUNTIME_METHODS=['callMain','FS']")
endfunction()

# build/web/kelvarin.html: the page, one file: its modules (web/src) bundled
# by esbuild with the page's words (web/words) and the three programs, Graphviz as WebAssembly (npm's
# @viz-js/viz), the examples' data files and the style.
function(kelvarin_web_page)
  kelvarin_web_page_module(kelvarin)
  kelvarin_web_page_module(kelvarin-table)
  kelvarin_web_page_module(kelvarin-graph)
  set(KELVARIN_WEB_PAGE "${PROJECT_BINARY_DIR}/kelvarin.html" CACHE FILEPATH "The page")
  set(web ${PROJECT_SOURCE_DIR}/web)
  file(GLOB modules CONFIGURE_DEPENDS ${web}/src/*.js ${web}/words/*.json ${PROJECT_SOURCE_DIR}/examples/*.dat)
  add_custom_command(OUTPUT ${KELVARIN_WEB_PAGE}
    COMMAND node ${web}/build-page.js ${KELVARIN_WEB_PAGE} ${PROJECT_BINARY_DIR}/page
            ${GSL_ROOT_DIR} ${MPFR_ROOT_DIR} ${XLSXWRITER_ROOT_DIR}
    DEPENDS ${web}/build-page.js ${web}/page.html ${web}/page.css ${web}/package-lock.json
            ${GSL_ROOT_DIR}/built-from ${MPFR_ROOT_DIR}/built-from ${XLSXWRITER_ROOT_DIR}/built-from
            ${XLSXWRITER_ROOT_DIR}/License.txt
            ${modules} kelvarin-page kelvarin-table-page kelvarin-graph-page
    VERBATIM)
  add_custom_target(page ALL DEPENDS ${KELVARIN_WEB_PAGE})
endfunction()
