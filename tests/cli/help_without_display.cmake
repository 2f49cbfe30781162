# `voxmere --help` on a terminal with no display: no X, no Wayland, no Qt
# platform chosen. It must print the options and exit 0, as a user who has
# just built the program types it before anything else.
# Run as: cmake -DPROGRAM=<path to voxmere> -P help_without_display.cmake
if(NOT PROGRAM)
  message(FATAL_ERROR "PROGRAM not given")
endif()
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})

execute_process(COMMAND ${PROGRAM} --help
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
if(NOT code STREQUAL "0")
  message(FATAL_ERROR "voxmere --help exited with ${code}\nstdout:\n${out}\nstderr:\n${err}")
endif()
foreach(option --midi-out --midi-in --midi-api --virtual-dx7 --audio-api --audio-out --list-ports --note-in --help)
  string(FIND "${out}" "${option}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "voxmere --help does not name ${option}\nstdout:\n${out}\nstderr:\n${err}")
  endif()
endforeach()
message(STATUS "voxmere --help without a display:\n${out}")
