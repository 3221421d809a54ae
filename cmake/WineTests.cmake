# Tests of the 64-bit build run under 64-bit Wine in a private prefix inside
# the build folder, each once in a single-byte and once in a double-byte ANSI
# code page.

set(VELANDOR_WINE ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
set(VELANDOR_HEAPCHECK ${CMAKE_SOURCE_DIR}/cmake/wine-heapcheck.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELANDOR_WINE} ${CMAKE_BINARY_DIR})

# Wine takes its ANSI code page from the locale, and the C library needs the
# locale's data for any non-ASCII file name; both are compiled into the build
# folder rather than into the system.
set(VELANDOR_LOCALES ${CMAKE_BINARY_DIR}/locale)
foreach(locale ja_JP en_US)
  if(NOT EXISTS ${VELANDOR_LOCALES}/${locale}.UTF-8/LC_CTYPE)
    file(MAKE_DIRECTORY ${VELANDOR_LOCALES})
    execute_process(COMMAND localedef -i ${locale} -f UTF-8 ${VELANDOR_LOCALES}/${locale}.UTF-8
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(NOT EXISTS ${VELANDOR_LOCALES}/${locale}.UTF-8/LC_CTYPE)
      message(FATAL_ERROR "localedef could not build ${locale}.UTF-8 (is the 'locales' package installed?)")
    endif()
  endif()
endforeach()

# The prefix is made once before any test, and its server kept for the whole
# run: tests that made a new prefix at the same moment would race.
add_test(NAME wine.start COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-server.sh ${CMAKE_BINARY_DIR} start)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-server.sh ${CMAKE_BINARY_DIR} stop)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)

# velandor_add_wine_test(NAME TARGET [DESKTOP] [ARGS ...]): registers TARGET as
# NAME.cp1252 and NAME.cp932, and once more as NAME.heap: in code page 932
# with Wine validating the heap at every call. DESKTOP marks tests that open
# popups or message boxes; those take the one virtual desktop in turn.
function(velandor_add_wine_test name target)
  cmake_parse_arguments(PARSE_ARGV 2 arg "DESKTOP" "" "ARGS")
  foreach(page cp1252 cp932)
    if(page STREQUAL cp932)
      set(locale ja_JP.UTF-8)
    else()
      set(locale en_US.UTF-8)
    endif()
    add_test(NAME ${name}.${page} COMMAND ${target} ${arg_ARGS})
    set_tests_properties(${name}.${page} PROPERTIES
      ENVIRONMENT "LC_ALL=${locale};LOCPATH=${VELANDOR_LOCALES}"
      FIXTURES_REQUIRED wine
      LABELS ${page})
  endforeach()
  add_test(NAME ${name}.heap
    COMMAND ${VELANDOR_HEAPCHECK} ${CMAKE_BINARY_DIR} $<TARGET_FILE:${target}> ${arg_ARGS})
  set_tests_properties(${name}.heap PROPERTIES
    ENVIRONMENT "LC_ALL=ja_JP.UTF-8;LOCPATH=${VELANDOR_LOCALES}"
    FIXTURES_REQUIRED wine
    LABELS heap)
  if(arg_DESKTOP)
    set_tests_properties(${name}.cp1252 ${name}.cp932 ${name}.heap PROPERTIES RESOURCE_LOCK desktop)
  endif()
endfunction()
