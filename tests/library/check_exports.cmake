# The shared library exports exactly the names its public headers declare with VT_API: nothing
# internal leaks (hidden visibility, C++ helpers kept local) and nothing declared is missing. Run as
#   cmake -DNM=nm -DLIBRARY=libvantorel.so -DINCLUDE=<build>/include -DHEADERS="a.h;..." -P ...
set(declared)
foreach(header IN LISTS HEADERS ITEMS version.h)
  if(header STREQUAL "support/vt_api.h")
    continue()  # defines the mark, declares nothing
  endif()
  file(READ ${INCLUDE}/vantorel/${header} text)
  string(REPLACE ";" "@" text "${text}")  # list separators would split the declarations
  string(REGEX REPLACE "//[^\n]*" "" text "${text}")
  string(REGEX MATCHALL "VT_API [^@{]*@" decls "${text}")
  # A declaration at the top level without the mark would be hidden in the shared library.
  string(REGEX MATCHALL "\n[A-Za-z_][^\n]*" top "${text}")
  foreach(line IN LISTS top)
    string(STRIP "${line}" line)
    if(line MATCHES "\\(" AND NOT line MATCHES "^(VT_NORETURN )?(extern )?VT_API |^typedef |^#")
      message(FATAL_ERROR "${header}: a declaration without VT_API: ${line}")
    endif()
  endforeach()
  foreach(decl IN LISTS decls)
    if(decl MATCHES "^VT_API [^(]*\\(\\*([A-Za-z_][A-Za-z_0-9]*)\\)")  # a function pointer variable
      list(APPEND declared ${CMAKE_MATCH_1})
    elseif(decl MATCHES "^VT_API ([^([@=]*)" AND CMAKE_MATCH_1 MATCHES "([A-Za-z_][A-Za-z_0-9]*)[ ]*$")
      list(APPEND declared ${CMAKE_MATCH_1})
    else()
      message(FATAL_ERROR "cannot read the name declared in ${header}: ${decl}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES declared)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${err}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(exported)
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] ([^ @]+)")
    list(APPEND exported ${CMAKE_MATCH_1})
  endif()
endforeach()

set(extra ${exported})
list(REMOVE_ITEM extra ${declared})
set(missing ${declared})
list(REMOVE_ITEM missing ${exported})
if(extra OR missing)
  message(FATAL_ERROR "exported but not declared public: ${extra}\n"
                      "declared public but not exported: ${missing}")
endif()
list(LENGTH exported count)
message(STATUS "${LIBRARY}: ${count} exported names, all declared in the public headers")
