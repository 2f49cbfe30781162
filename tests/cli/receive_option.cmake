# `voxmere --receive WORD`: a word that names no receive mode ends the
# program before any window, saying what the option takes; the help names
# the option. The program reads no settings of the user's here.
# Run as: cmake -DPROGRAM=<path to voxmere> -DCONFIG_HOME=<empty folder> -P receive_option.cmake
if(NOT PROGRAM OR NOT CONFIG_HOME)
  message(FATAL_ERROR "PROGRAM and CONFIG_HOME must be given")
endif()
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{XDG_CONFIG_HOME} "${CONFIG_HOME}")

execute_process(COMMAND ${PROGRAM} --receive sideways
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
if(NOT code STREQUAL "2")
  message(FATAL_ERROR "voxmere --receive sideways exited with ${code}, not 2\nstdout:\n${out}\nstderr:\n${err}")
endif()
string(FIND "${err}" "--receive takes standard or fast" at)
if(at EQUAL -1)
  message(FATAL_ERROR "voxmere --receive sideways did not say what the option takes\nstderr:\n${err}")
endif()
if(EXISTS "${CONFIG_HOME}/voxmere")
  message(FATAL_ERROR "voxmere --receive sideways wrote settings into ${CONFIG_HOME}/voxmere")
endif()

execute_process(COMMAND ${PROGRAM} --help
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
string(FIND "${out}" "--receive <MODE>" at)
if(NOT code STREQUAL "0" OR at EQUAL -1)
  message(FATAL_ERROR "voxmere --help does not name --receive <MODE>\nstdout:\n${out}\nstderr:\n${err}")
endif()
message(STATUS "voxmere --receive sideways: ${err}")
