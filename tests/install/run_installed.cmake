# Installs the program into a prefix of its own and runs the installed
# program from an unrelated folder without a display: the command-line
# report of a spring file and the console start on the default spring must
# both find the program's own files and leave nothing but the report behind.
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

# A shipped spring other than the default one, under a name of the user's.
file(GLOB springs ${SOURCE_DIR}/data/TRAIN/*.kr2)
list(FILTER springs EXCLUDE REGEX "/null\\.kr2$")
list(GET springs 0 spring)
configure_file(${spring} ${elsewhere}/file.kr2 COPYONLY)

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

execute_process(COMMAND ${kor2} file.kr2 /I WORKING_DIRECTORY ${elsewhere}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "kor2 file.kr2 /I ended with ${rc}:\n${out}\n${err}")
endif()
file(READ ${elsewhere}/file.txt report)
if(report STREQUAL "" OR report MATCHES "Rm = 0")
  message(FATAL_ERROR "report without material:\n${report}")
endif()
expect_only_files(${elsewhere} file.kr2 file.txt)
expect_only_files(${temp})

# Without a spring file: the default spring of the installation.
execute_process(COMMAND ${kor2} WORKING_DIRECTORY ${elsewhere}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR out MATCHES "Rm = 0" OR NOT out MATCHES "Zugfederberechnung")
  message(FATAL_ERROR "kor2 on the default spring ended with ${rc}:\n${out}\n${err}")
endif()
expect_only_files(${elsewhere} file.kr2 file.txt)
file(REMOVE_RECURSE ${work})
