# Installs the program into a prefix of its own and runs the installed
# program from an unrelated folder without a display: the command-line
# report of a spring file and the console start on the default spring must
# both find the program's own files and leave nothing but the report in the
# folder they were started from.
# Called by CTest with -DBUILD_DIR=... -DSOURCE_DIR=...
set(work ${BUILD_DIR}/install-test)
set(prefix ${work}/prefix)
set(elsewhere ${work}/elsewhere)
set(temp ${work}/temp)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${elsewhere} ${temp})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()
set(kor2 ${prefix}/bin/kor2)
foreach(f kor2.err quorvex.hlp fedwst.dbf TRAIN/null.kr2)
  if(NOT EXISTS ${prefix}/share/kor2/${f})
    message(FATAL_ERROR "not installed: share/kor2/${f}")
  endif()
endforeach()

# The shipped springs other than the default one, in the user's folder.
file(GLOB springs ${SOURCE_DIR}/data/TRAIN/*.kr2)
list(FILTER springs EXCLUDE REGEX "/null\\.kr2$")
set(names)
foreach(spring ${springs})
  get_filename_component(name ${spring} NAME_WE)
  configure_file(${spring} ${elsewhere}/${name}.kr2 COPYONLY)
  list(APPEND names ${name})
endforeach()
if(NOT names)
  message(FATAL_ERROR "no demo spring in data/TRAIN")
endif()

unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
unset(ENV{TEMP})
set(ENV{TMPDIR} ${temp})

function(expect_only_files folder)
  file(GLOB left RELATIVE ${folder} ${folder}/*)
  list(SORT left)
  set(want ${ARGN})
  list(SORT want)
  if(NOT "${left}" STREQUAL "${want}")
    message(FATAL_ERROR "${folder} holds [${left}], expected [${want}]")
  endif()
endfunction()

set(expected)
foreach(name ${names})
  execute_process(COMMAND ${kor2} ${name}.kr2 /I WORKING_DIRECTORY ${elsewhere}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "kor2 ${name}.kr2 /I ended with ${rc}:\n${out}\n${err}")
  endif()
  file(READ ${elsewhere}/${name}.txt report)
  if(report STREQUAL "" OR report MATCHES "Rm = 0")
    message(FATAL_ERROR "report of ${name} without material:\n${report}")
  endif()
  list(APPEND expected ${name}.kr2 ${name}.txt)
endforeach()
expect_only_files(${elsewhere} ${expected})
# The report's own temporary files are gone (the material table's key index
# stays in the temporary folder and is rebuilt at the next lookup).
file(GLOB left RELATIVE ${temp} ${temp}/*)
list(FILTER left EXCLUDE REGEX "^fedwst\\.(ndx|NDX)$")
if(left)
  message(FATAL_ERROR "left in the temporary folder: ${left}")
endif()

# Without a spring file: the default spring of the installation.
execute_process(COMMAND ${kor2} WORKING_DIRECTORY ${elsewhere}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR out MATCHES "Rm = 0" OR NOT out MATCHES "Zugfederberechnung")
  message(FATAL_ERROR "kor2 on the default spring ended with ${rc}:\n${out}\n${err}")
endif()
expect_only_files(${elsewhere} ${expected})
file(REMOVE_RECURSE ${work})
