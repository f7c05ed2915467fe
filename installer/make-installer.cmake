# Makes the installer and the zip of the program folder, in OUT_DIR:
#   Korvane-<VERSION>-setup.exe and Korvane-<VERSION>.zip
# Run on every build (cmake -P); it does nothing while the program folder and
# the installer's sources are unchanged, since compressing the converter takes
# a while.
#
# Whatever the build puts into the program folder DIST is shipped, except the
# files the program itself writes (Preferences.ini, Profiles\*.apf): a run of
# the program from the build folder changes those, so they are shipped as the
# sources hold them (SHIPPED_PREFERENCES, SHIPPED_PROFILES).
#
# Inputs: DIST, OUT_DIR, WORK_DIR, VERSION, NSI, ICON, SIDE_PICTURE, MAKENSIS,
#         SHIPPED_PREFERENCES, SHIPPED_PROFILES (a folder).
cmake_minimum_required(VERSION 3.20)

file(GLOB_RECURSE program_files LIST_DIRECTORIES false RELATIVE ${DIST} ${DIST}/*)
list(FILTER program_files EXCLUDE REGEX "^Preferences\\.ini$")
list(FILTER program_files EXCLUDE REGEX "^Profiles/")
list(SORT program_files)
file(GLOB profiles LIST_DIRECTORIES false RELATIVE ${SHIPPED_PROFILES} ${SHIPPED_PROFILES}/*.apf)
list(SORT profiles)

# Everything the outputs depend on, with sizes and times.
set(signature "${VERSION}")
foreach(f ${NSI} ${CMAKE_CURRENT_LIST_FILE} ${ICON} ${SIDE_PICTURE} ${SHIPPED_PREFERENCES})
  file(SHA256 ${f} h)
  string(APPEND signature "\n${f} ${h}")
endforeach()
foreach(f ${program_files})
  file(SIZE ${DIST}/${f} size)
  file(TIMESTAMP ${DIST}/${f} time "%Y%m%d%H%M%S" UTC)
  string(APPEND signature "\n${f} ${size} ${time}")
endforeach()
foreach(f ${profiles})
  file(SHA256 ${SHIPPED_PROFILES}/${f} h)
  string(APPEND signature "\nProfiles/${f} ${h}")
endforeach()

set(setup ${OUT_DIR}/Korvane-${VERSION}-setup.exe)
set(zip ${OUT_DIR}/Korvane-${VERSION}.zip)
set(signature_file ${WORK_DIR}/signature.txt)
if(EXISTS ${setup} AND EXISTS ${zip} AND EXISTS ${signature_file})
  file(READ ${signature_file} previous)
  if(previous STREQUAL signature)
    return()
  endif()
endif()
message(STATUS "Making the installer and the zip of the program folder")
file(REMOVE ${signature_file})

# The program folder as it is shipped.
set(stage ${WORK_DIR}/Korvane)
file(REMOVE_RECURSE ${stage})
foreach(f ${program_files})
  get_filename_component(dir ${f} DIRECTORY)
  file(COPY ${DIST}/${f} DESTINATION ${stage}/${dir})
endforeach()
file(COPY ${SHIPPED_PREFERENCES} DESTINATION ${stage})
foreach(f ${profiles})
  file(COPY ${SHIPPED_PROFILES}/${f} DESTINATION ${stage}/Profiles)
endforeach()

# NSIS text: "$" starts a variable, so a file name's own "$" is doubled.
function(nsis_path out path)
  string(REPLACE "$" "$$" path "${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

set(install "!macro KorvaneInstallFiles\n")
set(remove "!macro KorvaneRemoveProgramFiles\n")
set(current_dir "-")
set(dirs)
foreach(f ${program_files})
  get_filename_component(dir ${f} DIRECTORY)
  string(REPLACE "/" "\\" windows_dir "${dir}")
  string(REPLACE "/" "\\" windows_file "${f}")
  nsis_path(windows_dir "${windows_dir}")
  nsis_path(windows_file "${windows_file}")
  nsis_path(source "${stage}/${f}")
  if(NOT dir STREQUAL current_dir)
    if(dir STREQUAL "")
      string(APPEND install "  SetOutPath \"$INSTDIR\"\n")
    else()
      string(APPEND install "  SetOutPath \"$INSTDIR\\${windows_dir}\"\n")
      list(APPEND dirs "${windows_dir}")
    endif()
    set(current_dir "${dir}")
  endif()
  string(APPEND install "  File \"${source}\"\n")
  string(APPEND remove "  Delete \"$INSTDIR\\${windows_file}\"\n")
endforeach()
# Folders below the program folder, deepest first; RMDir leaves one that is not empty.
list(REMOVE_DUPLICATES dirs)
list(SORT dirs)
list(REVERSE dirs)
foreach(d ${dirs})
  string(APPEND remove "  RMDir \"$INSTDIR\\${d}\"\n")
endforeach()
string(APPEND remove "!macroend\n")

# The files the user may change: never overwritten by a reinstallation.
set(shipped "!macro KorvaneShippedUserFiles DEST\n  SetOutPath \"\${DEST}\"\n")
string(APPEND install "  SetOverwrite off\n  SetOutPath \"$INSTDIR\"\n  File \"${stage}/Preferences.ini\"\n")
string(APPEND shipped "  File \"${stage}/Preferences.ini\"\n  SetOutPath \"\${DEST}\\Profiles\"\n")
string(APPEND install "  SetOutPath \"$INSTDIR\\Profiles\"\n")
foreach(f ${profiles})
  nsis_path(source "${stage}/Profiles/${f}")
  string(APPEND install "  File \"${source}\"\n")
  string(APPEND shipped "  File \"${source}\"\n")
endforeach()
string(APPEND install "  SetOverwrite on\n!macroend\n")
string(APPEND shipped "!macroend\n")
file(WRITE ${WORK_DIR}/files.nsh "; Made by make-installer.cmake from the program folder.\n${install}\n${remove}\n${shipped}")

# makensis wants four numbers for the version resource.
string(REPLACE "." ";" parts "${VERSION}")
list(LENGTH parts n)
while(n LESS 4)
  list(APPEND parts 0)
  math(EXPR n "${n} + 1")
endwhile()
list(SUBLIST parts 0 4 parts)
string(REPLACE ";" "." version4 "${parts}")

file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(
  COMMAND ${MAKENSIS} -V2 -NOCD
    -DVERSION=${VERSION} -DVERSION4=${version4} -DICON=${ICON} -DSIDE_PICTURE=${SIDE_PICTURE}
    -DOUTFILE=${setup} -DFILES=${WORK_DIR}/files.nsh ${NSI}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${setup})
  message(FATAL_ERROR "makensis failed (${result})")
endif()

file(REMOVE ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Korvane
  WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "making ${zip} failed")
endif()
file(WRITE ${signature_file} "${signature}")
