# Every section of a PE file takes at least one 512-byte block of the file.
# The MinGW runtime gives a DLL two tiny sections of its own, .tls (8 bytes)
# and .CRT (a few dozen), which would cost two blocks of the plug-in's 64 KiB.
# velandor_merge_small_sections(TARGET) links TARGET with the linker's own
# script, changed only in that both go into .data: .tls at its very start,
# where section-relative TLS offsets stay what they were, .CRT at its end.
function(velandor_merge_small_sections target)
  # The linker leaves an empty a.exe behind, in the build folder rather than
  # wherever cmake was started.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -shared -Wl,--verbose
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    OUTPUT_VARIABLE output ERROR_QUIET)
  string(REGEX MATCH "\n=+\n(.*)\n=+\n" found "${output}")
  set(script "${CMAKE_MATCH_1}")

  # Cuts the output section NAME out of the script; its contents go to VARIABLE.
  function(take_section name variable)
    string(FIND "${script}" "  ${name} BLOCK(__section_alignment__) :" start)
    if(start EQUAL -1)
      message(FATAL_ERROR "the linker script has no ${name} section to merge")
    endif()
    string(SUBSTRING "${script}" ${start} -1 rest)
    string(FIND "${rest}" "{" open)
    string(FIND "${rest}" "\n  }\n" close)
    math(EXPR body_start "${open} + 1")
    math(EXPR body_length "${close} - ${body_start}")
    string(SUBSTRING "${rest}" ${body_start} ${body_length} body)
    math(EXPR section_length "${close} + 5")
    string(SUBSTRING "${rest}" 0 ${section_length} section)
    string(REPLACE "${section}" "" script "${script}")
    set(script "${script}" PARENT_SCOPE)
    set(${variable} "${body}" PARENT_SCOPE)
  endfunction()

  take_section(.tls tls_contents)
  take_section(.CRT crt_contents)
  foreach(anchor "    __data_start__ = . ;" "    __data_end__ = . ;")
    string(FIND "${script}" "${anchor}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "the linker script's .data has no '${anchor}'")
    endif()
  endforeach()
  string(REPLACE "    __data_start__ = . ;"
    "${tls_contents}\n    __data_start__ = . ;" script "${script}")
  # The runtime's .CRT$XD* markers have no place in the script; the linker
  # would make a section of their own for them.
  string(REPLACE "    __data_end__ = . ;"
    "    . = ALIGN(4);\n${crt_contents}\n    KEEP (*(SORT(.CRT$*)))\n    __data_end__ = . ;"
    script "${script}")

  set(script_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.ld)
  file(WRITE ${script_file} "${script}\n")
  target_link_options(${target} PRIVATE "LINKER:-T,${script_file}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script_file})
endfunction()
