# Test programs run under Wine in a private prefix inside the build folder:
# the 64-bit build under 64-bit Wine, the 32-bit one under 32-bit Wine in a
# win32 prefix, the arm64 one under the arm64 root's 64-bit Wine, whose
# loader has the same name. Each program runs once in a single-byte and once in a
# double-byte ANSI code page, and once more with heap validation.

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VELANDOR_WINEARCH win32)
  set(VELANDOR_WINE_LOADER /usr/lib/wine/wine)
else()
  set(VELANDOR_WINEARCH win64)
  set(VELANDOR_WINE_LOADER /usr/lib/wine/wine64)
endif()
file(WRITE ${CMAKE_BINARY_DIR}/wine.env
  "WINEARCH=${VELANDOR_WINEARCH}\nwine_loader=${VELANDOR_WINE_LOADER}\n")

set(VELANDOR_WINE ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
set(VELANDOR_HEAPCHECK ${CMAKE_SOURCE_DIR}/cmake/wine-heapcheck.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELANDOR_WINE} ${CMAKE_BINARY_DIR})

# Wine takes its ANSI code page from the locale; the test root has the
# locales of these six, whose data the C library needs for any non-ASCII
# file name. For a locale that Windows has no ANSI code page for, Wine
# gives UTF-8, as Windows does with its worldwide-language option.
set(VELANDOR_LOCALE_cp1252 en_US)
set(VELANDOR_LOCALE_cp932 ja_JP)
set(VELANDOR_LOCALE_cp936 zh_CN)
set(VELANDOR_LOCALE_cp950 zh_TW)
set(VELANDOR_LOCALE_cp949 ko_KR)
set(VELANDOR_LOCALE_cp65001 hi_IN)

# The prefix is made once before any test, and its server kept for the whole
# run: tests that made a new prefix at the same moment would race.
add_test(NAME wine.start COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-server.sh ${CMAKE_BINARY_DIR} start)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine LABELS wine)
add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-server.sh ${CMAKE_BINARY_DIR} stop)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine LABELS wine)

# velandor_add_wine_test(NAME TARGET [DESKTOP] [EAST_ASIAN] [UTF8 FILTER]
# [ARGS ...]): registers TARGET as NAME.cp1252 and NAME.cp932, and once more
# as NAME.heap: in code page 932 with Wine validating the heap at every
# call. EAST_ASIAN adds the double-byte code pages of Chinese, Taiwanese and
# Korean systems, NAME.cp936, NAME.cp950 and NAME.cp949. UTF8 adds
# NAME.cp65001, UTF-8 as the ANSI code page, running the tests that the
# GoogleTest filter FILTER names ("*" for all). DESKTOP marks tests that
# open popups or message boxes; those take the one virtual desktop in turn.
function(velandor_add_wine_test name target)
  cmake_parse_arguments(PARSE_ARGV 2 arg "DESKTOP;EAST_ASIAN" "UTF8" "ARGS")
  set(pages cp1252 cp932)
  if(arg_EAST_ASIAN)
    list(APPEND pages cp936 cp950 cp949)
  endif()
  if(arg_UTF8)
    list(APPEND pages cp65001)
  endif()
  set(tests)
  foreach(page ${pages})
    set(environment "LC_ALL=${VELANDOR_LOCALE_${page}}.UTF-8")
    # The other pages are there for the cases of their characters; the bulk
    # loops have run in full in 1252 and 932.
    if(NOT page MATCHES "^cp(1252|932)$")
      list(APPEND environment VELANDOR_LIGHT_WORKLOAD=1)
    endif()
    set(filter)
    if(page STREQUAL cp65001)
      set(filter "--gtest_filter=${arg_UTF8}")
    endif()
    add_test(NAME ${name}.${page} COMMAND ${target} ${filter} ${arg_ARGS})
    set_tests_properties(${name}.${page} PROPERTIES ENVIRONMENT "${environment}" LABELS "wine;${page}")
    list(APPEND tests ${name}.${page})
  endforeach()
  add_test(NAME ${name}.heap
    COMMAND ${VELANDOR_HEAPCHECK} ${CMAKE_BINARY_DIR} $<TARGET_FILE:${target}> ${arg_ARGS})
  set_tests_properties(${name}.heap PROPERTIES
    ENVIRONMENT "LC_ALL=ja_JP.UTF-8"
    LABELS "wine;heap")
  list(APPEND tests ${name}.heap)
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine)
  if(arg_DESKTOP)
    # One at a time, and first: the rest of the suite fills the other
    # processor around them instead of holding up the last of them.
    set_tests_properties(${tests} PROPERTIES RESOURCE_LOCK desktop COST 1000)
  endif()
endfunction()
