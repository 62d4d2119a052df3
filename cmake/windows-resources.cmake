# Resources of the Windows programs: one icon with every size of packaging/icons (built here with
# icotool, the 256-pixel image kept as PNG), the version information from the project version and
# an application manifest, compiled by windres into each program. Included by cmake/windows.cmake.
enable_language(RC)
find_program(VT_ICOTOOL icotool REQUIRED)

set(VT_ICON_DIR ${CMAKE_SOURCE_DIR}/packaging/icons)
set(VT_ICO ${CMAKE_BINARY_DIR}/resources/vantorel.ico)
set(VT_ICON_SIZES 16 32 48 256)
set(VT_ICON_ARGS)
set(VT_ICON_PNGS)
foreach(size IN LISTS VT_ICON_SIZES)
  set(png ${VT_ICON_DIR}/vantorel-${size}.png)
  list(APPEND VT_ICON_PNGS ${png})
  if(size EQUAL 256)
    list(APPEND VT_ICON_ARGS --raw=${png})  # PNG inside the icon: a quarter of the BMP form
  else()
    list(APPEND VT_ICON_ARGS ${png})
  endif()
endforeach()
add_custom_command(OUTPUT ${VT_ICO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND ${VT_ICOTOOL} -c -o ${VT_ICO} ${VT_ICON_ARGS}
  DEPENDS ${VT_ICON_PNGS}
  COMMENT "Making vantorel.ico" VERBATIM)
add_custom_target(windows_icon DEPENDS ${VT_ICO})

# Gives target its resource script: file is the program's file name, description what Explorer
# shows for it.
function(vt_windows_resources target description)
  set(VT_RC_NAME ${target})
  set(VT_RC_FILE ${target}.exe)
  set(VT_RC_DESCRIPTION "${description}")
  set(VT_RC_ICON ${VT_ICO})
  set(VT_RC_MANIFEST ${CMAKE_BINARY_DIR}/resources/${target}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/program.manifest.in ${VT_RC_MANIFEST} @ONLY)
  set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${VT_ICO};${VT_RC_MANIFEST}")
  add_dependencies(${target} windows_icon)
endfunction()
