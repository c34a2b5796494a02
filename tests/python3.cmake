# kelvarin_find_python3(VARIABLE MODULES): set VARIABLE (cached, as
# find_program sets it) to the first python3 on the path that can import
# MODULES, written as Python's import statement takes them ("openpyxl, uno").
# A machine may have more than one python3, not all with Debian's modules.
function(kelvarin_python3_imports result python)
  # kelvarin_python3_modules is the caller's, kelvarin_find_python3's.
  execute_process(COMMAND ${python} -c "import ${kelvarin_python3_modules}"
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(kelvarin_find_python3 variable modules)
  set(kelvarin_python3_modules "${modules}")
  find_program(${variable} python3 VALIDATOR kelvarin_python3_imports REQUIRED)
endfunction()
