# Compiles every public header on its own, and the umbrella header, as C99 and as C++17 with
# warnings as errors, the way a user's program includes them (<vantorel/...>). Run as
#   cmake -DCC=.. -DCXX=.. -DINCLUDE=<build>/include -DHEADERS="a.h;b.h" -DWORK=<dir> -P ...
file(MAKE_DIRECTORY ${WORK})
set(failed)
foreach(header IN LISTS HEADERS ITEMS version.h)
  string(MAKE_C_IDENTIFIER ${header} id)
  file(WRITE ${WORK}/${id}.c "#include <vantorel/${header}>\nint main(void) { return 0; }\n")
  file(WRITE ${WORK}/${id}.cpp "#include <vantorel/${header}>\nint main() { return 0; }\n")
  foreach(lang IN ITEMS c cpp)
    if(lang STREQUAL "c")
      set(command ${CC} -std=c99)
    else()
      set(command ${CXX} -std=c++17)
    endif()
    execute_process(COMMAND ${command} -Wall -Wextra -pedantic -Werror -fsyntax-only -I ${INCLUDE}
                            ${WORK}/${id}.${lang}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
      message("vantorel/${header} as ${lang}:\n${out}")
      list(APPEND failed "${header} (${lang})")
    endif()
  endforeach()
endforeach()
if(failed)
  message(FATAL_ERROR "public headers that do not compile on their own: ${failed}")
endif()
list(LENGTH HEADERS count)
message(STATUS "${count} public headers and version.h compile as C99 and as C++17")
