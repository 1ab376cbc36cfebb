# Warnings for everything the project compiles itself. They are errors for the
# project's own builds (the presets and CI turn VARNOLO_WERROR on); a user's
# build with another compiler still builds when a new warning appears.
option(VARNOLO_WERROR "Treat compiler warnings as errors" OFF)

function(varnolo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
  if(VARNOLO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# GCC 12 reports false positives inside std::optional<std::vector>, array
# copies and string operations that it cannot see through; code that builds
# such values at length (tests, the simulator) turns those four off.
function(varnolo_quiet_gcc12_false_positives target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized -Wno-array-bounds
                                             -Wno-stringop-overread -Wno-stringop-overflow)
  endif()
endfunction()
