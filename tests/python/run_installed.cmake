# Runs the Python package's tests against an installed package (cmake -P):
#   MODE=pip  pip install --no-index --no-build-isolation of a copy of SOURCE/python into a
#             virtual environment made with --system-site-packages (Debian's NumPy and Pillow)
#   MODE=deb  the Debian packages made by CPack from BUILD, unpacked with dpkg-deb -x: the
#             package, the library and animtool all come from them
# WORK is emptied first; TESTS is the pytest folder, PYTHON Debian's python3.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(pytest -m pytest -q -p no:cacheprovider -rfEs ${TESTS})

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}")
  endif()
endfunction()

if(MODE STREQUAL "pip")
  # A copy, so that the build leaves nothing in the source tree.
  file(COPY ${SOURCE}/python/ DESTINATION ${WORK}/source PATTERN "__pycache__" EXCLUDE
       PATTERN "*.egg-info" EXCLUDE PATTERN "build" EXCLUDE)
  run(${PYTHON} -m venv --system-site-packages ${WORK}/venv)
  run(${WORK}/venv/bin/python -m pip install -q --no-index --no-build-isolation ${WORK}/source)
  # The installed package, not the source tree's: run from elsewhere with no PYTHONPATH.
  set(ENV{PYTHONPATH} "")
  run(${WORK}/venv/bin/python -c "import vantorel, os; assert '/venv/' in vantorel.__file__, vantorel.__file__")
  run(${WORK}/venv/bin/python ${pytest})
elseif(MODE STREQUAL "deb")
  run(${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${WORK}/debs)
  file(GLOB debs ${WORK}/debs/*.deb)
  foreach(deb IN LISTS debs)
    run(dpkg-deb -x ${deb} ${WORK}/root)
  endforeach()
  set(root ${WORK}/root/usr)
  set(ENV{PYTHONPATH} ${root}/lib/python3/dist-packages)
  set(library ${root}/${LIBDIR}/libvantorel-headless.so.1)
  if(NOT EXISTS ${library})
    set(library ${root}/${LIBDIR}/libvantorel.so.1)
  endif()
  set(ENV{VANTOREL_LIBRARY} ${library})
  set(ENV{VANTOREL_ANIMTOOL} ${root}/bin/animtool)
  run(${PYTHON} -c "import vantorel, os; assert vantorel.__file__.startswith('${root}/'), vantorel.__file__")
  run(${PYTHON} ${pytest})
else()
  message(FATAL_ERROR "MODE must be pip or deb")
endif()
