# Checks that the first program in the users' guide is examples/first_program.c word for word
# (after the example's opening comment), so the guide shows a program that builds and is tested.
#   cmake -DSOURCE_DIR=<source root> -P check_first_program.cmake
file(READ ${SOURCE_DIR}/examples/first_program.c example)
file(READ ${SOURCE_DIR}/docs/library.md guide)
string(FIND "${example}" "*/\n\n" end)
if(end EQUAL -1)
  message(FATAL_ERROR "examples/first_program.c: no opening comment")
endif()
math(EXPR start "${end} + 4")
string(SUBSTRING "${example}" ${start} -1 code)
# In the guide the code is a block indented by four spaces; empty lines stay empty.
string(REGEX REPLACE "\n([^\n])" "\n    \\1" block "\n${code}")
string(FIND "${guide}" "${block}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "docs/library.md does not show examples/first_program.c as its first program")
endif()
