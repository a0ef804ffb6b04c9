# Delay-loading of Windows DLLs: the program loads such a DLL at its first
# call into it rather than when the program starts.
#
#   include(cmake/delay-load.cmake)
#   tidewell_delay_load(<target> AFTER <library>... DLLS <dll>...)
#
# <dll> is a name without ".dll" (user32). AFTER names the static libraries
# that call the DLLs: GNU ld takes each import stub from the first archive on
# the link line that defines it once something needs it, so the stubs must
# follow the code that calls them and precede the regular import libraries,
# which the libraries' own links (and the compiler driver) add after them.
#
# MSVC does this itself (/DELAYLOAD with delayimp.lib). MinGW-w64 has the same
# mechanism (__delayLoadHelper2 in its runtime) but ships no delay-load import
# libraries, so they are made here at build time: the names the regular import
# library defines, listed by nm, become a .def file, from which dlltool makes
# lib<dll>_delay.a in <build>/delay-load.
#
# The same file is the script that makes one library, run by the build:
#   cmake -DNM=... -DDLLTOOL=... -DIMPORT_LIBRARY=... -DDLL=user32 -DDECORATED=ON|OFF
#         -DOUTPUT=.../libuser32_delay.a -P delay-load.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  # Every function of an import library has a thunk, a text symbol (T) named
  # after it; its other symbols are import-table parts (I) and section names.
  execute_process(COMMAND "${NM}" --defined-only "${IMPORT_LIBRARY}"
                  OUTPUT_VARIABLE symbols ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} ${IMPORT_LIBRARY} failed (${status}): ${errors}")
  endif()
  string(REGEX MATCHALL " T [^\r\n]+" thunks "${symbols}")
  set(exports "")
  foreach(thunk IN LISTS thunks)
    string(SUBSTRING "${thunk}" 3 -1 name)
    # 32-bit x86 C names carry a leading underscore that the export name does
    # not (_MessageBoxA@16 is MessageBoxA, dlltool -k drops the @16 from the
    # name it imports); __TrackMouseEvent@4 is _TrackMouseEvent.
    # (Only the first: string(REGEX REPLACE "^_") would take them all.)
    if(DECORATED AND name MATCHES "^_")
      string(SUBSTRING "${name}" 1 -1 name)
    endif()
    list(APPEND exports "  ${name}")
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(SORT exports)
  list(LENGTH exports count)
  if(count EQUAL 0)
    message(FATAL_ERROR "${IMPORT_LIBRARY}: nm listed no functions")
  endif()
  list(JOIN exports "\n" body)
  get_filename_component(folder "${OUTPUT}" DIRECTORY)
  set(def "${folder}/${DLL}.def")
  file(WRITE "${def}" "LIBRARY ${DLL}.dll\nEXPORTS\n${body}\n")
  set(kill_at "")
  if(DECORATED)
    set(kill_at -k)
  endif()
  file(REMOVE "${OUTPUT}")
  execute_process(COMMAND "${DLLTOOL}" ${kill_at} --input-def "${def}" --dllname "${DLL}.dll"
                          --temp-prefix "${DLL}_delay_tmp" --output-delaylib "${OUTPUT}"
                  WORKING_DIRECTORY "${folder}" ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT EXISTS "${OUTPUT}")
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT} (${status}): ${errors}")
  endif()
  return()
endif()

# A binutils program of the compiler's target: the one CMake found (CMAKE_NM,
# CMAKE_DLLTOOL), else <target triple>-<name> on the path.
function(_tidewell_target_tool out found name)
  if(found)
    set(${out} "${found}" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -dumpmachine OUTPUT_VARIABLE machine
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  find_program(TIDEWELL_${name}_PROGRAM NAMES "${machine}-${name}" "${name}" REQUIRED)
  set(${out} "${TIDEWELL_${name}_PROGRAM}" PARENT_SCOPE)
endfunction()

function(tidewell_delay_load target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "AFTER;DLLS")
  if(MSVC)
    foreach(dll IN LISTS arg_DLLS)
      target_link_options(${target} PRIVATE "/DELAYLOAD:${dll}.dll")
    endforeach()
    # LNK4199: a DLL named here that the program does not call (yet) is
    # simply not loaded; that is no fault.
    target_link_options(${target} PRIVATE /IGNORE:4199)
    target_link_libraries(${target} PRIVATE delayimp)
    return()
  endif()
  if(NOT MINGW)
    message(FATAL_ERROR "tidewell_delay_load: only for MSVC and MinGW-w64 builds")
  endif()

  _tidewell_target_tool(nm "${CMAKE_NM}" nm)
  _tidewell_target_tool(dlltool "${CMAKE_DLLTOOL}" dlltool)
  # The i386 C convention decorates names with a leading underscore.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(decorated ON)
  else()
    set(decorated OFF)
  endif()
  set(folder "${CMAKE_BINARY_DIR}/delay-load")
  file(MAKE_DIRECTORY "${folder}")
  set(stubs "")
  foreach(dll IN LISTS arg_DLLS)
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=lib${dll}.a
                    OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${import_library}" OR NOT EXISTS "${import_library}")
      message(FATAL_ERROR "tidewell_delay_load: ${CMAKE_CXX_COMPILER} has no lib${dll}.a")
    endif()
    file(REAL_PATH "${import_library}" import_library)
    set(stub "${folder}/lib${dll}_delay.a")
    add_custom_command(
      OUTPUT "${stub}"
      COMMAND "${CMAKE_COMMAND}" "-DNM=${nm}" "-DDLLTOOL=${dlltool}"
              "-DIMPORT_LIBRARY=${import_library}" "-DDLL=${dll}" "-DDECORATED=${decorated}"
              "-DOUTPUT=${stub}" -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
      DEPENDS "${import_library}" "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
      COMMENT "Making the delay-load import library of ${dll}.dll"
      VERBATIM)
    list(APPEND stubs "${stub}")
  endforeach()
  add_custom_target(${target}_delay_load DEPENDS ${stubs})
  add_dependencies(${target} ${target}_delay_load)
  target_link_libraries(${target} PRIVATE ${arg_AFTER} ${stubs})
  # The stubs call __delayLoadHelper2, which the MinGW-w64 runtime library
  # (libmingwex, linked by default) provides.
endfunction()
