# KELVARIN_WORKBOOK_PYTHON3: the first python3 on the path that has openpyxl,
# which the Windows and WebAssembly builds' workbook tests read the Linux
# workbook back with, as the CSV.
function(kelvarin_has_openpyxl result python)
  execute_process(COMMAND ${python} -c "import openpyxl" RESULT_VARIABLE status
                  OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()
find_program(KELVARIN_WORKBOOK_PYTHON3 python3 VALIDATOR kelvarin_has_openpyxl REQUIRED)
