# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the kestrow-dfs manual page from its template, with the SYNOPSIS taken from
# the built program's own usage text, so that the page and "--help" never disagree.
#
#   cmake -DTOOL=kestrow-dfs -DTEMPLATE=kestrow-dfs.1.in -DOUTPUT=kestrow-dfs.1
#         -DPROJECT_VERSION=... -DKESTROW_RELEASE_DATE=... -P ManPage.cmake
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE usage RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed: ${status}")
endif()

# The usage lists the commands two to a line, each a run of words with single spaces.
string(REPLACE "\n" ";" usage_lines "${usage}")
set(KESTROW_DFS_SYNOPSIS ".B kestrow-dfs\n.I COMMAND ARGUMENTS")
foreach(line IN LISTS usage_lines)
  if(NOT line MATCHES "^  [a-z]")
    continue()
  endif()
  string(REGEX MATCHALL "[^ ]+( [^ ]+)*" synopses "${line}")
  foreach(synopsis IN LISTS synopses)
    string(REGEX MATCH "^[a-z]+" command "${synopsis}")
    # Each command's own usage line must be the one the overview gives.
    execute_process(COMMAND ${TOOL} ${command} --help OUTPUT_VARIABLE own RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT own STREQUAL "Usage: kestrow-dfs ${synopsis}\n")
      message(FATAL_ERROR "${TOOL} ${command} --help gives \"${own}\", not \"${synopsis}\"")
    endif()
    string(REGEX REPLACE "^[a-z]+ ?" "" arguments "${synopsis}")
    string(REPLACE "-" "\\-" arguments "${arguments}")
    string(APPEND KESTROW_DFS_SYNOPSIS "\n.br\n.B kestrow-dfs ${command}\n${arguments}")
  endforeach()
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
