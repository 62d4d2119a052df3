# Writes a C++ source holding the bytes of a file as an array, run as
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=symbol -P embed_file.cmake
# It defines `const unsigned char NAME_data[]` and `const unsigned NAME_size`.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// The bytes of ${input_name}, written by cmake/embed_file.cmake at build time.\n"
  "extern const unsigned char ${NAME}_data[];\nextern const unsigned ${NAME}_size;\n"
  "const unsigned char ${NAME}_data[] = {\n${bytes}\n};\n"
  "const unsigned ${NAME}_size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
