# Writes the Windows module definition from the export list: every function
# under its plain name with its fixed ordinal. On 32-bit x86 each plain name
# is mapped to its stdcall symbol Name@Bytes, so that the link fails when a
# function's argument size differs from the list.
#
# On 32-bit x86 it also writes `out_import_def`, from which the import library
# is made: there the callers' stdcall symbols Name@Bytes lead to the plain
# names, as programs compiled with varnolo.h ask for them.
function(varnolo_module_definition exports_inc out_def out_import_def)
  file(STRINGS ${exports_inc} lines REGEX "^VARNOLO_EXPORT")
  set(def "LIBRARY Varnolo.dll\nEXPORTS\n")
  set(import_def "LIBRARY Varnolo.dll\nEXPORTS\n")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "VARNOLO_EXPORT\\( *([0-9]+), *([A-Za-z0-9_]+), *([0-9]+)\\)")
      message(FATAL_ERROR "bad export line: ${line}")
    endif()
    set(ordinal ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    set(bytes ${CMAKE_MATCH_3})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND def "  ${name}=${name}@${bytes} @${ordinal}\n")
      string(APPEND import_def "  ${name}@${bytes} @${ordinal}\n")
    else()
      string(APPEND def "  ${name} @${ordinal}\n")
    endif()
  endforeach()
  file(WRITE ${out_def} "${def}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    file(WRITE ${out_import_def} "${import_def}")
  endif()
endfunction()
