# The Python package's tests (pytest, Debian's python3 with python3-numpy, python3-pil and
# python3-pytest): against the source tree's package and the build tree's library, against the
# package installed by pip into a virtual environment, and against the Debian packages unpacked
# with dpkg-deb -x. A sanitized library cannot be loaded into an interpreter that was not built
# with the sanitizer, so those builds leave them out. Label "python": `ctest -L python`.
if(VANTOREL_SANITIZE OR NOT VANTOREL_PYTHON)
  return()
endif()
# The self-contained library when there is one; else the portable one, whose file calls the
# package reaches when it loads it lazily.
get_target_property(vt_headless_type libvantorel_headless TYPE)
if(vt_headless_type STREQUAL "SHARED_LIBRARY")
  set(vt_py_library $<TARGET_FILE:libvantorel_headless>)
else()
  set(vt_py_library $<TARGET_FILE:libvantorel>)
endif()
set(vt_py_tests ${CMAKE_CURRENT_SOURCE_DIR}/python)
set(vt_py_env "VANTOREL_LIBRARY=${vt_py_library}" "VANTOREL_ANIMTOOL=$<TARGET_FILE:animtool>"
    "VANTOREL_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "VANTOREL_EXAMPLE_TIMEOUT=240" PYTHONDONTWRITEBYTECODE=1)
set(vt_pytest -m pytest -q -p no:cacheprovider -rfEs)

add_test(NAME python_build_tree COMMAND ${VANTOREL_PYTHON} ${vt_pytest} ${vt_py_tests})
set_tests_properties(python_build_tree PROPERTIES LABELS python TIMEOUT 600
  ENVIRONMENT "${vt_py_env};PYTHONPATH=${CMAKE_SOURCE_DIR}/python")

add_test(NAME python_pip_install
  COMMAND ${CMAKE_COMMAND} -DMODE=pip -DPYTHON=${VANTOREL_PYTHON} -DSOURCE=${CMAKE_SOURCE_DIR}
          -DTESTS=${vt_py_tests} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/python_pip
          -P ${vt_py_tests}/run_installed.cmake)
set_tests_properties(python_pip_install PROPERTIES LABELS python TIMEOUT 900
  ENVIRONMENT "${vt_py_env}")

add_test(NAME python_debian_package
  COMMAND ${CMAKE_COMMAND} -DMODE=deb -DPYTHON=${VANTOREL_PYTHON} -DCPACK=${CMAKE_CPACK_COMMAND}
          -DBUILD=${CMAKE_BINARY_DIR} -DLIBDIR=${CMAKE_INSTALL_LIBDIR} -DTESTS=${vt_py_tests}
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/python_deb -P ${vt_py_tests}/run_installed.cmake)
set_tests_properties(python_debian_package PROPERTIES LABELS python TIMEOUT 1200
  ENVIRONMENT "${vt_py_env}")
