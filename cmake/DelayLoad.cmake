# Delay-loading of system DLLs for the Windows programs:
#   vistero_delay_load(<target> <library>...)
# The target then loads each library (comdlg32, comctl32, ...) the first time
# one of its functions is called, instead of at process start. For a program
# that mostly sits in the notification area this matters: under Wine,
# comdlg32 brings winspool and with it the printing system's Unix libraries
# (several MiB resident), and comctl32 another 3 MiB, for dialogs a silent
# start never opens.
#
# How: for each library, a delay-import library of the same name
# (lib<library>.a) is made from the toolchain's own import library, listing
# the same functions, and the target's link searches its folder first. So the
# target links exactly as before, every call unchanged, and only the way the
# DLL is bound differs. The target must not call the library before it is
# needed (in particular InitCommonControlsEx at start-up, for comctl32).

function(vistero_delay_load target)
  if(NOT WIN32 OR NOT CMAKE_DLLTOOL OR NOT CMAKE_NM)
    return()
  endif()
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}-delay-load)
  set(decorated 0)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(decorated 1)
  endif()
  set(outputs)
  foreach(library ${ARGN})
    find_library(VISTERO_IMPORT_LIBRARY_${library} NAMES lib${library}.a ${library} REQUIRED)
    set(output ${folder}/lib${library}.a)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND}
              -DIMPORT_LIBRARY=${VISTERO_IMPORT_LIBRARY_${library}}
              -DDLL=${library}.dll -DOUTPUT=${output} -DFOLDER=${folder}
              -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL}
              -DSTDCALL_DECORATED=${decorated}
              -P ${PROJECT_SOURCE_DIR}/cmake/MakeDelayImportLibrary.cmake
      DEPENDS ${VISTERO_IMPORT_LIBRARY_${library}} ${PROJECT_SOURCE_DIR}/cmake/MakeDelayImportLibrary.cmake
      COMMENT "Delay-import library for ${library}.dll"
      VERBATIM)
    list(APPEND outputs ${output})
  endforeach()
  add_custom_target(${target}_delay_load DEPENDS ${outputs})
  add_dependencies(${target} ${target}_delay_load)
  # Relinked when the list of delay-loaded libraries changes.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${outputs})
  target_link_directories(${target} BEFORE PRIVATE ${folder})
  # __delayLoadHelper2, which binds a function at its first call.
  target_link_libraries(${target} PRIVATE delayimp)
endfunction()
