# Readies the manual pages doxygen wrote under DIR/man/man3 for installing: the pages of unnamed
# enumerations (@0, @1, ...) go, the overview page vantorel.3 joins them, and every page is
# compressed with gzip -9n (no name or time inside). Run as cmake -DDIR=... -P finish_man_pages.cmake
find_program(GZIP gzip REQUIRED)
get_filename_component(source_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(man3 ${DIR}/man/man3)
file(GLOB unnamed ${man3}/@*)
if(unnamed)
  file(REMOVE ${unnamed})
endif()
file(COPY ${source_dir}/man/vantorel.3 DESTINATION ${man3})
file(GLOB pages ${man3}/*.3 ${man3}/*.3vantorel)
foreach(page IN LISTS pages)
  # What the pages need for man's index and for groff: a NAME line of the form "name \- what",
  # and no text line that starts with a quote (groff would take it for a request).
  file(READ ${page} text)
  string(REGEX REPLACE "\n\\.SH NAME\n([^\n\\]+)\n" "\n.SH NAME\n\\1 \\\\- part of the Vantorel library\n" text "${text}")
  string(REGEX REPLACE "\n'" "\n\\\\&'" text "${text}")
  file(WRITE ${page} "${text}")
  execute_process(COMMAND ${GZIP} -9nf ${page} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot compress ${page}")
  endif()
endforeach()
