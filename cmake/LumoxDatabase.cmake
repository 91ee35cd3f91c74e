# The empty database the program copies to lumox.gdb on its first start. It is made at build
# time with the embedded engine's isql (no server), lies beside the executable in LUMOX_APP_DIR
# and is installed with it. Targets that need it depend on lumox_db_template.

include(GNUInstallDirs)

find_program(LUMOX_ISQL NAMES isql-fb
  HINTS /opt/firebird/bin /usr/lib/firebird/3.0/bin
  DOC "Firebird interactive SQL tool, used to build the database template")
if(NOT LUMOX_ISQL)
  message(FATAL_ERROR "isql-fb not found; run scripts/setup (Debian package firebird3.0-utils)")
endif()

# The folder the engine's client library takes its settings from when FIREBIRD names none: Lumox
# gives its engine settings of its own that take every other setting from there. Asked of the
# library itself, as FIREBIRD unset leaves it; a package for another layout may set it instead.
if(NOT LUMOX_FIREBIRD_ROOT)
  try_compile(built ${PROJECT_BINARY_DIR}/engine-root
    SOURCES ${PROJECT_SOURCE_DIR}/cmake/PrintEngineRoot.cpp
    LINK_LIBRARIES fbclient
    COPY_FILE ${PROJECT_BINARY_DIR}/engine-root/print-engine-root
    OUTPUT_VARIABLE log)
  if(built)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=FIREBIRD ${PROJECT_BINARY_DIR}/engine-root/print-engine-root
      RESULT_VARIABLE result OUTPUT_VARIABLE root)
  endif()
  if(NOT built OR NOT result EQUAL 0 OR NOT IS_DIRECTORY "${root}")
    message(FATAL_ERROR "The folder of the database engine's settings could not be found; run scripts/setup "
      "(Debian package firebird-dev), or set LUMOX_FIREBIRD_ROOT.\n${log}")
  endif()
  file(REAL_PATH "${root}" root)
  set(LUMOX_FIREBIRD_ROOT "${root}" CACHE PATH "Folder of the database engine's own settings (firebird.conf)" FORCE)
endif()

# Where the lumox executable and its template live in the build tree.
set(LUMOX_APP_DIR ${PROJECT_BINARY_DIR}/app)
set(LUMOX_DB_TEMPLATE ${LUMOX_APP_DIR}/lumox.gdb.empty)
# Lock folder of the embedded engine for the build and the tests of this build tree.
set(LUMOX_FIREBIRD_LOCK ${PROJECT_BINARY_DIR}/firebird-lock)

add_custom_command(OUTPUT ${LUMOX_DB_TEMPLATE}
  COMMAND ${CMAKE_COMMAND}
    -DISQL=${LUMOX_ISQL}
    -DSCHEMA=${PROJECT_SOURCE_DIR}/archive/Template.sql
    -DOUTPUT=${LUMOX_DB_TEMPLATE}
    -DLOCK=${LUMOX_FIREBIRD_LOCK}
    -P ${PROJECT_SOURCE_DIR}/cmake/MakeDatabaseTemplate.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/archive/Template.sql ${PROJECT_SOURCE_DIR}/cmake/MakeDatabaseTemplate.cmake
  COMMENT "Building the database template lumox.gdb.empty"
  VERBATIM)
add_custom_target(lumox_db_template ALL DEPENDS ${LUMOX_DB_TEMPLATE})

install(FILES ${LUMOX_DB_TEMPLATE} DESTINATION ${CMAKE_INSTALL_BINDIR})
