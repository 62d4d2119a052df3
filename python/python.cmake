# The Python package (python/vantorel): installed by `make install` where the system's python3
# finds it, and packed by `make package` as python3-vantorel (Architecture: all; it loads the
# shared library of libvantorel1 through ctypes). Included by packaging/install.cmake, which packs
# every component of vt_components.
#
# Debian's python3 reads /usr/lib/python3/dist-packages for the system's packages and
# /usr/local/lib/python3.X/dist-packages for local ones, so the folder depends on the prefix
# given at install time, not at configure time.

# Debian's interpreter, which sees Debian's NumPy and Pillow (another python3 earlier in PATH,
# such as a pyenv shim, usually does not).
find_program(VANTOREL_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(VANTOREL_PYTHON NAMES python3)
set(VT_PYTHON_MINOR "")
if(VANTOREL_PYTHON)
  execute_process(COMMAND ${VANTOREL_PYTHON} -c "import sys; print('%d.%d' % sys.version_info[:2])"
                  OUTPUT_VARIABLE VT_PYTHON_MINOR OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(NOT VT_PYTHON_MINOR)
  set(VT_PYTHON_MINOR 3)
endif()

# The package's metadata, so that pip, importlib.metadata and the Pillow entry point see it.
set(vt_py_info ${CMAKE_BINARY_DIR}/python/vantorel-${PROJECT_VERSION}.dist-info)
file(MAKE_DIRECTORY ${vt_py_info})
file(WRITE ${vt_py_info}/METADATA "Metadata-Version: 2.1\nName: vantorel\nVersion: ${PROJECT_VERSION}\n"
     "Summary: Read and write .anim animations as NumPy arrays; Pillow plugin; drawing and recording\n"
     "License: Zlib\nRequires-Dist: numpy\nProvides-Extra: pillow\n"
     "Requires-Dist: Pillow; extra == \"pillow\"\n")
file(WRITE ${vt_py_info}/entry_points.txt "[pillow.plugins]\nanim = vantorel.pillow:register\n")
file(WRITE ${vt_py_info}/INSTALLER "dpkg\n")

file(GLOB vt_py_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/python/vantorel/*.py)
install(CODE "
  if(CMAKE_INSTALL_PREFIX MATCHES \"/usr$\")
    set(vt_py_dir lib/python3/dist-packages)
  else()
    set(vt_py_dir lib/python${VT_PYTHON_MINOR}/dist-packages)
  endif()
  set(vt_py_root \"\${CMAKE_INSTALL_PREFIX}/\${vt_py_dir}\")
  file(INSTALL ${vt_py_sources} DESTINATION \"\${vt_py_root}/vantorel\" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(INSTALL ${vt_py_info}/METADATA ${vt_py_info}/entry_points.txt ${vt_py_info}/INSTALLER
       DESTINATION \"\${vt_py_root}/vantorel-${PROJECT_VERSION}.dist-info\" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
" COMPONENT python)

list(APPEND vt_components python)
set(VT_DEB_PYTHON python3-vantorel)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME ${VT_DEB_PYTHON})
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3:any, libvantorel1 (>= ${PROJECT_VERSION}), python3-numpy")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-pil")
string(CONCAT CPACK_DEBIAN_PYTHON_DESCRIPTION
    "read and write .anim animations from Python\n"
    "The vantorel module reads and writes .anim frame-delta animations as NumPy\n"
    "arrays with the library's own decoder and encoder, registers the format\n"
    "with Pillow (vantorel.pillow), and gives the library's drawing, text,\n"
    "recording and screenshots to Python programs (vantorel.gfx).")
install(FILES ${CMAKE_SOURCE_DIR}/examples/python/simulation_to_anim.py
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VT_DEB_PYTHON}/examples COMPONENT python)
