# cmake -DISQL=... -DSCHEMA=... -DOUTPUT=... -DLOCK=... -P MakeDatabaseTemplate.cmake
# Creates OUTPUT (dialect 1, UTF8, owner ZINDO) and runs SCHEMA in it. The file is built under
# a temporary name and renamed at the end, so a failed run never leaves a half-made template.

foreach(var ISQL SCHEMA OUTPUT LOCK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeDatabaseTemplate: ${var} not set")
  endif()
endforeach()

get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder} ${LOCK})
set(partial ${OUTPUT}.partial)
set(script ${OUTPUT}.sql)
file(REMOVE ${partial} ${script})

string(REPLACE "'" "''" quoted ${partial})
file(READ ${SCHEMA} tables)
file(WRITE ${script}
  "SET SQL DIALECT 1;\n"
  "CREATE DATABASE '${quoted}' USER 'ZINDO' DEFAULT CHARACTER SET UTF8;\n"
  "${tables}\n"
  "COMMIT;\n")

set(ENV{FIREBIRD_LOCK} ${LOCK})
execute_process(COMMAND ${ISQL} -q -bail -i ${script}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE ${script})
if(NOT result EQUAL 0 OR NOT EXISTS ${partial})
  file(REMOVE ${partial})
  message(FATAL_ERROR "Building ${OUTPUT} failed (${result}):\n${out}${err}")
endif()
# The engine makes its files private; the template is read by whoever runs the program.
file(CHMOD ${partial} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(RENAME ${partial} ${OUTPUT})
