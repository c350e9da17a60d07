# Flags and helpers shared by every target.

if(WIN32)
  enable_language(RC)
  add_compile_definitions(
    NOMINMAX STRICT
    WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800
    # Byte strings and the "A" functions throughout.
    _MBCS
    # The functions of the libraries that Vistero.exe loads at first use
    # (all but kernel32's and the C runtime's) are declared as plain
    # functions, not dllimport: calls then go to the delay-load thunk rather
    # than straight through its import slot. On x86 the linker's section
    # collection does not follow the slots' references, so a thunk that only
    # its slot names is dropped and the slot is left 0: the first
    # CoInitializeEx jumped to address 0. Called directly, every thunk in use
    # is kept. The programs that bind these libraries at start (the tests)
    # call the import library's stub instead, one jump more.
    _USER32_ _GDI32_ _ADVAPI32_ _SHELL32_ _OLE32_ WINCOMMCTRLAPI= WINCOMMDLGAPI=)
  # Keep the exe small: unused sections go away at link time, and the code is
  # built for size. The code the benchmarks time (the profile, the list and
  # its choice, the wallpaper writer, the dialog's list) keeps the Release
  # flags through vistero_built_for_speed: at -Os throughout, the x86-64 exe
  # shrank from 389,120 to 308,736 bytes but a load of 1,000 entries through
  # the file slowed from 1.2 to 1.5 ms, and with only the profile and the
  # list kept at -O3, FillList of 5,000 rows was 2% slower. This way it is
  # 367,616 bytes, and every timed figure within 1 or 2% of before, in
  # alternating runs.
  add_compile_options(-ffunction-sections -fdata-sections $<$<CONFIG:Release>:-Os>)
  # The runtime (libstdc++, libgcc, winpthread) is linked statically so that
  # the exe imports nothing but Windows system DLLs.
  add_link_options(-static -Wl,--gc-sections)
endif()

add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)

# Built as a Release build is without the size flag above.
function(vistero_built_for_speed target)
  if(WIN32)
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-O3>)
  endif()
endfunction()

option(VISTERO_FUZZ "Build the fuzz targets (clang)" OFF)
if(VISTERO_FUZZ)
  # Coverage for the fuzzer in every library, not only in the target itself.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(VISTERO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# A Windows test is one GoogleTest executable run under Wine as one ctest
# test: starting a Wine process per test case would cost more than the tests.
# It is also one test of the Windows test kit (tests/kit), with the time-out
# its test has when the folder's list is done.
function(vistero_add_windows_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} test_kept_user_settings GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(NOT ARG_LABELS)
    set(ARG_LABELS windows)
  endif()
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 300)
  endif()
  cmake_language(EVAL CODE "cmake_language(DEFER CALL vistero_kit_test [[${name}]])")
endfunction()

function(vistero_kit_test name)
  set(timeout 300)
  if(TEST ${name})
    get_test_property(${name} TIMEOUT timeout)
  endif()
  set_property(GLOBAL APPEND PROPERTY VISTERO_KIT_TESTS "${name}|${timeout}")
endfunction()

# Tests of the platform-neutral core run natively under the sanitizers, each
# test case as its own ctest test, and once more on the Windows runtime.
function(vistero_add_core_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  if(WIN32)
    vistero_add_windows_test(${name} SOURCES ${ARG_SOURCES} LIBRARIES ${ARG_LIBRARIES})
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    VISTERO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  include(GoogleTest)
  gtest_discover_tests(${name} PROPERTIES LABELS native DISCOVERY_TIMEOUT 60)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/DelayLoad.cmake)
