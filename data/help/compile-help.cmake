# Compiles the help project into one .chm file, quietly.
#   cmake -DCHMCMD=<compiler> -DPROJECT=<.hhp> -DWORK_DIR=<scratch folder> -DOUTPUT=<.chm> -P compile-help.cmake
# The compiler writes the file named in the project's "Compiled file" into its
# current folder and exits with 0 even when it fails, so success is judged by
# the file it leaves behind. Its warnings (a link to a missing page or anchor)
# fail the build: a help file with dead links is a broken help file.
foreach(var CHMCMD PROJECT WORK_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compile-help.cmake: ${var} is not set")
  endif()
endforeach()

file(STRINGS ${PROJECT} compiled REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=" "" compiled "${compiled}")
if(compiled STREQUAL "")
  message(FATAL_ERROR "${PROJECT} names no compiled file")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CHMCMD} ${PROJECT}
  WORKING_DIRECTORY ${WORK_DIR}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)

string(REGEX MATCHALL "(^|\n)(Warning|Error)[^\n]*" problems "${out}\n${err}")
if(NOT rc EQUAL 0 OR problems OR NOT EXISTS ${WORK_DIR}/${compiled})
  message(FATAL_ERROR "Compiling ${PROJECT} failed (exit code ${rc}):\n${out}\n${err}")
endif()
configure_file(${WORK_DIR}/${compiled} ${OUTPUT} COPYONLY)
