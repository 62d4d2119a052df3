# The API reference: `make docs` (the docs target) runs doxygen over the public headers and
# docs/library.md into <build>/docs/html; the docs_reference test runs the same check into a
# folder of its own, failing on any warning (an undocumented public name, a broken reference).
# Both exist only when doxygen is installed.

# The guide's first program is examples/first_program.c word for word (built and run by the
# examples' test); this check needs no doxygen.
if(VANTOREL_TESTS)
  add_test(NAME docs_first_program
           COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                   -P ${PROJECT_SOURCE_DIR}/docs/check_first_program.cmake)
  set_tests_properties(docs_first_program PROPERTIES LABELS docs)
endif()

find_program(VT_DOXYGEN doxygen)
if(NOT VT_DOXYGEN OR NOT DEFINED VANTOREL_PUBLIC_HEADERS)
  return()
endif()
# The headers as users include them, and the version header the build generates beside them.
set(vt_docs_input ${VANTOREL_PUBLIC_HEADERS} ${VANTOREL_BUILD_INCLUDE}/vantorel/version.h)
string(REPLACE ";" " " vt_docs_input_words "${vt_docs_input}")
set(vt_docs_env "VANTOREL_DOCS_INPUT=${vt_docs_input_words}" VANTOREL_DOCS_VERSION=${PROJECT_VERSION}
    VANTOREL_DOCS_STRIP=${VANTOREL_BUILD_INCLUDE} VANTOREL_DOCS_MAN=NO)
set(vt_docs_deps ${PROJECT_SOURCE_DIR}/docs/Doxyfile ${PROJECT_SOURCE_DIR}/docs/doxygen_filter.awk
    ${PROJECT_SOURCE_DIR}/docs/library.md)
foreach(h IN LISTS VANTOREL_PUBLIC_HEADERS)
  list(APPEND vt_docs_deps ${PROJECT_SOURCE_DIR}/${h})
endforeach()

add_custom_target(docs
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/docs/html
  COMMAND ${CMAKE_COMMAND} -E env ${vt_docs_env} VANTOREL_DOCS_OUTPUT=${CMAKE_BINARY_DIR}/docs
          ${VT_DOXYGEN} docs/Doxyfile
  COMMAND ${CMAKE_COMMAND} -E echo "API reference: ${CMAKE_BINARY_DIR}/docs/html/index.html"
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  SOURCES ${vt_docs_deps}
  VERBATIM)

if(VANTOREL_TESTS)
  add_test(NAME docs_reference
           COMMAND ${CMAKE_COMMAND} -E env ${vt_docs_env}
                   VANTOREL_DOCS_OUTPUT=${CMAKE_BINARY_DIR}/docs-check ${VT_DOXYGEN} docs/Doxyfile
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(docs_reference PROPERTIES LABELS docs TIMEOUT 300)
endif()

# The reference as the -dev package installs it: the HTML pages, and a manual page of section 3
# for every public function, record and header (man 3 gfx_open), compressed as Debian keeps them.
# The pages take the section name 3vantorel, so that a header's page (window.h) cannot meet
# another package's; man finds them under section 3.
set(vt_api_docs ${CMAKE_BINARY_DIR}/api-docs)
add_custom_command(OUTPUT ${vt_api_docs}/stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${vt_api_docs}
  COMMAND ${CMAKE_COMMAND} -E env ${vt_docs_env} VANTOREL_DOCS_OUTPUT=${vt_api_docs}
          VANTOREL_DOCS_MAN=YES ${VT_DOXYGEN} docs/Doxyfile
  COMMAND ${CMAKE_COMMAND} -DDIR=${vt_api_docs} -P ${PROJECT_SOURCE_DIR}/docs/finish_man_pages.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${vt_api_docs}/stamp
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  DEPENDS ${vt_docs_deps} ${PROJECT_SOURCE_DIR}/docs/finish_man_pages.cmake
  COMMENT "Writing the API reference (HTML and manual pages)" VERBATIM)
add_custom_target(api_docs ALL DEPENDS ${vt_api_docs}/stamp)
# (installed by packaging/install.cmake)
