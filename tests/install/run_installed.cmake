# Installs the program into a prefix of its own and runs the installed
# program from an unrelated folder without a display: the command-line
# report of a spring file and the console start on the default spring must
# both find the program's own files and leave nothing but the report in the
# folder they were started from. Where the test runs as root it also runs
# the installation as a second account ("nobody", for whom it is read-only)
# from a folder that account cannot write, with a temporary folder of its
# own (also one below a folder it may pass through but not list), and
# several reports of that account at once with one temporary folder.
# Called by CTest with -DBUILD_DIR=... -DSOURCE_DIR=...

# A fresh folder that every account may enter, whatever the build folder's
# permissions are.
if(DEFINED ENV{TMPDIR} AND IS_DIRECTORY "$ENV{TMPDIR}")
  set(base "$ENV{TMPDIR}")
else()
  set(base /tmp)
endif()
string(RANDOM LENGTH 10 tag)
set(work ${base}/kor2-install-${tag})
set(prefix ${work}/prefix)
set(elsewhere ${work}/elsewhere)
set(temp ${work}/temp)
file(MAKE_DIRECTORY ${elsewhere} ${temp})
file(CHMOD ${work} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                               WORLD_READ WORLD_EXECUTE)

function(fail text)
  file(REMOVE_RECURSE ${work})
  message(FATAL_ERROR "${text}")
endfunction()

# Installed as an administrator does (umask 022: new folders readable by all),
# whatever umask the test runs under.
execute_process(COMMAND sh -c "umask 022 && exec \"$0\" --install \"$1\" --prefix \"$2\""
                        ${CMAKE_COMMAND} ${BUILD_DIR} ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  fail("cmake --install failed (${rc})")
endif()
set(kor2 ${prefix}/bin/kor2)
foreach(f kor2.err quorvex.hlp fedwst.dbf TRAIN/null.kr2 TRAIN/muster2.kr2)
  if(NOT EXISTS ${prefix}/share/kor2/${f})
    fail("not installed: share/kor2/${f}")
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
  fail("no demo spring in data/TRAIN")
endif()

unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
unset(ENV{TEMP})
set(ENV{TMPDIR} ${temp})
set(ENV{XDG_CONFIG_HOME} ${work}/config)  # never the real user's configuration

function(expect_only_files folder)
  file(GLOB left RELATIVE ${folder} ${folder}/*)
  list(SORT left)
  set(want ${ARGN})
  list(SORT want)
  if(NOT "${left}" STREQUAL "${want}")
    fail("${folder} holds [${left}], expected [${want}]")
  endif()
endfunction()

# A report that computed with the spring's material, and said nothing of a
# folder it could not use.
function(expect_report file output)
  if(NOT EXISTS ${file})
    fail("no report ${file}:\n${output}")
  endif()
  file(READ ${file} report)
  if(report STREQUAL "" OR report MATCHES "Rm = 0" OR report MATCHES "FEDWST DBF")
    fail("report ${file} without its material:\n${report}")
  endif()
  if(output MATCHES "ltiger [A-Za-z]+ Ordner")
    fail("folder error at the start:\n${output}")
  endif()
endfunction()

set(expected)
foreach(name ${names})
  execute_process(COMMAND ${kor2} ${name}.kr2 /I WORKING_DIRECTORY ${elsewhere}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    fail("kor2 ${name}.kr2 /I ended with ${rc}:\n${out}\n${err}")
  endif()
  expect_report(${elsewhere}/${name}.txt "${out}${err}")
  list(APPEND expected ${name}.kr2 ${name}.txt)
endforeach()
expect_only_files(${elsewhere} ${expected})
expect_only_files(${temp})

# Without a spring file: the default spring of the installation.
execute_process(COMMAND ${kor2} WORKING_DIRECTORY ${elsewhere}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR out MATCHES "Rm = 0" OR NOT out MATCHES "Zugfederberechnung")
  fail("kor2 on the default spring ended with ${rc}:\n${out}\n${err}")
endif()
expect_only_files(${elsewhere} ${expected})
expect_only_files(${temp})

# ---- A second account --------------------------------------------------------
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
find_program(RUNUSER runuser PATHS /usr/sbin /sbin)
if(NOT uid STREQUAL "0" OR NOT RUNUSER)
  message(STATUS "second account not tried: needs root and runuser")
  file(REMOVE_RECURSE ${work})
  return()
endif()

# Folders of the account: its spring folders and temporary folders are its
# own; the folder it starts from is one it may only read.
set(other ${work}/other)
set(readonly ${other}/readonly)
set(springs ${other}/springs)
set(otemp ${other}/temp)
set(shared ${other}/shared-temp)
file(MAKE_DIRECTORY ${readonly} ${springs} ${otemp} ${shared})
configure_file(${SOURCE_DIR}/data/TRAIN/muster2.kr2 ${springs}/muster2.kr2 COPYONLY)
set(runs 1 2 3 4 5 6)
foreach(n ${runs})
  file(MAKE_DIRECTORY ${other}/run${n})
  math(EXPR odd "${n} % 2")
  if(odd)
    configure_file(${SOURCE_DIR}/data/TRAIN/muster2.kr2 ${other}/run${n}/s${n}.kr2 COPYONLY)
  else()
    configure_file(${SOURCE_DIR}/data/TRAIN/muster1.kr2 ${other}/run${n}/s${n}.kr2 COPYONLY)
  endif()
endforeach()
execute_process(COMMAND chown -R nobody ${springs} ${otemp} ${shared})
foreach(n ${runs})
  execute_process(COMMAND chown -R nobody ${other}/run${n})
endforeach()
file(CHMOD ${other} ${readonly} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
           GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The spring of a table material, reported from the read-only folder; the
# second time with the temporary folder below a folder the account may pass
# through but not list (mode 0711, as above users' home folders), where the
# table engine's upper-cased names of the copied table must still lead to it.
set(passable ${other}/passable)
file(MAKE_DIRECTORY ${passable}/temp)
execute_process(COMMAND chown nobody ${passable}/temp)
file(CHMOD ${passable} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
foreach(t ${otemp} ${passable}/temp)
  file(REMOVE ${springs}/muster2.txt)
  execute_process(COMMAND ${RUNUSER} -u nobody -- env TMPDIR=${t} ${kor2}
                          ${springs}/muster2.kr2 /I
                  WORKING_DIRECTORY ${readonly}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    fail("kor2 muster2.kr2 /I as nobody with TMPDIR ${t} ended with ${rc}:\n${out}\n${err}")
  endif()
  expect_report(${springs}/muster2.txt "${out}${err}")
  expect_only_files(${springs} muster2.kr2 muster2.txt)
  expect_only_files(${t})
  expect_only_files(${readonly})
endforeach()

# The default spring, started from the read-only folder.
execute_process(COMMAND ${RUNUSER} -u nobody -- env TMPDIR=${otemp} ${kor2}
                WORKING_DIRECTORY ${readonly}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "Zugfederberechnung" OR "${out}${err}" MATCHES "ltiger")
  fail("kor2 on the default spring as nobody ended with ${rc}:\n${out}\n${err}")
endif()
expect_only_files(${otemp})
expect_only_files(${readonly})

# Several reports of the account at once, one temporary folder for all.
set(script "")
foreach(n ${runs})
  # Quoted: the folders may hold blanks.
  string(APPEND script "(cd '${other}/run${n}' && '${kor2}' s${n}.kr2 /I >out 2>&1; echo $? >rc) &\n")
endforeach()
string(APPEND script "wait\n")
execute_process(COMMAND ${RUNUSER} -u nobody -- env TMPDIR=${shared} sh -c "${script}"
                RESULT_VARIABLE rc)
foreach(n ${runs})
  file(READ ${other}/run${n}/rc code)
  file(READ ${other}/run${n}/out out)
  string(STRIP "${code}" code)
  if(NOT code STREQUAL "0")
    fail("kor2 s${n}.kr2 /I at once with the others ended with ${code}:\n${out}")
  endif()
  expect_report(${other}/run${n}/s${n}.txt "${out}")
  # Each report names its own spring: the two demos have drawing numbers
  # of their own.
  file(READ ${other}/run${n}/s${n}.txt report)
  math(EXPR odd "${n} % 2")
  if(odd)
    file(READ ${SOURCE_DIR}/data/TRAIN/muster2.kr2 spring)
  else()
    file(READ ${SOURCE_DIR}/data/TRAIN/muster1.kr2 spring)
  endif()
  string(REGEX MATCH "Zeichn\\.Nr\\.: [^\r\n]*" number "${spring}")
  string(FIND "${report}" "${number}" at)
  if(number STREQUAL "" OR at EQUAL -1)
    fail("report of run ${n} does not name its spring (${number}):\n${report}")
  endif()
endforeach()
expect_only_files(${shared})
file(REMOVE_RECURSE ${work})
