# Script mode (cmake -P), run by vistero_delay_load: writes a delay-import
# library for DLL with the functions of the toolchain's IMPORT_LIBRARY.
#   -DIMPORT_LIBRARY= -DDLL= -DOUTPUT= -DFOLDER= -DNM= -DDLLTOOL= -DSTDCALL_DECORATED=0|1

execute_process(COMMAND ${NM} -g --defined-only ${IMPORT_LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status ERROR_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${IMPORT_LIBRARY}")
endif()

# Every function has a thunk, a text symbol of its own name; data exports
# have none and cannot be delay-loaded, so they are left out.
string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" thunks "${symbols}")
set(names)
foreach(thunk ${thunks})
  string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${thunk}")
  if(STDCALL_DECORATED)
    # 32-bit: "_Name@4" is the symbol of the export "Name".
    string(REGEX REPLACE "^_" "" name "${name}")
  endif()
  list(APPEND names "${name}")
endforeach()
list(REMOVE_DUPLICATES names)
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "no functions found in ${IMPORT_LIBRARY}")
endif()

get_filename_component(stem ${OUTPUT} NAME_WE)
set(definitions ${FOLDER}/${stem}.def)
list(JOIN names "\n" lines)
file(MAKE_DIRECTORY ${FOLDER})
file(WRITE ${definitions} "LIBRARY ${DLL}\nEXPORTS\n${lines}\n")

set(kill_at)
if(STDCALL_DECORATED)
  # The DLL exports "Name" where the program's code calls "Name@4".
  set(kill_at --kill-at)
endif()
execute_process(COMMAND ${DLLTOOL} --input-def ${definitions} --dllname ${DLL} ${kill_at}
                        --output-delaylib ${OUTPUT}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}")
endif()
